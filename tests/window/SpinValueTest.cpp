// The number boxes of a toolkit without them: what the decimal box shows,
// which typed texts it takes and where its arrows go; what a whole-number
// box is left holding by what was typed.
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
      {"99999999999999999999999", kTemperature, std::nullopt},  // no overflow on the way
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

// The address box (1..64) holding 1, the address dialog's any-number box
// holding 0: what was typed, what the box then holds and sends, and whether
// its text is put back to show that.
TEST(SpinValue, AWholeNumberBoxHoldsItsLastNumberAgainstTextOutsideItsRange) {
  constexpr int kAddressMax = 64;
  constexpr int kAny = 1 << 30;
  struct Case {
    const char* text;
    int minimum;
    int maximum;
    int held;
    HeldNumber holds;
  };
  const Case cases[] = {
      {"12", 1, kAddressMax, 1, {12, false}},
      {"65", 1, kAddressMax, 1, {1, true}},
      {"0", 1, kAddressMax, 7, {7, true}},
      {"-3", 1, kAddressMax, 7, {7, true}},
      {"7x", 1, kAddressMax, 7, {7, true}},
      {"", 1, kAddressMax, 7, {7, true}},
      {" 7", 1, kAddressMax, 3, {7, true}},
      {"+5", 1, kAddressMax, 3, {5, true}},
      {"99999999999999999999", 1, kAddressMax, 3, {3, true}},
      {"abc", -kAny, kAny, 0, {0, true}},
      {"-3", -kAny, kAny, 0, {-3, false}},
      {"9", 1, kAddressMax, 0, {9, false}},
      {"x", 1, kAddressMax, 0, {1, true}},  // a held number outside the range is brought in
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HoldWholeNumber(c.text, c.minimum, c.maximum, c.held), c.holds)
        << '"' << c.text << "\" in " << c.minimum << ".." << c.maximum;
  }
}

}  // namespace
}  // namespace kavo5000::window
