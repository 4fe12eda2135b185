// Session.h — what every driver subcommand needs: the options common to all
// of them, the module loaded, a LineHostPort bound to the chosen port (with
// its own simulator for `sim`), the driver object, the channel opened, and
// the checks that turn the driver's outcome into the tool's.
#ifndef KAVO5000_TOOL_SESSION_H
#define KAVO5000_TOOL_SESSION_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Cli.h"
#include "LineHostPort.h"
#include "ModuleLoader.h"
#include "NozzleReadings.h"
#include "Outcome.h"
#include "Simulation.h"

namespace kavo5000::tool {

// The simulator's settings, for `simulate` and for `--port sim`.
using SimOptions = host::SimulationSettings;

struct GlobalOptions {
  std::string port = "sim";
  kavo5000::Byte channel = 1;
  std::uint8_t config = 0;
  std::optional<int> nozzles;  // overrides the configuration byte's nozzle count
  std::optional<std::string> trace;
  bool verbose = false;
  std::optional<std::string> module;
  std::optional<int> timeoutMs;    // first byte, counted from the end of the frame
  std::optional<int> interByteMs;  // between the bytes of a reply
  std::string command;             // the subcommand, for the trace
  SimOptions sim;

  // The configuration byte with --nozzles applied.
  std::uint8_t Config() const;
};

// A line as the options describe it. Throws UsageError for a bad fault spec.
host::Simulation MakeSimulation(const SimOptions& options);

class Session {
 public:
  // Loads the module, binds and opens the channel. Throws ToolError.
  explicit Session(const GlobalOptions& options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  kavo5000::TVM30& driver() { return *driver_; }
  kavo5000::Byte channel() const { return options_.channel; }
  int nozzles() const { return kavo5000::NozzlesPerDispenser(options_.Config()); }
  host::LineHostPort& port() { return port_; }
  const GlobalOptions& options() const { return options_; }
  // The dispenser type carried by the last reply to '7' seen on the line.
  std::optional<int> ObservedType() const { return observedType_; }

  // Marks the start of a driver operation: Expect judges the exchanges from
  // here on.
  void BeginOperation() { exchanges_.clear(); }
  // Throws ToolError saying what `what` ran into, unless the operation
  // succeeded: a channel status of 1 and, with Refusals::kFail, no command of
  // the operation refused.
  void Expect(const std::string& what, Refusals refusals = Refusals::kTolerate,
              std::string_view tolerated = {});
  // The exchanges of the current operation, as the port saw them.
  const std::vector<host::ExchangeRecord>& Exchanges() const { return exchanges_; }
  // The reason the port gives for the channel's last failure, or "".
  std::string PortReason();

  // What this session has told the controllers, which the driver keeps to
  // itself: the prices set, and the dispensers preset or started (whose
  // running delivery the driver then knows how to judge).
  void NotePrice(int dispenser, int nozzle, double price) { prices_[{dispenser, nozzle}] = price; }
  std::optional<double> PriceOf(int dispenser, int nozzle) const;
  void NotePreset(int dispenser) { preset_.insert(dispenser); }
  bool Preset(int dispenser) const { return preset_.count(dispenser) != 0; }
  // The nozzle the driver reads a dispenser's running volume and delivery
  // counters from: the one this session last started there (a start sets
  // it, refused or not), else nozzle 1, as in a driver fresh from GetVM30.
  void NoteStart(int dispenser, int nozzle) { started_[dispenser] = nozzle == 0 ? 1 : nozzle; }
  int ActiveNozzle(int dispenser) const;

  // A nozzle's place on the line with this session's nozzles per dispenser.
  int Address(int dispenser, int nozzle) const;
  // Reads straight from a nozzle's controller, past the driver: what a
  // process that did not start a delivery needs to finish it.
  host::NozzleReader Reader() { return host::NozzleReader(port_, options_.channel); }
  // Why a reader's last reading gave nothing, in words, with the port's
  // reason when the line itself failed.
  std::string ReadingFailureText(const host::NozzleReader& reader);
  // The tool's command line for `words` on this session's line: what to run
  // next, in a message ("kavo5000 --port tcp://… recover 1 --nozzle 2").
  std::string CommandFor(const std::string& words) const;

 private:
  void Observe(const host::ExchangeRecord& record);

  GlobalOptions options_;
  loader::Module module_;
  host::LineHostPort port_;
  std::unique_ptr<kavo5000::TVM30> driver_;
  std::optional<int> observedType_;
  std::vector<host::ExchangeRecord> exchanges_;
  std::map<std::pair<int, int>, double> prices_;
  std::set<int> preset_;
  std::map<int, int> started_;
};

// Runs a subcommand's body, turning the driver's exceptions into one line
// that says first, in the tool's words, what `what` ran into, then the
// driver's own text: a failed exchange (LineError, with the port's reason)
// or a refusal of the numbers given.
template <class F>
void Guarded(Session& session, std::string_view what, F&& body) {
  session.BeginOperation();
  try {
    body();
  } catch (const kavo5000::ESerialIO& e) {
    const std::string reason = session.PortReason();
    throw LineError(std::string(what) + ": the line failed" +
                    (reason.empty() ? "" : " (" + reason + ")") + "; the driver says \"" +
                    e.what() + "\"");
  } catch (const kavo5000::Exception& e) {
    throw ToolError(std::string(what) + ": the driver refused it (\"" + e.what() + "\")");
  }
}

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_SESSION_H
