// The kavo5000 tool from the outside: the decode subcommand, and the command
// line's answers (output, exit codes, one-line errors).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "ToolRun.h"

namespace kavo5000::tool {
namespace {

using testing::Tool;
using testing::ToolRun;

TEST(ToolDecode, NamesAddressCommandAndChecksum) {
  const ToolRun r = Tool("decode 7F 02 21 5E 37 48 03 03 55");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("nozzle address 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("'7' (37): dispenser type"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("checksum 55: good"), std::string::npos) << r.out;
}

TEST(ToolCommandLine, ErrorsAreOneLineWithTheirExitCode) {
  struct Case {
    const char* args;
    int exitCode;
    const char* expected;
  };
  const Case cases[] = {
      {"bogus", 2, "kavo5000: unknown subcommand \"bogus\""},
      {"--port sim bogus 1", 2, "kavo5000: unknown subcommand \"bogus\""},
      {"--channel 2", 2, "kavo5000: no subcommand given"},
      {"--channel 1 price 40 1 10", 2, "D: Value 40 not in range 0 to 32"},
      {"price 1 1", 2, "PRICE is required"},
      {"price 1 1 abc", 2, "must be an amount in plain digits, e.g. 12.50, not \"abc\""},
      {"price 1 1 -3", 2, "must not be negative"},
      // An amount is sent and echoed exactly as typed, or refused.
      {"price 1 1 -0.00", 2, "must not be negative, not \"-0.00\""},
      {"price 1 1 12.345", 2, "has more than two decimals (12.345)"},
      {"price 1 1 1e1", 2, "not \"1e1\""},
      {"totals set 1 1 123456789012345678", 2, "more whole digits than any amount"},
      {"-- bogus 1", 2, "unknown subcommand \"bogus\""},
      {"state 1 --frobnicate", 2, "not expected: --frobnicate"},
      {"state 1 --port tcp://nowhere", 2, "expected tcp://HOST:PORT"},
      {"state 1 --faults T:explode", 2, "unknown action"},
      {"state 1 --module /nonexistent/lib.so", 1, "driver module not found"},
      {"decode 7F 2", 2, "decode takes bytes in hex"},
      {"simulate", 2, "exactly one of --pty and --tcp"},
      {"state 1 --port /nonexistent/tty", 1, "cannot open channel 1"},
      {"param get --address 5", 2, "needs both --address V and --code C"},
      {"param set --address 5 --code 23 7.50", 2, "outside 0.01 to 5.00 л; nothing was sent"},
      {"param set --address 5 --code 36 warm", 2, "a temperature is a whole number"},
      // Channels beyond the driver's tables are refused by the parser (this
      // once killed the tool with the module unloaded under its exception).
      {"state 1 --channel 21", 2, "--channel: Value 21 not in range 1 to 20"},
      {"state 1 --channel 255", 2, "--channel: Value 255 not in range 1 to 20"},
      // A value the parameter's digits cannot hold is refused, not cut.
      {"param set 1 33 1000", 2, "1000 is outside 1..500"},
      {"param set 1 3 250", 2, "common switch 3: 250 is outside 0..9"},
      // Numbers are whole or refused, never read up to the first stray letter.
      {"param set 1x 3 2", 2, "D and NUMBER are whole numbers"},
      {"scan --range 1-2x", 2, "FIRST-LAST within 1-99"},
      {"scan --range 1-4000000000", 2, "FIRST-LAST within 1-99"},
      // A nozzle beyond the dispenser's four would drive dispenser 2's first.
      {"price 1 5 11.11", 2, "its nozzle 5 would be dispenser 2 nozzle 1 on the line; nothing"},
      {"totals 1 5", 2, "its nozzle 5 would be dispenser 2 nozzle 1"},
      {"preset-volume 1 3 2 --nozzles 2", 2, "dispenser 1 has 2 nozzles"},
      {"param get 1 250", 2, "parameter 250 belongs to nozzle 5"},
      {"state 0", 2, "dispenser 0 has no nozzle address on the line"},
      {"price 1 1 99999999", 2, "price 99999999.00 is outside 0.00 to 99.99"},
      {"preset-money 1 1 100", 2, "needs the nozzle's price"},
      {"preset-money 1 1 60000 --price 50", 2, "is 1200.00 l, above 999.99 l"},
      {"state 1 --port /dev/null:4800:7X1", 2, "framing \"7X1\" is not data bits"},
      {"deliver 1 1", 2, "kavo5000: deliver needs --volume LITRES or --money MONEY (kavo5000"},
      {"recover 1 --nozzle 5", 2, "its nozzle 5 would be dispenser 2 nozzle 1"},
  };
  for (const Case& c : cases) {
    const ToolRun r = Tool(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(c.expected), std::string::npos) << c.args << "\n" << r.out;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << c.args << ": not one line\n" << r.out;
  }
}

TEST(ToolCommandLine, EverySubcommandExplainsItself) {
  const char* subcommands[] = {"demo",         "state",       "watch",
                               "type",         "price",       "preset-volume",
                               "preset-money", "start",       "stop",
                               "close",        "delivery",    "counters",
                               "totals",       "totals set",  "param get",
                               "param set",    "params read", "params list",
                               "switch",       "calibrate",   "address program",
                               "scan",         "decode",      "simulate",
                               "shell",        "deliver",     "params save",
                               "params load",  "params diff"};
  for (const char* s : subcommands) {
    const std::string usage = std::string("Usage: kavo5000 ") + s;
    const ToolRun help = Tool(std::string("help ") + s);
    EXPECT_EQ(help.exitCode, 0) << s;
    EXPECT_NE(help.out.find(usage), std::string::npos) << help.out;
    const ToolRun flag = Tool(std::string(s) + " --help");
    EXPECT_EQ(flag.exitCode, 0) << s;
    EXPECT_NE(flag.out.find(usage), std::string::npos) << flag.out;
  }
  const ToolRun version = Tool("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("kavo5000 ", 0), 0u) << version.out;
}

}  // namespace
}  // namespace kavo5000::tool
