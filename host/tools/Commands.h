// Commands.h — the kavo5000 subcommands that drive the module. Each runs on a
// Session (the module, the port and one driver object; one per invocation,
// or one for a whole shell), prints its result on stdout and returns the exit
// code; failures are thrown as ToolError, wrong arguments as UsageError.
#ifndef KAVO5000_TOOL_COMMANDS_H
#define KAVO5000_TOOL_COMMANDS_H

#include <optional>
#include <string>
#include <vector>

#include "Session.h"

namespace kavo5000::tool {

// Every value a subcommand's arguments and options can carry; each
// subcommand reads the ones it declared.
struct CommandValues {
  int dispenser = 0;                // D: the dispenser on the channel
  int nozzle = 0;                   // N: the nozzle on the dispenser
  std::optional<int> pickedNozzle;  // delivery, counters, recover: a nozzle named, or none
  double amount = 0;                // a price, litres, money or a total
  std::optional<double> price;
  std::optional<double> volume;  // deliver: the preset, by volume …
  std::optional<double> money;   // … or by money
  bool extended = false;
  int number = 0;  // a host parameter number, a switch code
  std::string value;
  std::optional<int> address;       // a nozzle address (linear nozzle number)
  std::optional<int> code;          // a parameter's code in the catalogue
  std::optional<std::string> name;  // … or a unique part of its name
  std::optional<long long> id;
  bool once = false;
  bool dryRun = false;  // params load: say what would be written, write nothing
  int intervalMs = 500;
  int first = 1;  // scan range
  int last = 64;
  bool keepGoing = false;
  bool json = false;
  std::optional<std::string> pcap;  // monitor, decode --trace: write a capture here
  double waitSeconds = 120;         // demo, recover: how long to wait for the delivery to end
  bool stop = false;  // recover: stop the pump rather than wait for the delivery's end
  std::vector<std::string> words;
};

// Refuses (UsageError) a dispenser, or a dispenser's nozzle, that has no place
// of its own on the line with the session's nozzles per dispenser.
void CheckPlace(const Session& s, int dispenser, std::optional<int> nozzle);

int RunState(Session& s, const CommandValues& v);
int RunType(Session& s, const CommandValues& v);
int RunPrice(Session& s, const CommandValues& v);
int RunPresetVolume(Session& s, const CommandValues& v);
int RunPresetMoney(Session& s, const CommandValues& v);
int RunStart(Session& s, const CommandValues& v);
int RunStop(Session& s, const CommandValues& v);
int RunClose(Session& s, const CommandValues& v);
int RunDelivery(Session& s, const CommandValues& v);
int RunCounters(Session& s, const CommandValues& v);
int RunTotals(Session& s, const CommandValues& v);
int RunTotalsSet(Session& s, const CommandValues& v);
int RunParamGet(Session& s, const CommandValues& v);
int RunParamSet(Session& s, const CommandValues& v);
int RunParamSetAt(Session& s, const CommandValues& v);
int RunSwitch(Session& s, const CommandValues& v);
int RunCalibrate(Session& s, const CommandValues& v);
int RunParamsRead(Session& s, const CommandValues& v);
int RunParamsSave(Session& s, const CommandValues& v);
int RunParamsLoad(Session& s, const CommandValues& v);
int RunParamsDiff(Session& s, const CommandValues& v);
int RunAddressProgram(Session& s, const CommandValues& v);
int RunWatch(Session& s, const CommandValues& v);
int RunDeliver(Session& s, const CommandValues& v);
int RunRecover(Session& s, const CommandValues& v);
int RunScan(Session& s, const CommandValues& v);
int RunDemo(Session& s, const CommandValues& v);

// The nozzle a reading command asks: the one named, else the driver's.
int ReadNozzle(const Session& s, const CommandValues& v);

// The flow the demo runs at unless --flow says otherwise: the whole cycle in
// well under half a minute.
inline constexpr double kDemoFlow = 1.0;

// Subcommands that need no driver.
int RunParamsList(const CommandValues& v);
int RunDecode(const CommandValues& v);
int RunDecodeTrace(const std::string& path, const std::optional<std::string>& pcap);
// With `tap`, a second line on stdout names where a listener hears the line.
int RunSimulate(const SimOptions& options, bool pty, std::optional<int> tcpPort, bool tap);
// Listens to the line on `options.port` without writing to it.
int RunMonitor(const GlobalOptions& options, const CommandValues& v);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_COMMANDS_H
