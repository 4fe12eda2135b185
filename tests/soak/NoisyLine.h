// NoisyLine.h — a channel's transport onto the in-process simulated line, on
// a virtual clock, that spoils the controllers' answers the way a noisy
// RS-485 line does: bytes changed at random, answers lost or cut short, noise
// before an answer, answers late within and beyond the port's patience. It
// keeps, for the exchange in hand, what the controller really sent and what
// was done to it, so that whatever the driver makes of the answer can be
// judged against the truth.
#ifndef KAVO5000_TESTS_SOAK_NOISYLINE_H
#define KAVO5000_TESTS_SOAK_NOISYLINE_H

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <random>

#include "Clock.h"
#include "Line.h"
#include "Transport.h"

namespace kavo5000::soak {

using Bytes = std::vector<std::uint8_t>;

// How often each fault strikes; the probabilities are per exchange except
// byteCorruption, which is per byte of an answer.
struct NoiseSettings {
  double byteCorruption = 0.01;
  double drop = 0.01;
  double truncate = 0.01;
  double garbage = 0.02;
  double lateWithin = 0.01;  // late, yet before the first-byte timeout
  double lateBeyond = 0.005;
  std::chrono::milliseconds lateWithinBy{150};
  std::chrono::milliseconds lateBeyondBy{400};
  std::uint64_t seed = 1;
};

// The faults of one exchange, as bits.
enum Fault : unsigned {
  kFaultNone = 0,
  kFaultCorrupt = 1u << 0,
  kFaultDrop = 1u << 1,
  kFaultTruncate = 1u << 2,
  kFaultGarbage = 1u << 3,
  kFaultLateWithin = 1u << 4,
  kFaultLateBeyond = 1u << 5,
};
inline constexpr unsigned kFaultKinds = 6;

// One exchange as the line saw it.
struct LineExchange {
  Bytes frame;
  Bytes clean;  // what the controller answered
  Bytes sent;   // what went onto the wire instead
  unsigned faults = kFaultNone;
  std::size_t corruptedBytes = 0;
};

class NoisyTransport final : public host::Transport {
 public:
  NoisyTransport(std::shared_ptr<sim::Line> line, sim::VirtualClock& clock, NoiseSettings noise);

  // Turns the noise off and on (the station's start-up runs on a quiet line).
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  // The exchange the last frame began.
  const LineExchange& Last() const { return last_; }

  std::int32_t Open() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  void DiscardInput() override;
  std::int32_t Write(std::span<const std::uint8_t> bytes) override;
  host::ReadResult Read(std::span<std::uint8_t> into, host::Nanos timeout) override;
  host::Nanos Now() const override { return clock_.Now().time_since_epoch(); }
  void Pause(host::Nanos d) override { clock_.WaitUntil(clock_.Now() + d); }
  host::Nanos WireTime(std::size_t bytes) const override;
  std::string Describe() const override { return "noisy sim"; }

 private:
  bool Chance(double p);
  // Applies the faults the dice choose to `answer`; returns the answer's delay.
  sim::Duration Spoil(LineExchange& exchange);

  struct Arrival {
    sim::Instant at;
    std::uint8_t byte;
  };
  std::shared_ptr<sim::Line> line_;
  sim::VirtualClock& clock_;
  NoiseSettings noise_;
  std::mt19937_64 random_;
  bool quiet_ = false;
  bool open_ = false;
  std::deque<Arrival> pending_;
  LineExchange last_;
};

}  // namespace kavo5000::soak

#endif  // KAVO5000_TESTS_SOAK_NOISYLINE_H
