// Commands.h — the kavo5000 subcommands. Each takes its positional arguments
// (after the subcommand's own words) and the parsed command line, prints its
// result on stdout and returns the exit code; failures are thrown.
#ifndef KAVO5000_TOOL_COMMANDS_H
#define KAVO5000_TOOL_COMMANDS_H

#include <string>
#include <vector>

#include "Cli.h"

namespace kavo5000::tool {

using Positional = std::vector<std::string>;

int RunState(const Positional& p, const Args& args);
int RunType(const Positional& p, const Args& args);
int RunPrice(const Positional& p, const Args& args);
int RunPresetVolume(const Positional& p, const Args& args);
int RunPresetMoney(const Positional& p, const Args& args);
int RunStart(const Positional& p, const Args& args);
int RunStop(const Positional& p, const Args& args);
int RunClose(const Positional& p, const Args& args);
int RunDelivery(const Positional& p, const Args& args);
int RunCounters(const Positional& p, const Args& args);
int RunTotals(const Positional& p, const Args& args);
int RunParamGet(const Positional& p, const Args& args);
int RunParamSet(const Positional& p, const Args& args);
int RunParamsRead(const Positional& p, const Args& args);
int RunAddressProgram(const Positional& p, const Args& args);
int RunDecode(const Positional& p, const Args& args);
int RunSimulate(const Positional& p, const Args& args);
int RunDemo(const Positional& p, const Args& args);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_COMMANDS_H
