// main.cpp — the kavo5000 tool: drives controllers on a serial line, a TCP
// serial server or the built-in simulator through the driver module, decodes
// frames, and serves the simulator. One subcommand per invocation.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Cli.h"
#include "Commands.h"
#include "Session.h"

namespace kavo5000::tool {

namespace {

struct Subcommand {
  std::vector<std::string> words;  // "param", "get"
  const char* arguments;           // what follows the words
  std::size_t minArgs;
  std::size_t maxArgs;
  const char* summary;
  std::vector<OptionSpec> options;  // besides the global and simulator options
  bool drivesModule;                // takes the global options
  int (*run)(const Positional&, const Args&);
};

const std::vector<Subcommand>& Subcommands() {
  static const std::vector<Subcommand> table = {
      {{"demo"},
       "",
       0,
       0,
       "a whole delivery on the built-in simulator, followed live",
       {},
       true,
       RunDemo},
      {{"state"},
       "D",
       1,
       1,
       "every nozzle's state and the dispenser's summary (GetSost)",
       {},
       true,
       RunState},
      {{"type"},
       "D",
       1,
       1,
       "the dispenser type, read on the way to the delivery counters",
       {},
       true,
       RunType},
      {{"price"}, "D N PRICE", 3, 3, "set a nozzle's unit price (SetPrice)", {}, true, RunPrice},
      {{"preset-volume"},
       "D N LITRES",
       3,
       3,
       "preset a delivery by volume (PresetVolume)",
       {},
       true,
       RunPresetVolume},
      {{"preset-money"},
       "D N MONEY",
       3,
       3,
       "preset a delivery by money (PresetMoney)",
       {{"price", "PRICE", "set the nozzle's price first (the driver needs one to convert)"}},
       true,
       RunPresetMoney},
      {{"start"},
       "D N",
       2,
       2,
       "authorise a nozzle (StartPump; --ex: StartPumpEx with preparation)",
       {{"ex", nullptr, "extended start: close, 'U', then '2'"}},
       true,
       RunStart},
      {{"stop"}, "D N", 2, 2, "stop the pump (StopPump)", {}, true, RunStop},
      {{"close"},
       "D N",
       2,
       2,
       "close the nozzle's transaction (StopAndClose without the stop)",
       {},
       true,
       RunClose},
      {{"delivery"},
       "D",
       1,
       1,
       "volume and money of the running delivery (GetDeliveredVolume)",
       {},
       true,
       RunDelivery},
      {{"counters"},
       "D",
       1,
       1,
       "the delivery counters of the active nozzle (GetDeliveryCounters)",
       {},
       true,
       RunCounters},
      {{"totals"},
       "D N",
       2,
       2,
       "a nozzle's volume and money totals (GetTotalCounters)",
       {},
       true,
       RunTotals},
      {{"param", "get"},
       "D NUMBER",
       2,
       2,
       "read a parameter by host number (GetParam; 10 + (nozzle-1)*60 + index)",
       {},
       true,
       RunParamGet},
      {{"param", "set"},
       "D NUMBER VALUE",
       3,
       3,
       "write a parameter by host number (SetParam; 0..8: common switches)",
       {},
       true,
       RunParamSet},
      {{"params", "read"},
       "--address V",
       0,
       0,
       "every controller parameter of one nozzle address, with names and values",
       {{"address", "V", "the nozzle address (linear nozzle number)"}},
       true,
       RunParamsRead},
      {{"address", "program"},
       "--id ID --address A",
       0,
       0,
       "give the controller with an identification number a line address",
       {{"id", "ID", "identification number"}, {"address", "A", "new nozzle address, 1..99"}},
       true,
       RunAddressProgram},
      {{"decode"}, "HEX...", 1, 255, "annotate a command frame or a reply", {}, false, RunDecode},
      {{"simulate"},
       "",
       0,
       0,
       "serve a simulated line on a pseudo-terminal or TCP loopback",
       {{"pty", nullptr, "create a pseudo-terminal pair; prints the slave's path"},
        {"tcp", "PORT",
         "listen on 127.0.0.1:PORT (0: any free port); prints tcp://127.0.0.1:PORT"}},
       false,
       RunSimulate},
  };
  return table;
}

std::string Name(const Subcommand& c) {
  std::string out;
  for (const auto& w : c.words) out += (out.empty() ? "" : " ") + w;
  return out;
}

std::vector<OptionSpec> OptionsOf(const Subcommand& c) {
  std::vector<OptionSpec> all = c.options;
  if (c.drivesModule) {
    const auto& g = GlobalOptionSpecs();
    all.insert(all.end(), g.begin(), g.end());
  } else {
    all.push_back({"help", nullptr, "explain the subcommand"});
  }
  if (c.drivesModule || c.run == RunSimulate) {
    const auto& s = SimOptionSpecs();
    all.insert(all.end(), s.begin(), s.end());
  }
  return all;
}

void PrintOptions(const std::vector<OptionSpec>& options) {
  for (const OptionSpec& o : options) {
    std::string left =
        std::string("--") + o.name + (o.value != nullptr ? std::string(" ") + o.value : "");
    std::printf("  %-20s %s\n", left.c_str(), o.help);
  }
}

void PrintOverview() {
  std::printf(
      "usage: kavo5000 SUBCOMMAND [ARGS] [OPTIONS]\n\n"
      "Drives \"Каво 5000\" controllers through the Kavo5000 driver module, on a serial\n"
      "line, a TCP serial server or the built-in simulator.\n\nsubcommands:\n");
  for (const Subcommand& c : Subcommands()) {
    const std::string left =
        Name(c) + (c.arguments[0] != '\0' ? std::string(" ") + c.arguments : "");
    std::printf("  %-30s %s\n", left.c_str(), c.summary);
  }
  std::printf("\noptions of the driver subcommands:\n");
  PrintOptions(GlobalOptionSpecs());
  std::printf("\nsimulator options (with --port sim, and for simulate):\n");
  PrintOptions(SimOptionSpecs());
  std::printf("\nkavo5000 SUBCOMMAND --help explains one subcommand.\n");
}

void PrintHelp(const Subcommand& c) {
  std::printf("usage: kavo5000 %s%s%s [OPTIONS]\n\n%s\n", Name(c).c_str(),
              c.arguments[0] != '\0' ? " " : "", c.arguments, c.summary);
  if (!c.options.empty()) {
    std::printf("\noptions:\n");
    PrintOptions(c.options);
  }
  if (c.drivesModule) {
    std::printf("\ncommon options:\n");
    PrintOptions(GlobalOptionSpecs());
  }
  if (c.drivesModule || c.run == RunSimulate) {
    std::printf("\nsimulator options%s:\n", c.drivesModule ? " (with --port sim)" : "");
    PrintOptions(SimOptionSpecs());
  }
}

// Whether some subcommand's option of this name takes a value.
bool TakesValue(const std::string& name) {
  auto in = [&](const std::vector<OptionSpec>& specs) {
    return std::any_of(specs.begin(), specs.end(),
                       [&](const OptionSpec& o) { return o.value != nullptr && name == o.name; });
  };
  if (in(GlobalOptionSpecs()) || in(SimOptionSpecs())) return true;
  const auto& all = Subcommands();
  return std::any_of(all.begin(), all.end(), [&](const Subcommand& c) { return in(c.options); });
}

const Subcommand* Find(const std::vector<std::string>& argv, std::string& firstWord) {
  // The words come first among the arguments; options, with their values, may
  // stand anywhere, before the subcommand too (kavo5000 --port sim state 1).
  std::vector<std::string> words;
  for (std::size_t i = 0; i < argv.size() && words.size() < 2; ++i) {
    const std::string& a = argv[i];
    if (a.rfind("--", 0) == 0) {
      if (a.find('=') == std::string::npos && TakesValue(a.substr(2))) ++i;
      continue;
    }
    words.push_back(a);
  }
  firstWord = words.empty() ? std::string() : words.front();
  for (const Subcommand& c : Subcommands()) {
    if (words.size() >= c.words.size() &&
        std::equal(c.words.begin(), c.words.end(), words.begin())) {
      return &c;
    }
  }
  return nullptr;
}

int Main(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0] == "--help" || argv[0] == "help") {
    PrintOverview();
    return argv.empty() ? kExitUsage : kExitOk;
  }
  std::string firstWord;
  const Subcommand* c = Find(argv, firstWord);
  if (c == nullptr && firstWord.empty()) {
    throw UsageError("no subcommand given (kavo5000 --help lists them)");
  }
  if (c == nullptr) {
    throw UsageError("unknown subcommand \"" + firstWord + "\" (kavo5000 --help lists them)");
  }
  const Args args = ParseArgs(argv, OptionsOf(*c));
  if (args.Flag("help")) {
    PrintHelp(*c);
    return kExitOk;
  }
  const Positional rest(args.positional.begin() + static_cast<std::ptrdiff_t>(c->words.size()),
                        args.positional.end());
  if (rest.size() < c->minArgs || rest.size() > c->maxArgs) {
    throw UsageError("usage: kavo5000 " + Name(*c) + (c->arguments[0] != '\0' ? " " : "") +
                     c->arguments + " (kavo5000 " + Name(*c) + " --help)");
  }
  return c->run(rest, args);
}

}  // namespace

}  // namespace kavo5000::tool

int main(int argc, char** argv) {
  using namespace kavo5000::tool;
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return Main(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kavo5000: %s\n", e.what());
    return kExitUsage;
  } catch (const ToolError& e) {
    std::fprintf(stderr, "kavo5000: %s\n", e.what());
    return kExitFailure;
  } catch (const kavo5000::Exception& e) {
    std::fprintf(stderr, "kavo5000: %s\n", e.what());
    return kExitFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kavo5000: %s\n", e.what());
    return kExitFailure;
  }
}
