// Bad input from the host: every refusal comes before any port call, with its
// message, and leaves every table and status as it was.
#include "DriverFixture.h"
#include "Messages.h"

namespace kavo5000::driver {
namespace {

struct BadInputCase {
  const char* name;
  Byte config;
  std::function<void(VM30Driver&)> call;
  const char* message;
};

class BadInputTest : public DriverTest, public ::testing::WithParamInterface<BadInputCase> {};

TEST_P(BadInputTest, IsRefusedBeforeAnythingIsSent) {
  const BadInputCase& c = GetParam();
  Reconfigure(c.config);
  tables().Prices[1][1][1] = 50.0;
  tables().Prices[1][1][2] = 0.0;
  driver->SetChannelStatus(1, 0x42);
  const DriverTables before = tables();
  ExpectThrowWith([&] { c.call(*driver); }, c.message);
  EXPECT_TRUE(port.Calls().empty());
  EXPECT_TRUE(tables() == before);
  EXPECT_EQ(Status(), 0x42);
}

StateRecord scratchRecord;
double scratchA;
double scratchB;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

#define BAD(name, config, call, message)                 \
  BadInputCase {                                         \
    name, config, [](VM30Driver& d) { d.call; }, message \
  }

INSTANTIATE_TEST_SUITE_P(
    Channels, BadInputTest,
    ::testing::Values(BAD("startPump0", 0, StartPump(0, 1, 1), kMsgChannelRange),
                      BAD("startPump21", 0, StartPump(21, 1, 1), kMsgChannelRange),
                      BAD("startPumpEx", 0, StartPumpEx(21, 1, 1, false), kMsgChannelRange),
                      BAD("stopPump", 0, StopPump(-3, 1, 1, true), kMsgChannelRange),
                      BAD("stopActive", 0, StopActiveNozzle(21, 1, true), kMsgChannelRange),
                      BAD("stopAndClose", 0, StopAndClose(0, 1, 1, false), kMsgChannelRange),
                      BAD("presetVolume", 0, PresetVolume(256 + 1, 1, 1, 0, 1.0), kMsgChannelRange),
                      BAD("presetMoney", 0, PresetMoney(21, 1, 1, 0, 1.0), kMsgChannelRange),
                      BAD("setPrice", 0, SetPrice(0, 33, 16, 0, 0, kNaN), kMsgChannelRange),
                      BAD("getParam", 0, GetParam(21, 1, 10), kMsgChannelRange),
                      BAD("setParam", 0, SetParam(0, 1, 10, 1), kMsgChannelRange)),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Dispensers, BadInputTest,
    ::testing::Values(BAD("startPump33", 0, StartPump(1, 33, 1), kMsgDispenserRange),
                      BAD("startPumpNegative", 0, StartPump(1, -1, 1), kMsgDispenserRange),
                      BAD("startPumpEx", 0, StartPumpEx(1, 33, 1, true), kMsgDispenserRange),
                      BAD("stopPump", 0, StopPump(1, 33, 1, true), kMsgDispenserRange),
                      BAD("stopActive", 0, StopActiveNozzle(1, 33, true), kMsgDispenserRange),
                      BAD("stopAndCloseNoStop", 0, StopAndClose(1, 33, 1, false),
                          kMsgDispenserRange),
                      BAD("presetVolume", 0, PresetVolume(1, 33, 16, 0, kNaN), kMsgDispenserRange),
                      BAD("presetMoney", 0, PresetMoney(1, -5, 1, 0, 1.0), kMsgDispenserRange),
                      BAD("setPrice", 0, SetPrice(1, 33, 1, 0, 0, 1.0), kMsgDispenserRange),
                      BAD("getParam", 0, GetParam(1, 33, 10), kMsgDispenserRange),
                      BAD("setParam", 0, SetParam(1, 33, 3, 1), kMsgDispenserRange),
                      BAD("setParamAddress", 0, SetParam(1, -1, 9, 100), kMsgDispenserRange)),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Nozzles, BadInputTest,
    ::testing::Values(BAD("startPump16", 0, StartPump(1, 1, 16), kMsgNozzleRange),
                      BAD("startPumpNegative", 0, StartPump(1, 1, -1), kMsgNozzleRange),
                      BAD("startPumpEx", 0, StartPumpEx(1, 1, 16, false), kMsgNozzleRange),
                      BAD("stopPump", 0, StopPump(1, 1, 16, true), kMsgNozzleRange),
                      BAD("stopAndClose", 0, StopAndClose(1, 1, 16, false), kMsgNozzleRange),
                      BAD("presetVolume", 0, PresetVolume(1, 1, 16, 0, -1.0), kMsgNozzleRange),
                      BAD("presetMoney", 0, PresetMoney(1, 1, 16, 0, 1.0), kMsgNozzleRange),
                      BAD("setPrice", 0, SetPrice(1, 1, 16, 0, 0, 1.0), kMsgNozzleRange),
                      BAD("getParamNozzle16", 0, GetParam(1, 1, kavo5000::HostParamNumber(16, 0)),
                          kMsgNozzleRange),
                      BAD("setParamNozzle16", 0,
                          SetParam(1, 1, kavo5000::HostParamNumber(16, 59), 1), kMsgNozzleRange),
                      // The nozzle comes before the value, as in every slot.
                      BAD("setParamNozzle16NegativeValue", 0,
                          SetParam(1, 1, kavo5000::HostParamNumber(16, 0), -1), kMsgNozzleRange)),
    [](const auto& info) { return std::string(info.param.name); });

// A nozzle above the configured nozzles per dispenser names another
// dispenser's nozzle on the wire (with four, dispenser 1 nozzle 5 is
// dispenser 2 nozzle 1): refused wherever a nozzle becomes an address, also
// when a parameter number names it.
INSTANTIATE_TEST_SUITE_P(
    BeyondTheDispenser, BadInputTest,
    ::testing::Values(BAD("price5of4", 0, SetPrice(1, 1, 5, 0, 0, 11.11), kMsgNozzleRange),
                      BAD("price3of2", 0x02, SetPrice(1, 1, 3, 0, 0, 11.11), kMsgNozzleRange),
                      BAD("start5of4", 0, StartPump(1, 1, 5), kMsgNozzleRange),
                      BAD("startEx2of1", 0x01, StartPumpEx(1, 1, 2, true), kMsgNozzleRange),
                      BAD("stop5of4", 0, StopPump(1, 1, 5, true), kMsgNozzleRange),
                      BAD("close5of4", 0, StopAndClose(1, 1, 5, false), kMsgNozzleRange),
                      BAD("presetVolume5of4", 0, PresetVolume(1, 1, 5, 0, 1.0), kMsgNozzleRange),
                      BAD("presetMoney5of4", 0, PresetMoney(1, 1, 5, 0, 1.0), kMsgNozzleRange),
                      BAD("totals5of4", 0, GetTotalCounters(1, 1, 5, &scratchA, &scratchB, 0),
                          kMsgNozzleRange),
                      BAD("setTotal5of4", 0, SetTotalCounter(1, 1, 5, 1.0, 0), kMsgNozzleRange),
                      BAD("getParamNozzle5of4", 0, GetParam(1, 1, kavo5000::HostParamNumber(5, 0)),
                          kMsgNozzleRange),
                      BAD("setParamNozzle3of2", 0x02,
                          SetParam(1, 1, kavo5000::HostParamNumber(3, 23), 250), kMsgNozzleRange),
                      // Before the value, as every slot orders its refusals.
                      BAD("price5of4NaN", 0, SetPrice(1, 1, 5, 0, 0, kNaN), kMsgNozzleRange)),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Values, BadInputTest,
    ::testing::Values(
        BAD("priceNaN", 0, SetPrice(1, 1, 1, 0, 0, kNaN), kMsgInvalidValue),
        BAD("priceInfinite", 0, SetPrice(1, 1, 1, 0, 0, kInf), kMsgInvalidValue),
        BAD("priceNegative", 0, SetPrice(1, 1, 1, 0, 0, -0.01), kMsgInvalidValue),
        BAD("priceTooLarge", 0, SetPrice(1, 1, 1, 0, 0, 100.0), kMsgInvalidValue),
        BAD("priceRoundsTooLarge", 0, SetPrice(1, 1, 1, 0, 0, 99.995), kMsgInvalidValue),
        BAD("volumeNaN", 0, PresetVolume(1, 1, 1, 0, kNaN), kMsgInvalidValue),
        BAD("volumeNegative", 0, PresetVolume(1, 1, 1, 0, -1.0), kMsgInvalidValue),
        BAD("volumeTooLarge", 0, PresetVolume(1, 1, 1, 0, 1000.0), kMsgInvalidValue),
        BAD("moneyNaN", 0, PresetMoney(1, 1, 1, 0, kNaN), kMsgInvalidValue),
        BAD("moneyInfinite", 0x10, PresetMoney(1, 1, 1, 0, -kInf), kMsgInvalidValue),
        BAD("moneyNegative", 0, PresetMoney(1, 1, 1, 0, -5.0), kMsgInvalidValue),
        BAD("moneyTooLarge", 0x10, PresetMoney(1, 1, 1, 0, 10000.0), kMsgInvalidValue),
        BAD("moneyAsVolumeTooLarge", 0, PresetMoney(1, 1, 1, 0, 50000.0), kMsgInvalidValue),
        BAD("moneyNoPrice", 0, PresetMoney(1, 1, 2, 0, 10.0), kMsgNoPrice),
        BAD("moneyNoPriceAsMoney", 0x10, PresetMoney(1, 1, 2, 0, 10.0), kMsgNoPrice),
        BAD("getParamNegative", 0, GetParam(1, 1, -1), kMsgInvalidValue),
        BAD("setParamNegativeNumber", 0, SetParam(1, 1, -10, 1), kMsgInvalidValue),
        BAD("setParamNegativeValue", 0, SetParam(1, 1, 10, -1), kMsgInvalidValue),
        BAD("switchNegativeValue", 0, SetParam(1, 1, 3, -1), kMsgInvalidValue),
        // A switch value is one digit: 10 would send ':' to every controller,
        // and one near INT32_MAX overflowed '0' + value.
        BAD("switchValue10", 0, SetParam(1, 1, 3, 10), kMsgInvalidValue),
        BAD("switchValueHuge", 0, SetParam(1, 1, 0, 2147483647), kMsgInvalidValue),
        BAD("addressNegative", 0, SetParam(1, 1, 9, -100), kMsgInvalidValue)),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Queries, BadInputTest,
    ::testing::Values(
        BAD("sostChannel", 0, GetSost(0, 1, 4, &scratchRecord), kMsgChannelRange),
        BAD("sostChannel21", 0, GetSost(21, 1, 4, &scratchRecord), kMsgChannelRange),
        BAD("sostDispenser", 0, GetSost(1, 33, 4, &scratchRecord), kMsgDispenserRange),
        BAD("sostNoRecord", 0, GetSost(1, 1, 4, nullptr), kMsgNoResult),
        BAD("dispenserState", 0, GetDispenserState(1, 200), kMsgDispenserRange),
        BAD("dispenserStateChannel", 0, GetDispenserState(0, 1), kMsgChannelRange),
        BAD("countersChannel", 0, GetDeliveryCounters(21, 1, &scratchA, &scratchB),
            kMsgChannelRange),
        BAD("countersDispenser", 0, GetDeliveryCounters(1, 33, &scratchA, &scratchB),
            kMsgDispenserRange),
        BAD("countersDispenserLowByte", 0, GetDeliveryCounters(1, 256 + 1, &scratchA, &scratchB),
            kMsgDispenserRange),
        BAD("countersNoResult", 0, GetDeliveryCounters(1, 1, nullptr, &scratchB), kMsgNoResult),
        BAD("volumeDispenser", 0, GetDeliveredVolume(1, -1, &scratchA), kMsgDispenserRange),
        BAD("volumeNoResult", 0, GetDeliveredVolume(1, 1, nullptr), kMsgNoResult),
        BAD("totalsDispenser", 0, GetTotalCounters(1, 33, 1, &scratchA, &scratchB, 0),
            kMsgDispenserRange),
        BAD("totalsNozzle", 0, GetTotalCounters(1, 1, 16, &scratchA, &scratchB, 0),
            kMsgNozzleRange),
        BAD("totalsNoResult", 0, GetTotalCounters(1, 1, 1, &scratchA, nullptr, 0), kMsgNoResult),
        BAD("setTotalChannel", 0, SetTotalCounter(21, 1, 1, 1.0, 0), kMsgChannelRange),
        BAD("setTotalDispenser", 0, SetTotalCounter(1, 33, 1, 1.0, 0), kMsgDispenserRange),
        BAD("setTotalNozzle", 0, SetTotalCounter(1, 1, -1, 1.0, 0), kMsgNozzleRange),
        BAD("setTotalNegative", 0, SetTotalCounter(1, 1, 1, -0.01, 0), kMsgInvalidValue),
        BAD("setTotalNaN", 0, SetTotalCounter(1, 1, 1, kNaN, 0), kMsgInvalidValue),
        BAD("setTotalInfinite", 0, SetTotalCounter(1, 1, 1, kInf, 0), kMsgInvalidValue),
        BAD("setTotalTooLarge", 0, SetTotalCounter(1, 1, 1, 1e10, 0), kMsgInvalidValue)),
    [](const auto& info) { return std::string(info.param.name); });

#undef BAD

TEST_F(DriverTest, ResultPointersMustBeGiven) {
  ExpectThrowWith([&] { driver->Description(nullptr); }, kMsgNoResult);
  ExpectThrowWith([&] { driver->QueryOption(1, nullptr); }, kMsgNoResult);
  EXPECT_FALSE(driver->QueryOption(9, nullptr));  // nothing to write for an unknown code
}

}  // namespace
}  // namespace kavo5000::driver
