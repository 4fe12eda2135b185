// A whole delivery through the module, LineHostPort and a simulated line
// (in-process, pseudo-terminal, TCP): price, preset, start, the customer's
// lift, the states a host polls, the driver's own close, the counters; and
// scripted controller states as the driver maps them.
#include <gtest/gtest.h>

#include <set>

#include "IntegrationRig.h"

namespace kavo5000::testing {
namespace {

using std::chrono::milliseconds;

constexpr std::uint8_t kClassMask = 0xF8;
constexpr std::uint8_t kIdle = 0xC0;
constexpr std::uint8_t kAuthorised = 0xC8;
constexpr std::uint8_t kDelivering = 0xD0;
constexpr std::uint8_t kDone = 0xD8;
constexpr std::uint8_t kLifted = 0xE0;
constexpr double kStartVolumeTotal = 10482.35;  // the simulator's default line
constexpr double kStartMoneyTotal = 472905.12;

class Delivery : public ::testing::TestWithParam<Via> {};

std::uint16_t NozzleOne(Rig& rig) {
  kavo5000::StateRecord record{};
  rig.driver().GetSost(rig.channel(), 1, 1, &record);
  return record.Nozzle[0];
}

TEST_P(Delivery, RunsTheWholeCycleAndTheDriverClosesIt) {
  Rig rig(GetParam(), {});
  auto& d = rig.driver();
  const Byte ch = rig.channel();
  d.SetPrice(ch, 1, 1, 0, 0, 50.0);
  ASSERT_EQ(rig.Status(), 1);
  d.PresetVolume(ch, 1, 1, 0, 2.0);
  ASSERT_EQ(rig.Status(), 1);
  d.StartPump(ch, 1, 1);
  ASSERT_EQ(rig.Status(), 1);

  std::set<std::uint8_t> classes;
  bool closed = false;
  double lastLitres = 0;
  for (int poll = 0; poll < 100 && !closed; ++poll) {
    rig.Wait(milliseconds(100));
    double money = 0;
    const double litres = d.GetDeliveredVolume(ch, 1, &money);
    ASSERT_EQ(rig.Status(), 1);
    EXPECT_GE(litres, lastLitres);
    EXPECT_NEAR(money, litres * 50.0, 0.01);
    lastLitres = litres;
    const std::uint16_t code = NozzleOne(rig);
    ASSERT_EQ(rig.Status(), 1);
    const std::uint8_t cls = code & kClassMask;
    classes.insert(cls);
    closed = classes.count(kDone) != 0 && (cls == kIdle || cls == kLifted);
  }
  ASSERT_TRUE(closed) << "the delivery never ended";
  EXPECT_EQ(classes.count(kAuthorised), 1u);
  EXPECT_EQ(classes.count(kDelivering), 1u);
  EXPECT_DOUBLE_EQ(lastLitres, 2.0);

  double litres = 0;
  double money = 0;
  d.GetDeliveryCounters(ch, 1, &litres, &money);
  EXPECT_EQ(rig.Status(), 1);
  EXPECT_DOUBLE_EQ(litres, 2.0);
  EXPECT_DOUBLE_EQ(money, 100.0);
  double volume = 0;
  double total = 0;
  d.GetTotalCounters(ch, 1, 1, &volume, &total, 0);
  EXPECT_EQ(rig.Status(), 1);
  EXPECT_NEAR(volume, kStartVolumeTotal + 2.0, 1e-6);
  EXPECT_NEAR(total, kStartMoneyTotal + 100.0, 1e-6);
  // The transaction is closed: the nozzle takes a new price and a new start.
  d.SetPrice(ch, 1, 1, 0, 0, 51.0);
  EXPECT_EQ(rig.Status(), 1);
}

TEST_P(Delivery, MoneyPresetAndExtendedStart) {
  Rig rig(GetParam(), {});
  auto& d = rig.driver();
  const Byte ch = rig.channel();
  constexpr std::int32_t kNozzle = 2;
  d.SetPrice(ch, 1, kNozzle, 0, 0, 40.0);
  d.PresetMoney(ch, 1, kNozzle, 0, 60.0);  // sent as 1.50 l: money as volume (configuration 0)
  ASSERT_EQ(rig.Status(), 1);
  d.StartPumpEx(ch, 1, kNozzle, false);
  ASSERT_EQ(rig.Status(), 1);
  // Within a litre of the preset the driver already reports the delivery
  // done; the transaction is closed once the nozzle shows lifted or idle.
  bool done = false;
  bool closed = false;
  for (int poll = 0; poll < 100 && !closed; ++poll) {
    rig.Wait(milliseconds(100));
    double money = 0;
    d.GetDeliveredVolume(ch, 1, &money);
    kavo5000::StateRecord record{};
    d.GetSost(ch, 1, kNozzle, &record);
    const std::uint8_t cls = record.Nozzle[kNozzle - 1] & kClassMask;
    done = done || cls == kDone;
    closed = done && (cls == kIdle || cls == kLifted);
  }
  ASSERT_TRUE(closed);
  double litres = 0;
  double money = 0;
  d.GetDeliveryCounters(ch, 1, &litres, &money);
  EXPECT_DOUBLE_EQ(litres, 1.5);
  EXPECT_DOUBLE_EQ(money, 60.0);
}

TEST_P(Delivery, SetsATotalCounter) {
  Rig rig(GetParam(), {});
  auto& d = rig.driver();
  d.SetTotalCounter(rig.channel(), 1, 1, 250.5, 0);
  EXPECT_EQ(rig.Status(), 1);
  double volume = 0;
  double money = 0;
  d.GetTotalCounters(rig.channel(), 1, 1, &volume, &money, 0);
  EXPECT_DOUBLE_EQ(volume, 250.5);
}

TEST_P(Delivery, ScriptedStatesAreMappedAndThenTheRealOneReturns) {
  Rig rig(GetParam(), {"1:state=70/30/10/4/2"});
  EXPECT_EQ(NozzleOne(rig), 0x37);  // a controller byte outside '0'..'6' passes through
  EXPECT_EQ(NozzleOne(rig), 0xD9);  // '3': done, with the nozzle number
  EXPECT_EQ(NozzleOne(rig), 0xE1);  // lifted
  EXPECT_EQ(NozzleOne(rig), 0xC8);  // '4' with the end byte as r2
  EXPECT_EQ(NozzleOne(rig), 0xC8);  // authorised
  EXPECT_EQ(NozzleOne(rig), 0xC0);  // the script is over: idle
  EXPECT_EQ(rig.Status(), 1);
}

TEST_P(Delivery, StateQueriesUnderFaults) {
  struct Case {
    const char* fault;
    Byte status;
    std::uint16_t code;
  };
  const Case cases[] = {
      {"1:drop*1", 2, 0},       {"1:truncate=5*1", 3, 0}, {"1:corrupt*1", 4, 0},
      {"1:garbage*1", 1, 0xC0}, {"1:refuse*1", 3, 0},
  };
  Rig rig(GetParam(), {});
  for (const Case& c : cases) {
    rig.Restart(c.fault);
    EXPECT_EQ(NozzleOne(rig), c.code) << c.fault;
    EXPECT_EQ(rig.Status(), c.status) << c.fault;
    EXPECT_EQ(NozzleOne(rig), 0xC0) << "after " << c.fault;
    EXPECT_EQ(rig.Status(), 1) << "after " << c.fault;
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, Delivery, ::testing::Values(Via::kInProcess, Via::kPty, Via::kTcp),
                         [](const auto& info) { return ViaName(info.param); });

}  // namespace
}  // namespace kavo5000::testing
