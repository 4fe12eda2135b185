// The kavo5000 tool on its built-in simulator (`--port sim`), which runs in
// real time: commands that reach the line, and the one-line errors of a
// refusal and of a silent controller.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "ToolRun.h"

namespace kavo5000::testing {
namespace {

TEST(ToolBuiltIn, DrivesTheBuiltInSimulator) {
  // "--" ends the options before the subcommand.
  const ToolRun price = Tool("--channel 1 -- price 1 2 47.10");
  EXPECT_EQ(price.exitCode, 0) << price.out;
  EXPECT_EQ(price.out, "dispenser 1 nozzle 2: price 47.10\n");
  const ToolRun param = Tool("param get 1 29");
  EXPECT_EQ(param.exitCode, 0) << param.out;
  EXPECT_EQ(
      param.out,
      "dispenser 1 parameter 29 (nozzle 1, index 19): 107  Номер версии ПО контроллера ТРК\n");
  const ToolRun address = Tool("address program --id 10005 --address 20");
  EXPECT_EQ(address.exitCode, 0) << address.out;
  const ToolRun taken = Tool("address program --id 10005 --address 1");
  EXPECT_EQ(taken.exitCode, 1) << taken.out;
  EXPECT_NE(taken.out.find("refused the address"), std::string::npos) << taken.out;
}

TEST(ToolBuiltIn, RefusalAndSilenceAreOneLineErrors) {
  struct Case {
    const char* args;
    const char* expected;
  };
  const Case cases[] = {
      {"preset-volume 1 1 12.5 --faults T:refuse", "refused the volume preset (status 0x12)"},
      {"param get 1 29 --faults N:drop", "no reply from the controller"},
      // A close and an extended start's preparation carry no code of their
      // own when refused; the tool reads the refusal off the line.
      {"close 1 1 --faults 8:refuse", "close: the controller refused '8'"},
      {"start 1 1 --ex --faults U:refuse", "start: the controller refused 'U'"},
      // Status 3 alone would say "malformed" for each of these.
      {"totals 1 1 --faults 6:drop", "no reply from the controller to '6'"},
      {"state 1 --faults 1:refuse", "the controller refused '1'"},
      {"counters 1 --faults 5:refuse", "the controller refused '5'"},
  };
  for (const Case& c : cases) {
    const ToolRun r = Tool(c.args);
    EXPECT_EQ(r.exitCode, 1) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(c.expected), std::string::npos) << c.args << "\n" << r.out;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << c.args << ": not one line\n" << r.out;
  }
}

// A figure no sound reply gave is "not read" with exit 1, never 0.00 with
// exit 0: every reading command, its reply lost or its figure out of reach.
TEST(ToolBuiltIn, NoCommandPrintsAReadingItDidNotTake) {
  struct Case {
    const char* args;
    const char* expected;
    const char* never;
  };
  const Case cases[] = {
      // The volume reply carries no money, and this run set no price.
      {"delivery 1", "delivered 0.00 l, money not read", "l, 0.00"},
      {"delivery 1 --faults 4:drop", "no reply from the controller to '4'", "0.00"},
      {"delivery 1 2 --faults 4:drop", "nozzle 2: not read: no reply in time", "0.00"},
      {"counters 1 --faults 5:drop", "no reply from the controller to '5'", "0.00"},
      {"counters 1 3 --faults 7:drop", "nozzle 3: not read: no reply in time", "0.00"},
      {"totals 1 1 --faults 6:drop", "no reply from the controller to '6'", "0.00"},
      {"state 1 --faults 1:drop", "no reply from the controller to '1'", "idle"},
      {"watch 1 --once --faults 1:drop", "no reply from the controller to '1'", "idle"},
      {"type 1 --faults 7:drop", "no valid reply to '7'", "type 1"},
      {"param get 1 29 --faults N:drop", "no reply from the controller to 'N'", "107"},
      {"params read --address 1 --faults 'N@1:drop'", "no controller answers at nozzle address 1",
       "107"},
      {"recover 1 --faults 1:drop", "nozzle 1: not read: no reply in time", "sale"},
  };
  for (const Case& c : cases) {
    const ToolRun r = Tool(c.args);
    EXPECT_EQ(r.exitCode, 1) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(c.expected), std::string::npos) << c.args << "\n" << r.out;
    EXPECT_EQ(r.out.find(c.never), std::string::npos) << c.args << "\n" << r.out;
  }
}

TEST(ToolBuiltIn, AConfigurationByteWithoutNozzlesIsNamed) {
  const ToolRun r = Tool("state 1 --config 0x10");
  EXPECT_NE(r.out.find("warning: configuration byte 0x10 means 0 nozzles per dispenser"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("0x14 keeps 4"), std::string::npos) << r.out;
}

TEST(ToolBuiltIn, ADemoWithoutACustomerEndsAfterItsWait) {
  const ToolRun r = Tool("demo --no-customer --wait 0.5");
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find("did not end within 0.50 s (--wait)"), std::string::npos) << r.out;
}

// Runs a shell script on one session of the built-in simulator. The script's
// file is named after the test, since ctest runs tests side by side.
ToolRun Shell(const std::string& script, const std::string& options) {
  const std::string path = ::testing::TempDir() + "kavo5000-shell-" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
  std::ofstream(path) << script;
  return Tool("shell " + options + " < " + path);
}

// One driver for the whole session: the price, the active nozzle and the
// dispensed volume stay known between lines, so the counters of nozzle 2 come
// back right and the state query does not close a running delivery.
TEST(ToolShell, RunsAWholeDeliveryOnNozzleTwo) {
  const ToolRun r = Shell(
      "price 1 2 50.00\n"
      "preset-volume 1 2 5.00\n"
      "start 1 2\n"
      "wait 0.8\n"
      "watch 1 --once\n"
      "wait 3.0\n"
      "state 1\n"
      "counters 1\n"
      "quit\n",
      "--flow 2 --lift-after 0.2 --hang-after 0.3");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("delivering (nozzle 2)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("dispenser 1: delivery done, code 0xD8 from nozzle 2"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("dispenser 1 nozzle 2: delivery 5.00 l, 250.00"), std::string::npos)
      << r.out;
}

// A delivery in one command, and a watch of a dispenser this session did not
// preset: the driver, knowing no preset, closes the delivery it sees, the
// controller refuses that close (nozzle address 5 answers "delivering" and
// refuses '8'), and the watch says so and fails instead of reporting a
// finished delivery.
TEST(ToolShell, DeliversInOneCommandAndAWatchWithoutThePresetSaysSo) {
  const ToolRun r = Shell(
      "deliver 1 2 --money 100 --price 52.40\n"
      "watch 2 --once\n",
      "--flow 4 --lift-after 0 --hang-after 0.2 --faults '1@5:state=40,8@5:refuse'");
  EXPECT_EQ(r.exitCode, 1) << r.out;
  for (const char* line : {
           "dispenser 1 nozzle 2: price 52.40\n",
           "dispenser 1 nozzle 2: preset 100.00 (money), sent as 1.90 l at 52.40 (99.56): money "
           "travels as volume with this configuration byte (0x14 sends money)\n",
           "dispenser 1 nozzle 2: started\n",
           "delivery closed by the driver\n",
           "delivery: 1.90 l, 99.56\n",
           "note: this run did not preset dispenser 2",
           "dispenser 2 on channel 1: delivering: the controller refused the close\n",
           "watch: the controller refused the close ('8') the driver sent for dispenser 2",
       }) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
  EXPECT_EQ(r.out.find("dispenser 2 on channel 1: delivery done"), std::string::npos) << r.out;
}

// A nozzle's set-up saved, one value changed, the set loaded back (first only
// said, then written and read back) and compared: only the changed row moves.
TEST(ToolShell, AParameterSetRoundTripsThroughAFile) {
  const std::string file = ::testing::TempDir() + "kavo5000-set.json";
  const ToolRun r = Shell("params save 1 2 " + file +
                              "\n"
                              "param set --address 2 --code 23 2.50\n"
                              "params load 1 2 " +
                              file + " --dry-run\nparams diff 1 2 " + file + "\nparams load 1 2 " +
                              file + "\nparams diff 1 2 " + file + "\n",
                          "--baud 0");
  for (const std::string& line : {
           "dispenser 1 nozzle 2: 46 parameters saved to " + file + "\n",
           std::string("  code 23  would write 2.00 л (now 2.50 л)  Минимальная доза отпуска\n"),
           "dispenser 1 nozzle 2: 1 would be written, 0 skipped, 45 already as in " + file + "\n",
           "dispenser 1 nozzle 2: 1 of 46 parameters differ from " + file + "\n",
           std::string("  code 23  written 2.00 л (read back)  Минимальная доза отпуска\n"),
           "dispenser 1 nozzle 2: 0 of 46 parameters differ from " + file + "\n",
       }) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
  // The dry run wrote nothing: the first diff still found the change.
  EXPECT_LT(r.out.find("1 of 46 parameters differ"), r.out.find("written 2.00"));
}

TEST(ToolShell, AFailedLineIsReportedAndTheScriptGoesOn) {
  const ToolRun r = Shell("price 1 1 10\nbogus\nprice 1 1 11\n", "");
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find("unknown subcommand \"bogus\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("price 11.00"), std::string::npos) << r.out;
}

TEST(ToolScan, FindsExactlyTheControllersThatAnswer) {
  // Four controllers at addresses 1..4; the third and fourth are moved to 5
  // and 17 by their identification numbers first.
  const ToolRun r = Shell(
      "address program --id 10003 --address 5\n"
      "address program --id 10004 --address 17\n"
      "scan --range 1-20\n",
      "--controllers 4");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  std::string found;
  for (const char* line : {"address  1 ", "address  2 ", "address  5 ", "address 17 "}) {
    if (r.out.find(line) != std::string::npos) found += line;
  }
  EXPECT_EQ(found, "address  1 address  2 address  5 address 17 ") << r.out;
  // Its last line says how identification numbers are read, since no reply
  // carries one; into a pipe the progress line stays away.
  EXPECT_NE(r.out.find("4 controllers answered\nidentification numbers: no command of the line "
                       "returns one; `kavo5000 switch 1 1` shows"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("scanning address"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace kavo5000::testing
