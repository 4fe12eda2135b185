// The tool refuses an amount before anything is sent exactly when the driver
// would refuse it: each case through the tool's check and through the
// module's slot on an in-process line, the two verdicts compared.
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "Checks.h"
#include "IntegrationRig.h"

namespace kavo5000::testing {
namespace {

using tool::AmountKind;
using tool::AmountRefusal;

constexpr double kPrice = 52.40;  // the nozzle's price for the money presets
constexpr Byte kMoneyAsMoney = kavo5000::kConfigMoneyAsMoney | kavo5000::kConfigDefaultNozzles;

enum class Slot { kPrice, kVolume, kMoneyAsMoney, kMoneyAsVolume, kTotal };

// What the tool says before sending, as its preset-money and price commands
// decide it.
bool ToolRefuses(Slot slot, double value) {
  switch (slot) {
    case Slot::kPrice:
      return AmountRefusal(AmountKind::kPrice, value).has_value();
    case Slot::kVolume:
      return AmountRefusal(AmountKind::kVolume, value).has_value();
    case Slot::kMoneyAsMoney:
      return AmountRefusal(AmountKind::kMoney, value).has_value();
    case Slot::kMoneyAsVolume:
      return AmountRefusal(AmountKind::kVolume, tool::MoneyAsLitres(value, kPrice)).has_value();
    case Slot::kTotal:
      return AmountRefusal(AmountKind::kTotal, value).has_value();
  }
  return false;
}

// What the driver does with the same amount: refused with its exception
// before anything goes on the line.
bool DriverRefuses(Slot slot, double value) {
  RigOptions options;
  options.config = slot == Slot::kMoneyAsMoney ? kMoneyAsMoney : 0U;
  Rig rig(Via::kInProcess, options);
  TVM30& d = rig.driver();
  const Byte ch = rig.channel();
  d.SetPrice(ch, 1, 1, 0, 0, kPrice);
  const std::function<void()> call[] = {
      [&] { d.SetPrice(ch, 1, 1, 0, 0, value); },     [&] { d.PresetVolume(ch, 1, 1, 0, value); },
      [&] { d.PresetMoney(ch, 1, 1, 0, value); },     [&] { d.PresetMoney(ch, 1, 1, 0, value); },
      [&] { d.SetTotalCounter(ch, 1, 1, value, 0); },
  };
  try {
    call[static_cast<int>(slot)]();
  } catch (const kavo5000::ESerialIO&) {
    return false;  // it was sent: the line, not the value, failed
  } catch (const kavo5000::Exception&) {
    return true;
  }
  return false;
}

TEST(ToolAgreesWithDriver, RefusesTheAmountsTheDriverRefuses) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    Slot slot;
    double value;
  };
  const Case cases[] = {
      {"price", Slot::kPrice, 45.50},
      {"largestPrice", Slot::kPrice, 99.99},
      {"priceOfFiveDigits", Slot::kPrice, 100.00},
      {"priceHalfAHundredthBelow", Slot::kPrice, 99.995},
      {"negativePrice", Slot::kPrice, -0.01},
      {"priceNotANumber", Slot::kPrice, kNaN},
      {"largestVolume", Slot::kVolume, 999.99},
      {"volumeOfSixDigits", Slot::kVolume, 1000.00},
      {"volumeHalfAHundredthBelow", Slot::kVolume, 999.995},
      {"infiniteVolume", Slot::kVolume, kInf},
      {"largestMoney", Slot::kMoneyAsMoney, 9999.99},
      {"moneyOfSevenDigits", Slot::kMoneyAsMoney, 10000.00},
      {"negativeMoney", Slot::kMoneyAsMoney, -1.0},
      {"moneyBuyingTheLargestVolume", Slot::kMoneyAsVolume, 999.99 * kPrice},
      {"moneyBuyingTooMuch", Slot::kMoneyAsVolume, 1000.0 * kPrice},
      {"moneyAsVolumeNotANumber", Slot::kMoneyAsVolume, kNaN},
      {"largestTotal", Slot::kTotal, 9999999999.99},
      {"totalOfThirteenDigits", Slot::kTotal, 10000000000.00},
      {"negativeTotal", Slot::kTotal, -0.5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToolRefuses(c.slot, c.value), DriverRefuses(c.slot, c.value)) << c.name;
  }
}

}  // namespace
}  // namespace kavo5000::testing
