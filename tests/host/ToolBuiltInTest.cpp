// The kavo5000 tool on its built-in simulator (`--port sim`), which runs in
// real time: commands that reach the line, and the one-line errors of a
// refusal and of a silent controller.
#include <gtest/gtest.h>

#include <string>

#include "ToolRun.h"

namespace kavo5000::testing {
namespace {

TEST(ToolBuiltIn, DrivesTheBuiltInSimulator) {
  const ToolRun price = Tool("price 1 2 47.10");
  EXPECT_EQ(price.exitCode, 0) << price.out;
  EXPECT_EQ(price.out, "dispenser 1 nozzle 2: price 47.10\n");
  const ToolRun param = Tool("param get 1 29");
  EXPECT_EQ(param.exitCode, 0) << param.out;
  EXPECT_EQ(param.out, "dispenser 1 parameter 29 (nozzle 1, index 19): 107\n");
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

}  // namespace
}  // namespace kavo5000::testing
