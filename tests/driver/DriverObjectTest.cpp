// The driver object itself: configuration byte, description, channel status,
// options, the current driver, opening channels and the refusal of numbers
// outside the tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "Bounds.h"
#include "DriverProbe.h"
#include "Messages.h"
#include "ScriptedPort.h"
#include "VM30.h"

namespace kavo5000::driver {
namespace {

using testing::ScriptedPort;

struct ConfigCase {
  Byte config;
  int nozzles;
  bool moneyAsVolume;
  bool startConfirmV;
  bool noStartRefusal;
};

class ConfigTest : public ::testing::TestWithParam<ConfigCase> {};

// The header's decoding, which hosts and tools use too, and the driver's.
TEST_P(ConfigTest, DecodesTheConfigurationByte) {
  const ConfigCase& c = GetParam();
  const DriverConfig decoded = DecodeConfig(c.config);
  EXPECT_EQ(decoded.NozzlesPerDispenser, c.nozzles);
  EXPECT_EQ(NozzlesPerDispenser(c.config), c.nozzles);
  EXPECT_EQ(decoded.MoneyAsVolume, c.moneyAsVolume);
  EXPECT_EQ(decoded.StartConfirmV, c.startConfirmV);
  EXPECT_EQ(decoded.NoStartRefusal, c.noStartRefusal);
  VM30Driver driver(c.config, 0, nullptr);
  const DriverConfig& used = DriverProbe(driver).Config();
  EXPECT_EQ(used.NozzlesPerDispenser, c.nozzles);
  EXPECT_EQ(used.MoneyAsVolume, c.moneyAsVolume);
  EXPECT_EQ(used.StartConfirmV, c.startConfirmV);
  EXPECT_EQ(used.NoStartRefusal, c.noStartRefusal);
}

INSTANTIATE_TEST_SUITE_P(Bytes, ConfigTest,
                         ::testing::Values(ConfigCase{0x00, 4, true, false, false},
                                           ConfigCase{0x10, 0, false, false, false},
                                           ConfigCase{0x40, 0, true, true, false},
                                           ConfigCase{0xC3, 3, true, true, true},
                                           ConfigCase{0x0F, 15, true, false, false},
                                           ConfigCase{0x20, 0, true, false, false},
                                           ConfigCase{0x41, 1, true, true, false},
                                           ConfigCase{0x92, 2, false, false, true}));

TEST(DriverObjectTest, StartsWithEveryTableZero) {
  VM30Driver driver(0, 0, nullptr);
  for (int ch = kFirstChannel; ch <= kLastChannel; ++ch) {
    EXPECT_EQ(driver.GetChannelStatus(static_cast<Byte>(ch)), 0);
    for (int d = 0; d <= kLastDispenser; ++d) {
      EXPECT_EQ(DriverProbe(driver).Tables().ActiveNozzles[ch][d], 0);
      EXPECT_EQ(DriverProbe(driver).Tables().PresetVolumes[ch][d], 0.0);
      EXPECT_EQ(DriverProbe(driver).Tables().DispenserTypes[ch][d], 0);
      for (int n = kFirstNozzle; n <= kLastNozzle; ++n)
        EXPECT_EQ(DriverProbe(driver).Tables().Prices[ch][d][n], 0.0);
    }
  }
}

TEST(DriverObjectTest, DescriptionIsThirtyThreeWindows1251Bytes) {
  VM30Driver driver(0, 0, nullptr);
  ShortString s;
  std::memset(&s, 0xAA, sizeof s);
  driver.Description(&s);
  const unsigned char expected[33] = {32,   'v',  '2',  '.',  '4',  '1',  '#',  0xCF, 0xF0,
                                      0xEE, 0xF2, 0xEE, 0xEA, 0xEE, 0xEB, ' ',  0xEA, 0xEE,
                                      0xEB, 0xEE, 0xED, 0xEE, 0xEA, ' ',  0xCA, 0xE0, 0xE2,
                                      0xEE, ' ',  '5',  '0',  '0',  '0'};
  EXPECT_EQ(std::memcmp(&s, expected, sizeof expected), 0);
  const auto* raw = reinterpret_cast<const unsigned char*>(&s);
  for (std::size_t i = sizeof expected; i < sizeof s; ++i) EXPECT_EQ(raw[i], 0xAA) << i;
}

TEST(DriverObjectTest, ChannelStatusIsTheHostsToSetAndRead) {
  VM30Driver driver(0, 0, nullptr);
  EXPECT_EQ(driver.GetChannelStatus(5), 0);
  driver.SetChannelStatus(5, 7);
  EXPECT_EQ(driver.GetChannelStatus(5), 7);
  EXPECT_EQ(driver.GetChannelStatus(6), 0);
  // Channels the tables do not hold are ignored and read as 0.
  for (Byte ch : {0, 21, 255}) {
    driver.SetChannelStatus(ch, 9);
    EXPECT_EQ(driver.GetChannelStatus(ch), 0);
  }
}

TEST(DriverObjectTest, QueryOptionMapsItsCodes) {
  VM30Driver driver(0, 0, nullptr);
  const struct {
    std::int32_t code;
    bool known;
    std::int32_t value;
  } cases[] = {{1, true, 1}, {2, true, 0},   {3, true, 0},   {4, true, 1},
               {5, true, 1}, {0, false, -7}, {6, false, -7}, {-1, false, -7}};
  for (const auto& c : cases) {
    std::int32_t value = -7;
    EXPECT_EQ(driver.QueryOption(c.code, &value), c.known) << c.code;
    EXPECT_EQ(value, c.value) << c.code;
  }
}

TEST(DriverObjectTest, ReservedSlotsDoNothing) {
  ScriptedPort port;
  VM30Driver driver(0, 0, &port);
  EXPECT_FALSE(driver.Reserved5(99));
  driver.Reserved12(1, 2, 3);
  EXPECT_TRUE(port.Calls().empty());
}

TEST(DriverObjectTest, SlotZeroIsAbstract) {
  VM30Driver driver(0, 0, nullptr);
  try {
    driver.Abstract0();
    FAIL();
  } catch (const kavo5000::Exception& e) {
    EXPECT_STREQ(e.what(), "Abstract Error");
  }
}

TEST(DriverObjectTest, CurrentDriverIsTheLatestAndNeverDangles) {
  auto first = std::make_unique<VM30Driver>(0, 11, nullptr);
  auto second = std::make_unique<VM30Driver>(0x10, 22, nullptr);
  EXPECT_EQ(CurrentDriver(), second.get());
  EXPECT_EQ(ApplicationHandle(), 22u);
  // Independent objects.
  second->SetChannelStatus(1, 4);
  EXPECT_EQ(first->GetChannelStatus(1), 0);
  EXPECT_NE(DriverProbe(*first).Config().NozzlesPerDispenser,
            DriverProbe(*second).Config().NozzlesPerDispenser);
  first.reset();
  EXPECT_EQ(CurrentDriver(), second.get());
  second.reset();
  EXPECT_EQ(CurrentDriver(), nullptr);
}

TEST(DriverObjectTest, OpenChannelAsksThePortWithTheProtocolsSettings) {
  ScriptedPort port;
  port.SetOpenResult(17);
  VM30Driver driver(0, 0, &port);
  EXPECT_EQ(driver.OpenChannel(3), 17);
  const auto calls = port.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].name, "Open");
  EXPECT_EQ(calls[0].channel, 3);
  EXPECT_EQ(calls[0].arg, 42);
  EXPECT_EQ(calls[0].arg2, 4800);
}

TEST(DriverObjectTest, OpenChannelRefusesChannelsOutsideTheTables) {
  ScriptedPort port;
  VM30Driver driver(0, 0, &port);
  for (Byte ch : {0, 21}) {
    try {
      driver.OpenChannel(ch);
      FAIL() << int(ch);
    } catch (const kavo5000::Exception& e) {
      EXPECT_STREQ(e.what(), kMsgChannelRange);
    }
  }
  EXPECT_TRUE(port.Calls().empty());
}

TEST(BoundsTest, RefusesNumbersOutsideTheTablesWithTheirMessages) {
  const struct {
    std::function<void()> check;
    const char* message;
  } refusals[] = {
      {[] { CheckChannel(0); }, kMsgChannelRange},
      {[] { CheckChannel(21); }, kMsgChannelRange},
      {[] { CheckChannel(-1); }, kMsgChannelRange},
      {[] { CheckDispenser(33); }, kMsgDispenserRange},
      {[] { CheckDispenser(-1); }, kMsgDispenserRange},
      {[] { CheckNozzle(16, 0); }, kMsgNozzleRange},
      {[] { CheckNozzle(-1, 4); }, kMsgNozzleRange},
      {[] { CheckNozzle(5, 4); }, kMsgNozzleRange},  // dispenser 2's first on the wire
      {[] { CheckNozzle(2, 1); }, kMsgNozzleRange},
      {[] { CheckAmount(-0.01, 4); }, kMsgInvalidValue},
      {[] { CheckAmount(100.0, 4); }, kMsgInvalidValue},
      {[] { CheckAmount(99.995, 4); }, kMsgInvalidValue},  // rounds to 10000
      {[] { CheckAmount(std::nan(""), 5); }, kMsgInvalidValue},
      {[] { CheckAmount(HUGE_VAL, 5); }, kMsgInvalidValue},
      {[] { CheckParamIndex(60); }, kMsgInvalidValue},
      {[] { CheckParamIndex(-1); }, kMsgInvalidValue},
      {[] { CheckParamValue(-1); }, kMsgInvalidValue},
  };
  for (const auto& r : refusals) {
    try {
      r.check();
      ADD_FAILURE() << "accepted; expected " << r.message;
    } catch (const kavo5000::Exception& e) {
      EXPECT_STREQ(e.what(), r.message);
    }
  }
}

TEST(BoundsTest, AcceptsTheEdgesOfTheTables) {
  EXPECT_EQ(CheckChannel(1), 1);
  EXPECT_EQ(CheckChannel(20), 20);
  EXPECT_NO_THROW(CheckDispenser(0));
  EXPECT_NO_THROW(CheckDispenser(32));
  EXPECT_EQ(CheckNozzle(0, 4), 1);
  EXPECT_EQ(CheckNozzle(4, 4), 4);
  EXPECT_EQ(CheckNozzle(15, 15), 15);
  EXPECT_EQ(CheckNozzle(15, 0), 15);  // no nozzles per dispenser: the table's bound alone
  EXPECT_NO_THROW(CheckAmount(99.99, 4));
  EXPECT_NO_THROW(CheckAmount(0.0, 4));
  EXPECT_NO_THROW(CheckParamIndex(59));
}

}  // namespace
}  // namespace kavo5000::driver
