// The fault syntax: what parses into which rule, what is refused with which
// complaint, and how rules are used up and applied to an answer.
#include <gtest/gtest.h>

#include <string>

#include "Faults.h"

namespace kavo5000::sim {
namespace {

TEST(SimFaultSpec, ParsesEachKindOfRule) {
  FaultRule r = ParseFaultRule("T:refuse");
  EXPECT_EQ(r.target, FaultRule::Target::kCommand);
  EXPECT_EQ(r.command, 'T');
  EXPECT_EQ(r.action, FaultAction::kRefuse);
  EXPECT_FALSE(r.remaining);

  r = ParseFaultRule("#3:truncate=5");
  EXPECT_EQ(r.target, FaultRule::Target::kExchange);
  EXPECT_EQ(r.exchange, 3u);
  EXPECT_EQ(r.number, 5);

  r = ParseFaultRule("*@2:delay=300*4");
  EXPECT_EQ(r.target, FaultRule::Target::kAny);
  EXPECT_EQ(r.address, 2);
  EXPECT_EQ(r.action, FaultAction::kDelay);
  EXPECT_EQ(r.number, 300);
  EXPECT_EQ(r.remaining, 4u);

  r = ParseFaultRule("1:garbage");
  EXPECT_EQ(r.garbage, (Bytes{0xFF, 0x00, 0x7E}));
  r = ParseFaultRule("1:garbage=AA55");
  EXPECT_EQ(r.garbage, (Bytes{0xAA, 0x55}));

  r = ParseFaultRule("1:state=10/4/41");
  ASSERT_EQ(r.states.size(), 3u);
  EXPECT_EQ(r.states[1], (Bytes{'4'}));
  EXPECT_EQ(r.remaining, 3u);

  r = ParseFaultRule("]:mute*1");
  EXPECT_EQ(r.command, ']');
  EXPECT_EQ(r.action, FaultAction::kMute);
}

TEST(SimFaultSpec, ComplainsAboutWhatDoesNotParse) {
  const char* bad[] = {"T",          "T:explode",   "TT:refuse",    "#0:drop",
                       "#x:drop",    "T:delay",     "T:delay=-5",   "T:garbage=XYZ",
                       "1:state=",   "1:state=123", "1:state=10*2", "T:refuse*x",
                       "T@a:refuse", "T:drop=3"};
  for (const char* spec : bad) {
    EXPECT_THROW(FaultPlan::Parse(spec), FaultSpecError) << spec;
  }
  EXPECT_EQ(FaultPlan::Parse("T:refuse,,2:drop*1,").Size(), 2u);
  EXPECT_TRUE(FaultPlan::Parse("").Empty());
}

// Rules that parse but could never hit anything are refused, each saying why.
TEST(SimFaultSpec, RefusesRulesThatCouldNeverHit) {
  struct Case {
    const char* spec;
    const char* complaint;
  };
  const Case cases[] = {
      {"1@0:refuse", "the nozzle address is 1..999"},
      {"*@1000:drop", "the nozzle address is 1..999"},
      {"X:refuse", "\"X\" is no command character (1 2 3 4 5 6 7 8 N O Q S T U V W ])"},
      {"t:refuse", "is no command character"},
      {"*:corrupt=999", "byte 999 is beyond the longest answer (bytes 0..254)"},
      {"W@3:drop", "\"W\" frames carry no nozzle address"},
      {"T:state=10", "a state script answers state queries ('1') only"},
  };
  for (const Case& c : cases) {
    try {
      FaultPlan::Parse(c.spec);
      ADD_FAILURE() << "accepted " << c.spec;
    } catch (const FaultSpecError& e) {
      EXPECT_NE(std::string(e.what()).find(c.complaint), std::string::npos) << e.what();
    }
  }
  for (const char* edge : {"1@999:drop", "*:corrupt=254", "]:mute", "#4:state=41"}) {
    EXPECT_NO_THROW(FaultPlan::Parse(edge)) << edge;
  }
}

TEST(SimFaultPlan, RulesMatchTheirTargetAndAreUsedUp) {
  FaultPlan plan = FaultPlan::Parse("T:refuse*2,#5:drop,2@3:mute,1:state=10/41");
  EXPECT_TRUE(plan.Decide(1, 'T', 1).refuse);
  EXPECT_FALSE(plan.Decide(2, 'Q', 1).refuse);
  EXPECT_TRUE(plan.Decide(3, 'T', 1).refuse);
  EXPECT_FALSE(plan.Decide(4, 'T', 1).refuse);  // used up
  EXPECT_TRUE(plan.Decide(5, 'Q', 1).drop);
  EXPECT_FALSE(plan.Decide(6, '2', 1).mute);  // another address
  EXPECT_TRUE(plan.Decide(7, '2', 3).mute);
  EXPECT_EQ(plan.Decide(8, '1', 1).state, (Bytes{'1', '0'}));
  EXPECT_FALSE(plan.Decide(9, '4', 1).state);  // scripts answer state queries only
  EXPECT_EQ(plan.Decide(10, '1', 1).state, (Bytes{'4', '1'}));
  EXPECT_FALSE(plan.Decide(11, '1', 1).state);  // the script has ended
}

TEST(SimFaultPlan, DelaysAddUp) {
  FaultPlan plan = FaultPlan::Parse("*:delay=100,5:delay=50");
  EXPECT_EQ(plan.Decide(1, '5', 1).delay, std::chrono::milliseconds(150));
  EXPECT_EQ(plan.Decide(2, '1', 1).delay, std::chrono::milliseconds(100));
}

TEST(SimFaultTransforms, CutFlipAndPrefixTheAnswer) {
  const Bytes reply = {0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x42};
  struct Case {
    const char* rule;
    Bytes expected;
  };
  const Case cases[] = {
      {"*:truncate", {0x02, 0x31, 0x4E, 0x30}},
      {"*:truncate=1", {0x02}},
      {"*:truncate=99", reply},
      {"*:corrupt", {0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x43}},
      {"*:corrupt=2", {0x02, 0x31, 0x4F, 0x30, 0x4F, 0x03, 0x03, 0x42}},
      {"*:garbage=AA", {0xAA, 0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x42}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ApplyTransforms(reply, {ParseFaultRule(c.rule)}), c.expected) << c.rule;
  }
}

}  // namespace
}  // namespace kavo5000::sim
