// IntegrationRig.h — the module driven as a station program drives it: loaded
// by the kit's loader, lent a LineHostPort whose channel reaches a simulated line
// either in-process (on a virtual clock), over a pseudo-terminal to a
// `kavo5000 simulate --pty` process, or over TCP loopback to a
// `kavo5000 simulate --tcp` process.
#ifndef KAVO5000_TESTS_INTEGRATIONRIG_H
#define KAVO5000_TESTS_INTEGRATIONRIG_H

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "Clock.h"
#include "Line.h"
#include "LineHostPort.h"
#include "SimProcess.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::testing {

enum class Via { kInProcess, kPty, kTcp };
std::string ViaName(Via via);

struct RigOptions {
  std::string faults;
  double flow = 4.0;       // l/s: real-time runs stay short
  double liftAfter = 0.2;  // s
  double hangAfter = 0.5;  // s
  std::uint32_t config = 0;
};

class Rig {
 public:
  Rig(Via via, RigOptions options);
  ~Rig();

  kavo5000::TVM30& driver() { return *driver_; }
  host::LineHostPort& port() { return port_; }
  Byte channel() const { return kChannel; }
  Byte Status() { return driver_->GetChannelStatus(kChannel); }
  Via via() const { return via_; }
  // The in-process line, or null.
  sim::Line* line() { return line_.get(); }
  // Lets time pass on the line's clock: virtual in-process, real otherwise.
  void Wait(std::chrono::milliseconds d);
  // A fresh line with these faults (in-process: the same line, new faults).
  void Restart(const std::string& faults);
  // Ends the simulator process (not in-process).
  void KillServer();

  static constexpr Byte kChannel = 1;

 private:
  void Connect();

  Via via_;
  RigOptions options_;
  sim::VirtualClock clock_;
  std::shared_ptr<sim::Line> line_;
  std::unique_ptr<host::SimProcess> process_;
  host::LineHostPort port_;
  std::unique_ptr<kavo5000::TVM30> driver_;
};

}  // namespace kavo5000::testing

#endif  // KAVO5000_TESTS_INTEGRATIONRIG_H
