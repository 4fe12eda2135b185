// Monitor.cpp — `kavo5000 monitor`: listens to a line another program drives,
// as an adapter on the bus does, and never writes a byte to it. Each command
// frame, reply and run of stray bytes is printed as it passes (text or JSON
// lines), replies paired with their commands; `--pcap` keeps a capture for
// Wireshark; Ctrl-C ends it with a summary.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

#include "BusFramer.h"
#include "Commands.h"
#include "ExchangePairing.h"
#include "Interrupt.h"
#include "MonitorReport.h"
#include "Pcap.h"
#include "PortSpec.h"
#ifndef _WIN32
#include "Listening.h"
#endif

namespace kavo5000::tool {

#ifdef _WIN32
int RunMonitor(const GlobalOptions& /*options*/, const CommandValues& /*v*/) {
  throw ToolError(
      "monitor listens on POSIX systems only; run it there beside the line or its server");
}
#else
namespace {

std::atomic<bool> gStop{false};

// How long a command may wait for its reply on a line we only hear: well
// beyond any host's reply timeout, so that a slow reply is still paired.
constexpr double kReplyWindow = 1.0;
constexpr host::Nanos kReadWait = std::chrono::milliseconds(20);  // how often silence is judged
constexpr std::size_t kReadChunk = 4096;

// One listening run: the framer, the pairer, the totals and the capture.
class Listening {
 public:
  Listening(int baud, double silence, bool json, const std::optional<std::string>& pcap)
      : framer_(silence, monitor::ByteTimeAt(baud)), pairer_(kReplyWindow), json_(json) {
    if (pcap) capture_.emplace(*pcap);
  }

  double Elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

  void Heard(std::span<const monitor::Byte> bytes) { Units(framer_.Feed(bytes, Elapsed())); }

  void Quiet() {
    const double now = Elapsed();
    Units(framer_.Idle(now));
    Events(pairer_.Idle(now));
  }

  void End() {
    Units(framer_.Finish());
    Events(pairer_.Finish());
    if (json_) {
      std::printf("%s\n", monitor::SummaryJson(summary_).c_str());
    } else {
      for (const std::string& line : monitor::SummaryText(summary_))
        std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
  }

 private:
  host::WallTime WallOf(double seconds) const {
    return wallStart_ + std::chrono::duration_cast<host::WallTime::duration>(
                            std::chrono::duration<double>(seconds));
  }

  void Units(std::vector<monitor::BusUnit> units) {
    for (monitor::BusUnit& unit : units) {
      if (capture_)
        capture_->Write({WallOf(unit.start), monitor::DirectionOf(unit.kind), 0, 0, unit.bytes});
      Events(pairer_.Take(std::move(unit)));
    }
  }

  void Events(const std::vector<monitor::BusEvent>& events) {
    for (const monitor::BusEvent& e : events) {
      summary_.Count(e);
      const host::WallTime when = WallOf(e.unit.start);
      const std::string line = json_ ? monitor::EventJson(e, when) : monitor::EventText(e, when);
      std::printf("%s\n", line.c_str());
    }
  }

  monitor::BusFramer framer_;
  monitor::ExchangePairer pairer_;
  monitor::BusSummary summary_;
  std::optional<monitor::PcapFile> capture_;
  bool json_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  host::WallTime wallStart_ = std::chrono::system_clock::now();
};

}  // namespace

int RunMonitor(const GlobalOptions& options, const CommandValues& v) {
  host::PortSpec spec;
  try {
    spec = host::ParsePortSpec(options.port);
  } catch (const host::PortSpecError& e) {
    throw UsageError(e.what());
  }
  std::unique_ptr<host::Transport> line;
  double silence = 0;
  int baud = host::kServerSerialSide.baud;
  switch (spec.kind) {
    case host::PortSpec::Kind::kSim:
      throw UsageError(
          "monitor listens to a line another program drives: give --port DEVICE or "
          "tcp://HOST:PORT (kavo5000 simulate --tap prints one)");
    case host::PortSpec::Kind::kDevice:
      line = host::MakeListeningSerialTransport(spec);
      baud = spec.serial.baud;
      silence = monitor::SilenceAt(baud);
      break;
    case host::PortSpec::Kind::kTcp:
      // A server hands the line over in packets cut by its own timer: a
      // pause that long is no silence on the line.
      line = host::MakeListeningTcpTransport(spec);
      silence = monitor::SilenceAt(baud) +
                std::chrono::duration<double>(host::kServerPacketTimer).count();
      break;
  }
  if (line->Open() != host::kPortOk) throw ToolError("cannot listen: " + line->ErrorText());
  std::optional<Listening> run;
  try {
    run.emplace(baud, silence, v.json, v.pcap);
  } catch (const std::runtime_error& e) {
    throw ToolError(e.what());
  }
  RaiseOnInterrupt(gStop);
  std::fprintf(stderr, "kavo5000 monitor: listening to %s, writing nothing; stop with Ctrl-C\n",
               line->Describe().c_str());
  std::vector<monitor::Byte> buffer(kReadChunk);
  int exit = kExitOk;
  while (!gStop.load()) {
    const host::ReadResult r = line->Read(buffer, kReadWait);
    if (r.status == host::ReadStatus::kData) {
      run->Heard(std::span<const monitor::Byte>(buffer.data(), r.count));
    } else if (r.status == host::ReadStatus::kTimeout) {
      run->Quiet();
    } else {
      std::fprintf(stderr, "kavo5000 monitor: the line went away: %s\n", line->ErrorText().c_str());
      exit = kExitFailure;
      break;
    }
  }
  run->End();
  return exit;
}
#endif

}  // namespace kavo5000::tool
