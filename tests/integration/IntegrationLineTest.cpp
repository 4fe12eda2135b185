// The module against a simulated line, through LineHostPort, in-process, over
// a pseudo-terminal and over TCP: parameters, address programming, refusals,
// every injected fault and its outcome, and a transport that dies.
#include <gtest/gtest.h>

#include "IntegrationRig.h"

namespace kavo5000::testing {
namespace {

using std::chrono::milliseconds;

// Host parameter numbers: 10 + (nozzle − 1) × 60 + index.
constexpr std::int32_t kVersion = 10 + 19;      // nozzle 1, index 19: software version
constexpr std::int32_t kMinimumDose = 10 + 23;  // nozzle 1, index 23: three digits
constexpr std::int32_t kCoefficient = 10 + 27;  // nozzle 1, index 27: behind the password
constexpr std::int32_t kProgramAddress = 9;
constexpr std::int32_t kFactoryVersion = 107;

class Integration : public ::testing::TestWithParam<Via> {};

TEST_P(Integration, ReadsAndWritesParameters) {
  Rig rig(GetParam(), {});
  auto& d = rig.driver();
  EXPECT_EQ(d.GetParam(rig.channel(), 1, kVersion), kFactoryVersion);
  EXPECT_EQ(rig.Status(), 1);
  d.SetParam(rig.channel(), 1, kMinimumDose, 250);
  EXPECT_EQ(rig.Status(), 1);
  EXPECT_EQ(d.GetParam(rig.channel(), 1, kMinimumDose), 250);
  // The same index of nozzle 2 belongs to another controller.
  EXPECT_NE(d.GetParam(rig.channel(), 1, kMinimumDose + 60), 250);
  EXPECT_EQ(rig.Status(), 1);
}

TEST_P(Integration, ProgramsALineAddressAndRefusesATakenOne) {
  Rig rig(GetParam(), {});
  auto& d = rig.driver();
  const Byte ch = rig.channel();
  // Controller 10002 sits at address 2 (dispenser 1, nozzle 2); move it to 12
  // (dispenser 3, nozzle 4 with four nozzles per dispenser).
  d.SetParam(ch, 1, kProgramAddress, 10002 * 100 + 12);
  EXPECT_EQ(rig.Status(), 1);
  EXPECT_EQ(d.GetParam(ch, 3, kavo5000::HostParamNumber(4, 19)), kFactoryVersion);
  EXPECT_EQ(rig.Status(), 1);
  EXPECT_EQ(d.GetParam(ch, 1, 10 + 60 + 19), -1);  // nobody at 2 any more
  EXPECT_EQ(rig.Status(), host::kLineNoReply);

  d.SetParam(ch, 1, kProgramAddress, 10003 * 100 + 1);  // 1 is taken
  EXPECT_EQ(rig.Status(), 0x18);
  EXPECT_THROW(d.SetParam(ch, 1, kProgramAddress, 77777 * 100 + 5), kavo5000::ESerialIO);
  EXPECT_EQ(d.GetParam(ch, 1, kVersion), kFactoryVersion);  // the line still works
}

TEST_P(Integration, RefusalsBecomeTheOperationsCodes) {
  Rig rig(GetParam(), {});
  auto& d = rig.driver();
  const Byte ch = rig.channel();
  d.SetParam(ch, 1, kCoefficient, 12345);  // no password given
  EXPECT_EQ(rig.Status(), 0x17);

  d.SetPrice(ch, 1, 1, 0, 0, 50.0);
  ASSERT_EQ(rig.Status(), 1);
  d.StartPump(ch, 1, 1);
  ASSERT_EQ(rig.Status(), 1);
  rig.Wait(milliseconds(400));  // the customer has lifted the nozzle: fuel runs
  d.PresetVolume(ch, 1, 1, 0, 5.0);
  EXPECT_EQ(rig.Status(), 0x12);
  d.StartPump(ch, 1, 1);
  EXPECT_EQ(rig.Status(), 0x10);
  d.SetPrice(ch, 1, 1, 0, 0, 60.0);  // refused: the driver stops and closes
  EXPECT_EQ(rig.Status(), 0x15);
  d.StopPump(ch, 1, 1, true);
  EXPECT_EQ(rig.Status(), 1);
  d.SetPrice(ch, 1, 1, 0, 0, 60.0);  // stopped and closed: a price goes in again
  EXPECT_EQ(rig.Status(), 1);
}

TEST_P(Integration, EachInjectedFaultHasItsOutcomeAndTheLineRecovers) {
  struct Case {
    const char* fault;
    Byte status;
    std::int32_t value;
  };
  const Case cases[] = {
      {"N:drop*1", host::kLineNoReply, -1},
      {"N:mute*1", host::kLineNoReply, -1},
      {"N:delay=600*1", host::kLineNoReply, -1},
      {"N:delay=60*1", 1, kFactoryVersion},
      {"N:truncate=4*1", 3, -1},
      {"N:corrupt*1", host::kLineIncomplete, -1},    // checksum
      {"N:corrupt=2*1", 3, -1},                      // a complement
      {"N:corrupt=0*1", host::kLineIncomplete, -1},  // the start byte
      {"N:garbage*1", 1, kFactoryVersion},
      {"N:refuse*1", 0x17, -1},
      // The check starts at the first byte that can begin a reply, garbage or not.
      {"N:garbage=02*1", 3, -1},     // opens a data reply the real one cannot finish
      {"N:garbage=FF02*1", 3, -1},   // the same after bytes that begin none
      {"N:garbage=06*1", 3, -1},     // taken for the whole reply: too short
      {"N:garbage=15*1", 3, -1},     // likewise
      {"N:garbage=18*1", 0x17, -1},  // taken for a refusal
  };
  Rig rig(GetParam(), {});
  auto& d = rig.driver();
  for (const Case& c : cases) {
    rig.Restart(c.fault);
    EXPECT_EQ(d.GetParam(rig.channel(), 1, kVersion), c.value) << c.fault;
    EXPECT_EQ(rig.Status(), c.status) << c.fault;
    EXPECT_EQ(d.GetParam(rig.channel(), 1, kVersion), kFactoryVersion) << "after " << c.fault;
    EXPECT_EQ(rig.Status(), 1) << "after " << c.fault;
  }
}

// A command's control reply: a start byte in the garbage decides the outcome
// whatever the controller answered. (The rest of its answer still follows on
// a served line, so each case gets a fresh line.)
TEST_P(Integration, AStartByteInGarbageOverridesACommandsAnswer) {
  struct Case {
    const char* fault;
    Byte status;
  };
  const Case cases[] = {
      {"Q:garbage=18*1", 0x15},          // accepted, read as refused
      {"Q:refuse*1,Q:garbage=06*1", 1},  // refused, read as accepted
      {"Q:refuse*1,Q:garbage=15*1", 1},  // refused, read as accepted
      {"Q:garbage=02*1", 3},             // no reply can be read
  };
  Rig rig(GetParam(), {});
  for (const Case& c : cases) {
    rig.Restart(c.fault);
    rig.driver().SetPrice(rig.channel(), 1, 1, 0, 0, 50.0);
    EXPECT_EQ(rig.Status(), c.status) << c.fault;
  }
}

// Only a served line can die under the port.
class IntegrationServed : public ::testing::TestWithParam<Via> {};

TEST_P(IntegrationServed, ADeadTransportRaisesAndOnlyThen) {
  Rig rig(GetParam(), {});
  auto& d = rig.driver();
  ASSERT_EQ(d.GetParam(rig.channel(), 1, kVersion), kFactoryVersion);
  rig.KillServer();
  try {
    d.GetParam(rig.channel(), 1, kVersion);
    FAIL() << "no exception";
  } catch (const kavo5000::ESerialIO& e) {
    EXPECT_STREQ(e.what(), "Can't GetParam");
  }
  EXPECT_NE(rig.port().GetLastError(rig.channel()), 0);
}

INSTANTIATE_TEST_SUITE_P(Lines, Integration,
                         ::testing::Values(Via::kInProcess, Via::kPty, Via::kTcp),
                         [](const auto& info) { return ViaName(info.param); });
INSTANTIATE_TEST_SUITE_P(Lines, IntegrationServed, ::testing::Values(Via::kPty, Via::kTcp),
                         [](const auto& info) { return ViaName(info.param); });

}  // namespace
}  // namespace kavo5000::testing
