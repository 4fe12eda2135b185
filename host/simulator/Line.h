// Line.h — a line of simulated controllers, one per nozzle address: it takes
// each command frame off the wire, lets the addressed controller answer,
// applies 'W' to every controller, programs a line address by identification
// number with ']', and passes the answer through the injected faults.
#ifndef KAVO5000_SIM_LINE_H
#define KAVO5000_SIM_LINE_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "Clock.h"
#include "Controller.h"
#include "Faults.h"
#include "Protocol.h"

namespace kavo5000::sim {

struct LineConfig {
  std::vector<ControllerConfig> controllers;
  Behaviour behaviour;
};

// `count` controllers at addresses 1..count, identification numbers
// 10001…, type 1, with some fuel already through their total counters.
LineConfig DefaultLineConfig(int count = 8);

// What goes back on the wire for one frame.
struct LineReply {
  Bytes bytes;       // empty: no answer
  Duration delay{};  // extra wait before the first byte, beyond the turnaround
};

class Line {
 public:
  explicit Line(const LineConfig& config);
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  // The line's answer to one frame received at `now`.
  LineReply Receive(std::span<const Byte> frame, Instant now);

  void SetFaults(FaultPlan plan);
  // Brings every controller up to `now`.
  void Advance(Instant now);

  // The controller at a linear address, or null. The pointer stays valid for
  // the line's life; the caller must not use it while another thread sends.
  Controller* Find(int address);
  Controller& At(std::size_t index) { return *controllers_.at(index); }
  std::size_t Size() const { return controllers_.size(); }
  // Frames received so far.
  std::uint64_t Frames() const;
  // The value the last 'W' gave a common switch code (0 until then).
  int CommonSwitch(int code) const;
  Behaviour& behaviour() { return behaviour_; }

 private:
  Bytes Broadcast(std::span<const Byte> command, Instant now);
  Bytes ProgramAddress(std::span<const Byte> command, Instant now);

  mutable std::mutex mutex_;
  Behaviour behaviour_;
  std::vector<std::unique_ptr<Controller>> controllers_;
  FaultPlan faults_;
  std::uint64_t frames_ = 0;
  std::vector<int> commonSwitches_;
};

}  // namespace kavo5000::sim

#endif  // KAVO5000_SIM_LINE_H
