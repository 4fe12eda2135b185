// A descriptor's conversions: raw value to text for every kind, real value to
// raw value, and the guarded outcome of the last read.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ParameterUnit.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::catalogue {
namespace {

const NumberFormat kRussian{",", "\u00A0"};
const NumberFormat kPlain = NumberFormat::C();

struct Descriptor {
  std::uint8_t kind;
  std::uint8_t digits = 1;
  std::uint8_t decimals = 0;
  std::int32_t minValue = 0;
  std::int32_t maxValue = 0;
  std::vector<std::string> choices = {};
};

std::unique_ptr<CParameter> Make(const Descriptor& d) {
  auto p = std::make_unique<CParameter>(0, d.digits, d.decimals, "", "", 0, d.minValue, d.maxValue,
                                        d.kind, pgParameters);
  p->Choices = d.choices;
  return p;
}

const std::vector<std::string> kUnits = {"0-Литры", "1-Килограммы"};

struct TextCase {
  const char* name;
  Descriptor descriptor;
  std::int32_t raw;
  std::string russian;  // with ',' and U+00A0
  std::string plain;    // with '.' and ','
};

class ValueToTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ValueToTextTest, ShowsTheRawValue) {
  const TextCase& c = GetParam();
  const auto p = Make(c.descriptor);
  EXPECT_EQ(p->ValueToText(c.raw, kRussian), c.russian);
  EXPECT_EQ(p->ValueToText(c.raw, kPlain), c.plain);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ValueToTextTest,
    ::testing::Values(
        TextCase{"listChoice", {pkList, 1, 0, 0, 1, kUnits}, 1, "1-Килограммы", "1-Килограммы"},
        TextCase{"listFirst", {pkList, 1, 0, 0, 1, kUnits}, 0, "0-Литры", "0-Литры"},
        TextCase{"listBeyondChoices", {pkList, 1, 0, 0, 1, kUnits}, 2, "2", "2"},
        TextCase{"listWithoutChoices", {pkList}, 0, "0", "0"},
        TextCase{"commandListChoice",
                 {pkCommandList, 1, 0, 0, 1, kUnits},
                 1,
                 "1-Килограммы",
                 "1-Килограммы"},
        TextCase{"commandListBeyond", {pkCommandList, 1, 0, 0, 1, kUnits}, 12345, "12345", "12345"},
        TextCase{"branchesLowOnly", {pkBranches, 6}, 999, "0 - 999", "0 - 999"},
        TextCase{"branchesZero", {pkBranches, 6}, 0, "0 - 0", "0 - 0"},
        TextCase{"branchesNoLeadingZeros", {pkBranches, 6}, 120080, "120 - 80", "120 - 80"},
        TextCase{"branchesFull", {pkBranches, 6}, 999999, "999 - 999", "999 - 999"},
        TextCase{"temperatureBelowZero", {pkTemperature, 3}, 215, "-15", "-15"},
        TextCase{"temperatureOff", {pkTemperature, 3}, 200, "200", "200"},
        TextCase{"temperatureMinusOne", {pkTemperature, 3}, 201, "-1", "-1"},
        TextCase{"temperatureWarm", {pkTemperature, 3}, 37, "37", "37"},
        TextCase{"temperatureGroupsNothing", {pkTemperature, 3}, 1999, "-1799", "-1799"},
        TextCase{"sensorSwitchReadsTemperature",
                 {pkSensorSwitch, 3, 0, 0, 299, {"1-Включить датчик", "200-Отключить датчик"}},
                 1,
                 "1",
                 "1"},
        TextCase{"sensorSwitchBelowZero", {pkSensorSwitch, 3}, 299, "-99", "-99"},
        TextCase{"heaterTemperature", {pkHeaterTemperature, 3, 0, 201, 220}, 220, "-20", "-20"},
        TextCase{"heaterBelowItsMinimum", {pkHeaterTemperature, 3, 0, 201, 220}, 5, "5", "5"},
        TextCase{
            "numberGrouped", {pkNumber, 8, 2, 0, 99999999}, 7654321, "76\u00A0543,21", "76,543.21"},
        TextCase{"numberZeroKeepsDecimals", {pkNumber, 8, 2, 0, 99999999}, 0, "0,00", "0.00"},
        TextCase{"numberLargest",
                 {pkNumber, 8, 2, 0, 99999999},
                 99999999,
                 "999\u00A0999,99",
                 "999,999.99"},
        TextCase{"numberBelowMinimum", {pkNumber, 3, 0, 3, 180}, 0, "3", "3"},
        TextCase{"numberAboveMaximumUnchanged", {pkNumber, 3, 0, 3, 180}, 500, "500", "500"},
        TextCase{"numberBelowFractionalMinimum", {pkNumber, 3, 2, 1, 500}, 0, "0,01", "0.01"},
        TextCase{"numberOneDecimal", {pkNumber, 3, 1, 0, 100}, 100, "10,0", "10.0"},
        TextCase{"numberHundredths", {pkNumber, 2, 2, 0, 20}, 7, "0,07", "0.07"},
        TextCase{"numberIntegerDigitsFillPrecision", {pkNumber, 3, 0, 0, 999}, 999, "999", "999"},
        TextCase{"numberOutgrowsPrecision", {pkNumber, 3, 0, 0, 999}, 1000, "1E+03", "1E+03"},
        TextCase{
            "numberOutgrowsWithDecimals", {pkNumber, 3, 2, 0, 500}, 123456, "1,23E+03", "1.23E+03"},
        TextCase{
            "numberRoundedExponent", {pkNumber, 3, 0, 0, 999}, 1234567, "1,23E+06", "1.23E+06"},
        TextCase{"numberFourGroups",
                 {pkNumber, 10, 0, 0, 0},
                 2147483647,
                 "2\u00A0147\u00A0483\u00A0647",
                 "2,147,483,647"},
        TextCase{"netAddress", {pkNetAddress, 2, 0, 0, 99}, 7, "7", "7"},
        TextCase{"commandNumber", {pkCommandNumber, 1, 0, 0, 9}, 5, "5", "5"}),
    [](const auto& info) { return std::string(info.param.name); });

class ValueToTextFailureTest : public ::testing::TestWithParam<std::uint8_t> {};

// −1 is what a failed read hands over: no kind may turn it into a text.
TEST_P(ValueToTextFailureTest, RefusesNegativeRawValues) {
  const auto p = Make({GetParam(), 3, 0, 0, 999, kUnits});
  for (const std::int32_t raw : {-1, -200, std::numeric_limits<std::int32_t>::min()}) {
    try {
      (void)p->ValueToText(raw, kRussian);
      ADD_FAILURE() << "raw " << raw << " gave a text";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), kMsgNoValueText);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, ValueToTextFailureTest,
                         ::testing::Range<std::uint8_t>(pkNumber, kLastValidKind + 2),
                         [](const auto& info) { return "kind" + std::to_string(info.param); });

TEST(ValueToTextInvalidKindTest, RefusesEveryRawValue) {
  for (const std::uint8_t kind : {9, 200, 255}) {
    const auto p = Make({kind, 3, 0, 0, 999, kUnits});
    for (const std::int32_t raw : {0, 1, 200}) {
      EXPECT_THROW((void)p->ValueToText(raw, kPlain), Exception)
          << "kind " << int{kind} << " raw " << raw;
    }
  }
}

struct FromRealCase {
  const char* name;
  std::uint8_t decimals;
  double x;
  std::int32_t raw;
};

class FromRealTest : public ::testing::TestWithParam<FromRealCase> {};

TEST_P(FromRealTest, RoundsHalvesToEven) {
  const auto p = Make({pkNumber, 8, GetParam().decimals, 0, 99999999});
  EXPECT_EQ(p->FromReal(GetParam().x), GetParam().raw);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FromRealTest,
    ::testing::Values(
        FromRealCase{"eighthTieDown", 2, 0.125, 12},
        FromRealCase{"threeEighthsTieUp", 2, 0.375, 38},
        FromRealCase{"notQuiteAHalf", 2, 1.15, 115},
        FromRealCase{"largestCounter", 2, 999999.99, 99999999}, FromRealCase{"whole", 0, 2.0, 2},
        FromRealCase{"tieToEvenBelow", 0, 2.5, 2}, FromRealCase{"tieToEvenAbove", 0, 3.5, 4},
        FromRealCase{"halfToZero", 0, 0.5, 0}, FromRealCase{"belowHalf", 0, 2.4999, 2},
        FromRealCase{"negativeTieUp", 0, -2.5, -2}, FromRealCase{"negativeTieDown", 0, -3.5, -4},
        FromRealCase{"quarterTenths", 1, 0.25, 2},
        FromRealCase{"int32Max", 0, 2147483647.0, 2147483647},
        FromRealCase{"int32Min", 0, -2147483648.0, std::numeric_limits<std::int32_t>::min()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FromRealLimitsTest, IgnoresTheKind) {
  // The window turns a chosen list index into the raw value with it.
  const auto list = Make({pkList, 1, 0, 0, 1, kUnits});
  EXPECT_EQ(list->FromReal(1.0), 1);
}

TEST(FromRealLimitsTest, RefusesValuesWithoutARawValue) {
  const auto p = Make({pkNumber, 8, 2, 0, 99999999});
  for (const double x :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), 21474836.48, -21474836.49}) {
    try {
      (void)p->FromReal(x);
      ADD_FAILURE() << x << " gave a raw value";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), kMsgInvalidValue);
    }
  }
  EXPECT_EQ(p->FromReal(21474836.47), std::numeric_limits<std::int32_t>::max());
}

TEST(RealValueTest, ScalesOnlyNumbers) {
  EXPECT_EQ(CParameter::PowerOf10(0), 1.0);
  EXPECT_EQ(CParameter::PowerOf10(-3), 1.0);
  EXPECT_EQ(CParameter::PowerOf10(3), 1000.0);
  EXPECT_DOUBLE_EQ(Make({pkNumber, 3, 1})->StepReal(), 0.1);
  EXPECT_DOUBLE_EQ(Make({pkNumber, 3, 2})->StepReal(), 0.01);
  EXPECT_EQ(Make({pkList, 1, 0, 0, 1, kUnits})->StepReal(), 1.0);
  EXPECT_EQ(Make({pkCommandList, 1, 0, 0, 1, kUnits})->StepReal(), 1.0);
  const auto dose = Make({pkNumber, 3, 2, 1, 500});
  EXPECT_DOUBLE_EQ(dose->MinReal(), 0.01);
  EXPECT_DOUBLE_EQ(dose->MaxReal(), 5.0);
  // Decimals are ignored outside pkNumber, should a row carry any.
  EXPECT_EQ(Make({pkTemperature, 3, 2, 201, 220})->MaxReal(), 220.0);
}

TEST(ReadStateTest, StartsEmptyAndRecordsReadsAndWrites) {
  CParameter p(23, 3, 2, "Минимальная доза отпуска", "л", 7, 1, 500, pkNumber, pgParameters);
  EXPECT_EQ(p.Value, 7);
  EXPECT_EQ(p.ReadText, "");
  EXPECT_FALSE(p.ReadError);

  p.ReadError = true;
  p.RecordWrite(250, "2,50");
  EXPECT_EQ(p.Value, 250);
  EXPECT_EQ(p.ReadText, "2,50");
  EXPECT_TRUE(p.ReadError) << "a write leaves the read's failure standing";

  p.RecordRead(100, "1,00");
  EXPECT_EQ(p.Value, 100);
  EXPECT_EQ(p.ReadText, "1,00");
  EXPECT_FALSE(p.ReadError);
}

}  // namespace
}  // namespace kavo5000::catalogue
