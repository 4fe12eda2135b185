// CommandLine.cpp — the subcommands declared with CLI11: positional
// arguments typed and bounded by the driver's tables, the session options
// that may stand before or after the subcommand, and the help that explains
// them.
#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <limits>

#include "Checks.h"
#include "Cli.h"
#include "ParamLimits.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {

constexpr int kMaxControllers = 99;
constexpr int kMaxTurnaroundMs = 10000;
constexpr int kMaxTimeoutMs = 60000;
constexpr int kMaxBaud = 230400;
constexpr int kMaxConfigByte = 255;
constexpr int kMaxLineAddress = 99;
constexpr int kMaxSwitchCode = kavo5000::kParamAddressProgramming - 1;
constexpr int kMaxIntervalMs = 60000;
// ID × 100 + address must fit 32 bits.
constexpr long long kMaxIdentification =
    (std::numeric_limits<std::int32_t>::max() - kMaxLineAddress) / kavo5000::kParamAddressFactor;
constexpr const char* kSessionGroup = "Session options";

// The help on a host parameter number: the numbering, from the header.
std::string ParamNumberHelp() {
  return "host parameter number: " + std::to_string(kavo5000::kParamFirstNozzle) +
         " + (nozzle-1)*" + std::to_string(kavo5000::kParamsPerNozzle) + " + code";
}
constexpr const char* kSimGroup = "Simulator options (with --port sim, and for simulate)";

constexpr const char* kOverview =
    "Numbers: D is a dispenser on the channel (1..32; 0 only with 0 nozzles per\n"
    "dispenser, where a nozzle's number is its address), N a nozzle on the\n"
    "dispenser (1..15; 0 counts as 1). A nozzle address (--address V) is the\n"
    "controller's place on the line: with K nozzles per dispenser, dispenser D\n"
    "nozzle N is address K*(D-1)+N. Amounts are in litres and money units, at most two\n"
    "decimals (12.50).\n"
    "\n"
    "States: idle (0xC0), authorised (0xC8: started, waiting for the nozzle),\n"
    "delivering (0xD0+n), delivery done (0xD8+n; 0xD8 alone: the driver closed it),\n"
    "nozzle lifted (0xE0+n).\n"
    "\n"
    "Side effects on the line: state and watch close a delivery that has reached\n"
    "its preset (the driver reads the counters and sends '8', as station software\n"
    "relies on); start --ex closes what the dispenser held open first; price on a\n"
    "refusal stops and closes the nozzle.\n"
    "\n"
    "--faults (with --port sim or simulate): comma-separated TARGET:ACTION rules.\n"
    "TARGET is a command character (T), a command at one address (1@3) or the\n"
    "n-th exchange (#3); ACTION is refuse, drop (lost: no action, no answer),\n"
    "mute (acted on, no answer), truncate[=N], corrupt[=I], garbage=HEX, delay=MS\n"
    "or state=r1r2/r1r2/... (the next answers to '1'); *K limits a rule to K uses.\n"
    "Examples: --faults T:refuse*1   --faults '#2:drop,6:corrupt=3'   --faults 1:state=40/41\n"
    "\n"
    "kavo5000 help CMD explains one subcommand.";

// The exit statuses, and commands that run as they stand (a test runs each
// line under "Examples:"; a manual page is made of this help).
std::string ExitStatusAndExamples() {
  return "Exit status:\n"
         "  " +
         std::to_string(kExitOk) +
         "  done\n"
         "  " +
         std::to_string(kExitFailure) +
         "  the command did not succeed: refused by the driver or the controller,\n"
         "     the line failed, no reply\n"
         "  " +
         std::to_string(kExitUsage) +
         "  the command line is wrong\n"
         "\n"
         "Without --port the tool drives its built-in simulator, as the examples do.\n"
         "\n"
         "Examples:\n"
         "  $ kavo5000 demo\n"
         "  $ kavo5000 state 1\n"
         "  $ kavo5000 --flow 5 deliver 1 1 --price 56.40 --volume 10\n"
         "  $ kavo5000 totals 1 1\n"
         "  $ kavo5000 param get 1 29";
}

// A count of seconds: a number, not negative (nor -0).
const CLI::Validator kNotNegative(
    [](std::string& text) -> std::string {
      try {
        std::size_t used = 0;
        const double x = std::stod(text, &used);
        if (used != text.size()) return "must be a number, not \"" + text + "\"";
        if (std::signbit(x)) return "must not be negative";
      } catch (const std::exception&) {
        return "must be a number, not \"" + text + "\"";
      }
      return {};
    },
    "NUMBER ≥ 0", "not negative");

// An amount as it travels: hundredths, so at most two decimals, in plain
// digits, echoed back exactly as typed (the driver has the last word on how
// large a field is; a number longer than any field is refused here).
const CLI::Validator kAmount(
    [](std::string& text) -> std::string {
      if (const auto refusal = AmountTextRefusal(text)) return *refusal;
      return {};
    },
    "AMOUNT", "amount");

// A driver subcommand: on success its callback leaves the work to be done on
// the session.
CLI::App* DriverCommand(CLI::App& app, Invocation& inv, const std::string& name,
                        const std::string& help, int (*run)(Session&, const CommandValues&)) {
  CLI::App* sub = app.add_subcommand(name, help);
  sub->callback([&inv, run, name] {
    inv.global.command = name;
    inv.withDriver = [&inv, run](Session& s) { return run(s, inv.values); };
  });
  return sub;
}

void Dispenser(CLI::App* sub, Invocation& inv) {
  sub->add_option("D", inv.values.dispenser, "dispenser on the channel")
      ->required()
      ->check(CLI::Range(0, kavo5000::kLastDispenser));
}

// A nozzle a reading command may name; without it, the driver's own.
void PickedNozzle(CLI::App* sub, Invocation& inv) {
  sub->add_option("N", inv.values.pickedNozzle,
                  "nozzle on the dispenser (default: the one this run started, else 1)")
      ->check(CLI::Range(0, kavo5000::kLastNozzle));
}

void Nozzle(CLI::App* sub, Invocation& inv) {
  sub->add_option("N", inv.values.nozzle, "nozzle on the dispenser (0 counts as 1)")
      ->required()
      ->check(CLI::Range(0, kavo5000::kLastNozzle));
}

void AmountArg(CLI::App* sub, Invocation& inv, const std::string& name, const std::string& help) {
  sub->add_option(name, inv.values.amount, help)->required()->check(kAmount);
}

// A parameter by its nozzle address and its code in the catalogue.
void AddressAndCode(CLI::App* sub, CommandValues& v) {
  sub->add_option("--address", v.address, "nozzle address V");
  sub->add_option("--code", v.code, "parameter code (kavo5000 params list)");
  sub->add_option("--name", v.name,
                  "instead of --code: a part of the parameter's name that only it has, in any "
                  "case");
}

void SessionOptions(CLI::App& app, GlobalOptions& g) {
  app.add_option("--port", g.port,
                 "sim (default), a serial device [DEVICE[:BAUD[:FRAMING]]] or tcp://HOST:PORT")
      ->group(kSessionGroup);
  app.add_option("--channel", g.channel, "the driver's channel (default 1)")
      ->check(CLI::Range(kavo5000::kFirstChannel, kavo5000::kLastChannel))
      ->group(kSessionGroup);
  app.add_option("--config", g.config, "the configuration byte handed to GetVM30 (default 0)")
      ->check(CLI::Range(0, kMaxConfigByte))
      ->group(kSessionGroup);
  app.add_option("--nozzles", g.nozzles, "nozzles per dispenser (overrides the byte's low bits)")
      ->check(CLI::Range(1, kavo5000::kLastNozzle))
      ->group(kSessionGroup);
  app.add_option("--timeout", g.timeoutMs,
                 "first-byte timeout in ms, from the end of the frame (default 250)")
      ->check(CLI::Range(1, kMaxTimeoutMs))
      ->group(kSessionGroup);
  app.add_option("--inter-byte", g.interByteMs, "inter-byte timeout in ms (default 20)")
      ->check(CLI::Range(1, kMaxTimeoutMs))
      ->group(kSessionGroup);
  app.add_option("--trace", g.trace, "append every exchange to FILE as JSON lines")
      ->group(kSessionGroup);
  app.add_flag("--verbose", g.verbose, "print every frame and reply in hex, decoded, on stderr")
      ->group(kSessionGroup);
  app.add_option("--module", g.module,
                 "the driver module (default: $KAVO5000_MODULE, then next to the tool, then on "
                 "POSIX systems where it is installed or built)")
      ->group(kSessionGroup);
}

void SimulatorOptions(CLI::App& app, SimOptions& sim) {
  app.add_option("--controllers", sim.controllers, "simulated controllers at addresses 1..N")
      ->check(CLI::Range(1, kMaxControllers))
      ->group(kSimGroup);
  app.add_option("--flow", sim.flow, "litres per second while fuel runs (default 0.5)")
      ->check(CLI::PositiveNumber)
      ->group(kSimGroup);
  app.add_option("--lift-after", sim.liftAfter,
                 "the customer lifts the nozzle S seconds after a start (default 1)")
      ->check(kNotNegative)
      ->group(kSimGroup);
  app.add_option("--hang-after", sim.hangAfter,
                 "and hangs it up S seconds after the delivery ends (default 3)")
      ->check(kNotNegative)
      ->group(kSimGroup);
  app.add_flag_callback(
         "--no-customer",
         [&sim] {
           sim.liftAfter.reset();
           sim.hangAfter.reset();
         },
         "nobody lifts or hangs a nozzle")
      ->group(kSimGroup);
  app.add_option("--faults", sim.faults, "inject faults, e.g. T:refuse*1,#3:drop (see below)")
      ->group(kSimGroup);
  app.add_option("--baud", sim.baud, "line rate the answers are paced at (default 4800; 0: none)")
      ->check(CLI::Range(0, kMaxBaud))
      ->group(kSimGroup);
  app.add_option("--turnaround", sim.turnaroundMs, "pause before an answer, in ms (default 5)")
      ->check(CLI::Range(0, kMaxTurnaroundMs))
      ->group(kSimGroup);
}

// `param set` takes D NUMBER VALUE, or only VALUE with --address and --code.
int RunParamSetWords(Session& s, const CommandValues& given) {
  CommandValues v = given;
  if (v.address || v.code || v.name) {
    if (v.words.size() != 1) throw UsageError("param set --address V --code C takes one VALUE");
    v.value = v.words[0];
    return RunParamSetAt(s, v);
  }
  if (v.words.size() != 3) throw UsageError("param set takes D NUMBER VALUE");
  const auto dispenser = WholeNumber(v.words[0]);
  const auto number = WholeNumber(v.words[1]);
  const auto fitsInt = [](const std::optional<long long>& n) {
    return n && *n >= std::numeric_limits<int>::min() && *n <= std::numeric_limits<int>::max();
  };
  if (!fitsInt(dispenser) || !fitsInt(number))
    throw UsageError("param set: D and NUMBER are whole numbers");
  v.dispenser = static_cast<int>(*dispenser);
  v.number = static_cast<int>(*number);
  v.value = v.words[2];
  return RunParamSet(s, v);
}

void DeclareDriverCommands(CLI::App& app, Invocation& inv) {
  CommandValues& v = inv.values;
  CLI::App* sub =
      DriverCommand(app, inv, "state", "every nozzle's state and the summary (GetSost)", RunState);
  Dispenser(sub, inv);

  sub =
      DriverCommand(app, inv, "watch", "follow a dispenser's nozzles live until Ctrl-C", RunWatch);
  Dispenser(sub, inv);
  sub->add_flag("--once", v.once, "print the table once and end");
  sub->add_option("--interval", v.intervalMs, "refresh every MS milliseconds (default 500)")
      ->check(CLI::Range(1, kMaxIntervalMs));

  sub = DriverCommand(app, inv, "type", "the dispenser type, read on the way to the counters",
                      RunType);
  Dispenser(sub, inv);

  sub = DriverCommand(app, inv, "price", "set a nozzle's unit price (SetPrice)", RunPrice);
  Dispenser(sub, inv);
  Nozzle(sub, inv);
  AmountArg(sub, inv, "PRICE", "money units per litre, two decimals");

  sub = DriverCommand(app, inv, "preset-volume", "preset a delivery by volume (PresetVolume)",
                      RunPresetVolume);
  Dispenser(sub, inv);
  Nozzle(sub, inv);
  AmountArg(sub, inv, "LITRES", "litres, two decimals");

  sub = DriverCommand(app, inv, "preset-money", "preset a delivery by money (PresetMoney)",
                      RunPresetMoney);
  Dispenser(sub, inv);
  Nozzle(sub, inv);
  AmountArg(sub, inv, "MONEY", "money units, two decimals");
  sub->add_option("--price", v.price, "set the nozzle's price first (the driver needs one)")
      ->check(kAmount);

  sub = DriverCommand(app, inv, "deliver",
                      "a whole delivery: price, preset, start, followed live, closed, counters",
                      RunDeliver);
  Dispenser(sub, inv);
  Nozzle(sub, inv);
  CLI::Option* volume =
      sub->add_option("--volume", v.volume, "preset litres, two decimals")->check(kAmount);
  CLI::Option* money =
      sub->add_option("--money", v.money, "preset money, two decimals")->check(kAmount);
  volume->excludes(money);
  sub->add_option("--price", v.price, "set the nozzle's price first (a money preset needs one)")
      ->check(kAmount);
  sub->callback([&inv, sub] {
    if (sub->count("--volume") + sub->count("--money") != 1) {
      throw CLI::ParseError("deliver needs --volume LITRES or --money MONEY",
                            CLI::ExitCodes::RequiredError);
    }
    inv.global.command = "deliver";
    inv.withDriver = [&inv](Session& s) { return RunDeliver(s, inv.values); };
  });

  sub = DriverCommand(app, inv, "start", "authorise a nozzle (StartPump; --ex: StartPumpEx)",
                      RunStart);
  Dispenser(sub, inv);
  Nozzle(sub, inv);
  sub->add_flag("--ex", v.extended, "extended start: close, 'U', then '2'");

  sub = DriverCommand(app, inv, "stop", "stop the pump (StopPump)", RunStop);
  Dispenser(sub, inv);
  Nozzle(sub, inv);

  sub = DriverCommand(app, inv, "close", "close the nozzle's transaction", RunClose);
  Dispenser(sub, inv);
  Nozzle(sub, inv);

  sub = DriverCommand(app, inv, "delivery",
                      "volume and money of the running delivery (GetDeliveredVolume)", RunDelivery);
  Dispenser(sub, inv);
  PickedNozzle(sub, inv);

  sub = DriverCommand(app, inv, "counters",
                      "a nozzle's delivery counters: what its last delivery came to "
                      "(GetDeliveryCounters)",
                      RunCounters);
  Dispenser(sub, inv);
  PickedNozzle(sub, inv);

  sub = DriverCommand(app, inv, "recover",
                      "finish a delivery another run left open: find its nozzle, wait for its "
                      "end (or stop it), read and close it, print the sale",
                      RunRecover);
  Dispenser(sub, inv);
  sub->add_option("--nozzle", v.pickedNozzle, "the nozzle, when more than one has a delivery open")
      ->check(CLI::Range(0, kavo5000::kLastNozzle));
  sub->add_flag("--stop", v.stop, "stop the pump now rather than wait for the delivery's end");
  sub->add_option("--wait", v.waitSeconds,
                  "give up when the delivery has not ended after S seconds (default 120)")
      ->check(CLI::PositiveNumber);

  // `totals D N` reads them, `totals set D N LITRES` writes the volume total.
  CLI::App* totals = app.add_subcommand("totals", "a nozzle's total counters (GetTotalCounters)");
  totals->require_subcommand(0, 1);
  totals->add_option("D", v.dispenser, "dispenser on the channel")
      ->check(CLI::Range(0, kavo5000::kLastDispenser));
  totals->add_option("N", v.nozzle, "nozzle on the dispenser")
      ->check(CLI::Range(0, kavo5000::kLastNozzle));
  totals->callback([&inv, totals] {
    if (!totals->get_subcommands().empty()) return;
    if (totals->count("D") == 0 || totals->count("N") == 0) {
      throw CLI::RequiredError("totals needs D N (or: totals set D N LITRES)");
    }
    inv.global.command = "totals";
    inv.withDriver = [&inv](Session& s) { return RunTotals(s, inv.values); };
  });
  sub = DriverCommand(*totals, inv, "set", "write a nozzle's volume total (SetTotalCounter)",
                      RunTotalsSet);
  Dispenser(sub, inv);
  Nozzle(sub, inv);
  AmountArg(sub, inv, "LITRES", "the new volume total in litres");

  CLI::App* param = app.add_subcommand("param", "one controller parameter");
  param->require_subcommand(1);
  sub = DriverCommand(*param, inv, "get",
                      "read a parameter: D NUMBER (host number), or --address V --code C",
                      RunParamGet);
  sub->add_option("D", v.dispenser, "dispenser on the channel")
      ->check(CLI::Range(0, kavo5000::kLastDispenser));
  sub->add_option("NUMBER", v.number, ParamNumberHelp())->check(kNotNegative);
  AddressAndCode(sub, v);
  sub = DriverCommand(*param, inv, "set",
                      "write a parameter: D NUMBER VALUE (raw), or --address V --code C VALUE "
                      "(in the parameter's unit: 1.50, a choice's number or text, -5 degrees)",
                      RunParamSetWords);
  sub->add_option("ARGS", v.words, "D NUMBER VALUE, or VALUE with --address and --code")
      ->required();
  AddressAndCode(sub, v);

  CLI::App* params = app.add_subcommand("params", "every controller parameter");
  params->require_subcommand(1);
  sub = DriverCommand(*params, inv, "read",
                      "every parameter of a nozzle address, with the catalogue's names",
                      RunParamsRead);
  sub->add_option("--address", v.address, "nozzle address V")->required();
  sub->add_flag("--keep-going", v.keepGoing, "read on after three silent rows in a row");
  // save, load and diff: a nozzle's whole set against a file, D N FILE.
  const auto fileCommand = [&](const char* name, const char* help, auto run, const char* file) {
    CLI::App* command = DriverCommand(*params, inv, name, help, run);
    Dispenser(command, inv);
    Nozzle(command, inv);
    command->add_option("FILE", v.value, file)->required();
    return command;
  };
  fileCommand("save", "read a nozzle's every parameter into FILE (JSON: code, name, raw, text)",
              RunParamsSave, "the file to write");
  sub =
      fileCommand("load", "write a saved set to a nozzle: only what differs, each write read back",
                  RunParamsLoad, "a file of kavo5000 params save");
  sub->add_flag("--dry-run", v.dryRun, "say what would be written, write nothing");
  fileCommand("diff", "compare a nozzle's parameters with a saved set (exit 1 when they differ)",
              RunParamsDiff, "a file of kavo5000 params save");
  sub = params->add_subcommand("list", "the catalogue: codes, names, units, limits, choices");
  sub->add_flag("--json", v.json, "as JSON");
  sub->callback([&inv] { inv.alone = [&inv] { return RunParamsList(inv.values); }; });

  sub = DriverCommand(app, inv, "switch", "a common switch on every controller of the line",
                      RunSwitch);
  sub->add_option("CODE", v.number, "switch code 0..8 (params list shows 0..4)")
      ->required()
      ->check(CLI::Range(0, kMaxSwitchCode));
  sub->add_option("VALUE", v.value, "one digit 0..9")->required();

  sub = DriverCommand(app, inv, "calibrate",
                      "write a nozzle's calibration coefficient behind the password", RunCalibrate);
  Dispenser(sub, inv);
  Nozzle(sub, inv);
  sub->add_option("COEFFICIENT", v.number, "the coefficient, up to 5 digits")
      ->required()
      ->check(kNotNegative);

  CLI::App* address = app.add_subcommand("address", "nozzle addresses");
  address->require_subcommand(1);
  sub = DriverCommand(*address, inv, "program",
                      "give the controller with an identification number a line address",
                      RunAddressProgram);
  sub->add_option("--id", v.id,
                  "identification number (`switch 1 1` shows it on the dispenser's display)")
      ->required()
      ->check(CLI::Range(0LL, kMaxIdentification));
  sub->add_option("--address", v.address, "new nozzle address")
      ->required()
      ->check(CLI::Range(1, kMaxLineAddress));

  sub = DriverCommand(app, inv, "scan",
                      "which controllers answer at nozzle addresses 1..64, with progress on a "
                      "terminal's stderr (no reply carries an identification number)",
                      RunScan);
  sub->add_option_function<std::string>(
      "--range",
      [&v](const std::string& range) {
        const auto dash = range.find('-');
        const auto first = WholeNumber(range.substr(0, dash));
        const auto last = dash == std::string::npos ? first : WholeNumber(range.substr(dash + 1));
        if (!first || !last || *first < 0 || *last < 0 || *first > kMaxLineAddress ||
            *last > kMaxLineAddress) {
          throw CLI::ValidationError("--range", "FIRST-LAST within 1-99, e.g. 1-32");
        }
        v.first = static_cast<int>(*first);
        v.last = static_cast<int>(*last);
      },
      "FIRST-LAST (default 1-64)");
}

}  // namespace

void DeclareCommands(CLI::App& app, Invocation& inv, bool inShell) {
  app.fallthrough();
  if (!inShell) {
    SessionOptions(app, inv.global);
    SimulatorOptions(app, inv.global.sim);
  }
  DeclareDriverCommands(app, inv);
  if (!inShell) DeclareStandalone(app, inv);
  CLI::App* help = app.add_subcommand("help", "explain a subcommand: help CMD");
  help->add_option("CMD", inv.values.words, "the subcommand's words");
  help->callback([&inv, &app] {
    inv.alone = [&inv, &app] {
      const CLI::App* target = &app;
      std::string path = app.get_name();
      for (const std::string& word : inv.values.words) {
        if (target != &app) path += " " + target->get_name();
        target = target->get_subcommand(word);
      }
      std::printf("%s", target == &app ? app.help().c_str() : target->help(path).c_str());
      return kExitOk;
    };
  });
  // Set after the subcommands, which would inherit it: their help is their own.
  app.footer(inShell ? std::string(kOverview) +
                           "\n\nIn the shell also: wait SECONDS (pause the script), quit."
                     : std::string(kOverview) + "\n\n" + ExitStatusAndExamples());
}

}  // namespace kavo5000::tool
