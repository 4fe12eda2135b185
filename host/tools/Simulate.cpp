// Simulate.cpp — `kavo5000 simulate`: a line of simulated controllers served
// on a pseudo-terminal or on TCP loopback until SIGINT or SIGTERM. The first
// line on stdout is the port spec a host opens to reach it; with --tap the
// second is where a listener hears the line (a second pseudo-terminal, or a
// second TCP port).
#include <cstdio>
#include <system_error>

#include "Commands.h"
#include "Interrupt.h"
#include "Session.h"
#include "Simulation.h"

namespace kavo5000::tool {

namespace {
std::atomic<bool> gStop{false};

}  // namespace

int RunSimulate(const SimOptions& options, bool pty, std::optional<int> tcp, bool tap) {
  if (pty == tcp.has_value())
    throw UsageError("simulate needs exactly one of --pty and --tcp PORT");
  const int port = tcp.value_or(0);
  host::Simulation simulation = MakeSimulation(options);

  RaiseOnInterrupt(gStop);

  try {
    if (pty) {
      std::printf("%s\n", simulation.OpenPty().c_str());
      if (tap) std::printf("%s\n", simulation.OpenTapPty().c_str());
    } else {
      std::printf("tcp://127.0.0.1:%d\n", simulation.ListenTcp(port));
      if (tap) std::printf("tcp://127.0.0.1:%d\n", simulation.ListenTapTcp(0));
    }
  } catch (const std::system_error& e) {
    throw ToolError(std::string("cannot serve the simulator: ") + e.what());
  }
  std::fflush(stdout);
  std::fprintf(stderr,
               "kavo5000 simulate: %d controllers at nozzle addresses 1..%d (identification "
               "numbers 10001..), %d baud, turnaround %d ms; stop with Ctrl-C\n",
               options.controllers, options.controllers, options.baud, options.turnaroundMs);
  try {
    simulation.Serve(gStop);
  } catch (const std::system_error& e) {
    throw ToolError(std::string("simulator: ") + e.what());
  }
  return kExitOk;
}

}  // namespace kavo5000::tool
