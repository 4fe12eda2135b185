// CommandLine.h — the kavo5000 command line: every subcommand with its typed
// arguments, ranges and help, declared once for a single run of the tool and
// for each line of `kavo5000 shell`.
#ifndef KAVO5000_TOOL_COMMANDLINE_H
#define KAVO5000_TOOL_COMMANDLINE_H

#include <functional>
#include <string>
#include <vector>

#include "Commands.h"

namespace CLI {
class App;
}

namespace kavo5000::tool {

// What a parsed command line asks for.
struct Invocation {
  GlobalOptions global;
  CommandValues values;
  std::function<int(Session&)> withDriver;  // a subcommand that drives the module
  std::function<int()> alone;               // one that needs no driver
};

// Declares every subcommand. In a shell the session's options were fixed when
// it started: its lines take no session options, and no shell, simulate or
// demo.
void DeclareCommands(CLI::App& app, Invocation& invocation, bool inShell);
// The subcommands that load no driver of their own making: decode, simulate,
// monitor, demo and shell.
void DeclareStandalone(CLI::App& app, Invocation& invocation);

// One run of the tool on its arguments (without the program name): the exit
// code; results on stdout, one-line errors on stderr.
int Main(const std::vector<std::string>& args);

// `kavo5000 shell`: lines from the terminal or a script, on one session.
int RunShell(const GlobalOptions& options);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_COMMANDLINE_H
