// The decimal value box of a toolkit without one: what it shows, which typed
// texts it takes, and where its arrows go.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "SpinValue.h"

namespace kavo5000::window {
namespace {

const catalogue::NumberFormat kRussian{",", "\xC2\xA0"};
const SpinSetup kTenths{1, 0.1, 0.0, 9.9, 0.0};
const SpinSetup kWhole{0, 1, 3, 180, 3};
const SpinSetup kTemperature{0, 1, -99, 200, 0};

TEST(SpinValue, ShowsTheBoxsDecimalsWithTheUsersSeparatorUngrouped) {
  EXPECT_EQ(SpinText(4.5, kTenths, kRussian), "4,5");
  EXPECT_EQ(SpinText(0, kTenths, kRussian), "0,0");
  EXPECT_EQ(SpinText(1234, kWhole, kRussian), "1234");
  EXPECT_EQ(SpinText(-20, kTemperature, kRussian), "-20");
  EXPECT_EQ(SpinText(0.25, SpinSetup{1, 0.1, 0, 1, 0}, kRussian), "0,2") << "half to even";
}

TEST(SpinValue, TakesOnlyTextsThatAreValuesInRange) {
  struct Case {
    const char* text;
    SpinSetup setup;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"4,5", kTenths, 4.5},
      {"4.5", kTenths, 4.5},
      {" 7 ", kTenths, 7.0},
      {"9,9", kTenths, 9.9},
      {"9,95", kTenths, std::nullopt},  // more decimals than the box has
      {"10", kTenths, std::nullopt},    // above the range
      {"4,", kTenths, 4.0},
      {",5", kTenths, 0.5},
      {"", kTenths, std::nullopt},
      {",", kTenths, std::nullopt},
      {"4,5x", kTenths, std::nullopt},
      {"4 5", kTenths, std::nullopt},
      {"2", kWhole, std::nullopt},  // below the range
      {"3", kWhole, 3.0},
      {"3,0", kWhole, std::nullopt},  // a whole box takes no separator
      {"-20", kTemperature, -20.0},
      {"+20", kTemperature, 20.0},
      {"-100", kTemperature, std::nullopt},
      {"1234567890123456", kTemperature, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SpinTextValue(c.text, c.setup, kRussian), c.value) << '"' << c.text << '"';
  }
}

TEST(SpinValue, ArrowsStepByTheRowsStepHeldToItsRange) {
  struct Case {
    double from;
    int steps;
    SpinSetup setup;
    double to;
  };
  const Case cases[] = {
      {0.0, 1, kTenths, 0.1},    {0.3, 3, kTenths, 0.6},    {9.9, 1, kTenths, 9.9},
      {0.0, -1, kTenths, 0.0},   {3, 5, kWhole, 8},         {180, 1, kWhole, 180},
      {0, -1, kTemperature, -1}, {4.4999, 1, kTenths, 4.6},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(SpinStep(c.from, c.steps, c.setup), c.to) << c.from << " + " << c.steps;
  }
}

}  // namespace
}  // namespace kavo5000::window
