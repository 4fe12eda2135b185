// StandaloneCommands.cpp — the subcommands that load no driver, declared with
// CLI11: decode, simulate, monitor, demo (which makes its own line) and shell.
#include <CLI/CLI.hpp>
#include <memory>

#include "CommandLine.h"

namespace kavo5000::tool {

namespace {
constexpr int kMaxTcpPort = 65535;
}  // namespace

void DeclareStandalone(CLI::App& app, Invocation& inv) {
  CLI::App* sub = app.add_subcommand("decode", "annotate a command frame or a reply");
  sub->add_option("HEX", inv.values.words, "bytes in hex, e.g. 7F 02 21 5E 37 48 03 03 55");
  sub->add_option("--trace", inv.values.value, "decode every exchange of a trace file");
  sub->add_option("--pcap", inv.values.pcap,
                  "with --trace: also write its frames and replies to a capture for Wireshark");
  sub->callback([&inv] {
    inv.alone = [&inv] {
      if (!inv.values.value.empty()) return RunDecodeTrace(inv.values.value, inv.values.pcap);
      if (inv.values.pcap) throw UsageError("decode --pcap OUT needs --trace FILE");
      if (inv.values.words.empty()) throw UsageError("decode needs HEX bytes or --trace FILE");
      return RunDecode(inv.values);
    };
  });

  auto pty = std::make_shared<bool>(false);
  auto tcp = std::make_shared<std::optional<int>>();
  auto tap = std::make_shared<bool>(false);
  sub = app.add_subcommand("simulate", "serve a simulated line on a pseudo-terminal or TCP");
  sub->add_flag("--pty", *pty, "create a pseudo-terminal pair; prints the slave's path");
  sub->add_option("--tcp", *tcp, "listen on 127.0.0.1:PORT (0: any free port)")
      ->check(CLI::Range(0, kMaxTcpPort));
  sub->add_flag("--tap", *tap,
                "also serve a copy of both directions, as the bus carries them, on a second "
                "pseudo-terminal (--pty) or TCP port (--tcp); its spec is the second line printed");
  sub->callback([&inv, pty, tcp, tap] {
    inv.alone = [&inv, pty, tcp, tap] { return RunSimulate(inv.global.sim, *pty, *tcp, *tap); };
  });

  sub = app.add_subcommand("monitor",
                           "listen to a line another program drives (--port), never writing to it");
  sub->add_flag("--json", inv.values.json, "one JSON object a line, and the summary as one");
  sub->add_option("--pcap", inv.values.pcap, "also write a capture for Wireshark to FILE");
  sub->callback([&inv] { inv.alone = [&inv] { return RunMonitor(inv.global, inv.values); }; });

  sub = app.add_subcommand("demo", "a whole delivery on the built-in simulator, followed live");
  sub->add_option("--wait", inv.values.waitSeconds,
                  "give up when the delivery has not ended after S seconds (default 120)")
      ->check(CLI::PositiveNumber);
  sub->callback([&inv, &app] {
    inv.global.command = "demo";
    if (app.count("--flow") == 0) inv.global.sim.flow = kDemoFlow;
    inv.withDriver = [&inv](Session& s) { return RunDemo(s, inv.values); };
  });

  sub = app.add_subcommand("shell", "subcommands line by line on one driver and one port");
  sub->callback([&inv] { inv.alone = [&inv] { return RunShell(inv.global); }; });
}

}  // namespace kavo5000::tool
