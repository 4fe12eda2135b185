// Number display: fixed-point text with grouping and its exponent form, and
// the separators of the user's locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <limits>
#include <locale>
#include <optional>
#include <stdexcept>
#include <string>

#include "NumberFormat.h"

namespace kavo5000::catalogue {
namespace {

const NumberFormat kRussian{",", "\u00A0"};
const NumberFormat kPlain = NumberFormat::C();

struct FormatCase {
  const char* name;
  double value;
  int precision;
  int decimals;
  std::string russian;
  std::string plain;
};

class FormatNumberTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatNumberTest, WritesTheNumber) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatNumber(c.value, c.precision, c.decimals, kRussian), c.russian);
  EXPECT_EQ(FormatNumber(c.value, c.precision, c.decimals, kPlain), c.plain);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, FormatNumberTest,
    ::testing::Values(
        FormatCase{"zero", 0.0, 8, 2, "0,00", "0.00"},
        FormatCase{"noDecimals", 42.0, 8, 0, "42", "42"},
        FormatCase{"padsDecimals", 5.0, 3, 2, "5,00", "5.00"},
        FormatCase{"threeDigitsNoSeparator", 999.0, 8, 0, "999", "999"},
        FormatCase{"fourDigitsOneSeparator", 1000.0, 8, 0, "1\u00A0000", "1,000"},
        FormatCase{"sixDigits", 999999.99, 8, 2, "999\u00A0999,99", "999,999.99"},
        FormatCase{"sevenDigits", 1234567.0, 8, 0, "1\u00A0234\u00A0567", "1,234,567"},
        FormatCase{"negative", -1234.5, 8, 1, "-1\u00A0234,5", "-1,234.5"},
        FormatCase{"negativeRoundsToZero", -0.001, 8, 2, "0,00", "0.00"},
        FormatCase{"roundsUp", 2.675001, 8, 2, "2,68", "2.68"},
        FormatCase{"exactTieGoesEven", 0.125, 8, 2, "0,12", "0.12"},
        FormatCase{"roundingCarriesIntoIntegerPart", 999.996, 3, 2, "1E+03", "1E+03"},
        FormatCase{"fractionFitsPrecisionZero", 0.5, 0, 2, "0,50", "0.50"},
        FormatCase{"integerDigitsEqualPrecision", 12345.0, 5, 0, "12\u00A0345", "12,345"},
        FormatCase{"exponentOneDigitMore", 123456.0, 5, 0, "1,2346E+05", "1.2346E+05"},
        FormatCase{"exponentDropsZeros", 1000000.0, 3, 0, "1E+06", "1E+06"},
        FormatCase{"exponentKeepsInnerZeros", 1020000.0, 3, 0, "1,02E+06", "1.02E+06"},
        FormatCase{"exponentNegative", -5000.0, 2, 0, "-5E+03", "-5E+03"},
        FormatCase{"exponentThreeDigits", 1.5e300, 8, 2, "1,5E+300", "1.5E+300"},
        FormatCase{"exponentPrecisionZero", 7.0, 0, 0, "7E+00", "7E+00"},
        FormatCase{"largestDouble", std::numeric_limits<double>::max(), 8, 255, "1,7976931E+308",
                   "1.7976931E+308"},
        FormatCase{"notANumber", std::numeric_limits<double>::quiet_NaN(), 8, 2, "NAN", "NAN"},
        FormatCase{"infinity", -std::numeric_limits<double>::infinity(), 8, 2, "-INF", "-INF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatNumberSeparatorTest, TakesSeparatorsOfAnyLength) {
  const NumberFormat narrow{"\u066B", "\u202F"};  // two- and three-byte separators
  EXPECT_EQ(FormatNumber(1234567.25, 8, 2, narrow), "1\u202F234\u202F567\u066B25");
  const NumberFormat ungrouped{".", ""};
  EXPECT_EQ(FormatNumber(1234567.25, 8, 2, ungrouped), "1234567.25");
}

#if !defined(_WIN32)

// Sets LC_ALL for one test and puts back what was there.
class ScopedLcAll {
 public:
  explicit ScopedLcAll(const char* value) {
    if (const char* old = std::getenv("LC_ALL")) saved_ = old;
    setenv("LC_ALL", value, 1);
  }
  ~ScopedLcAll() {
    if (saved_) {
      setenv("LC_ALL", saved_->c_str(), 1);
    } else {
      unsetenv("LC_ALL");
    }
  }
  ScopedLcAll(const ScopedLcAll&) = delete;
  ScopedLcAll& operator=(const ScopedLcAll&) = delete;

 private:
  std::optional<std::string> saved_;
};

bool LocaleInstalled(const char* name) {
  try {
    const std::locale probe(name);
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

TEST(UserFormatTest, ReadsTheCLocale) {
  const ScopedLcAll lcAll("C");
  const NumberFormat user = NumberFormat::User();
  EXPECT_EQ(user.DecimalSeparator, ".");
  EXPECT_EQ(user.ThousandsSeparator, ",");
}

TEST(UserFormatTest, FallsBackWhenTheLocaleIsMissing) {
  const ScopedLcAll lcAll("xx_NOWHERE.UTF-8");
  const NumberFormat user = NumberFormat::User();
  EXPECT_EQ(user.DecimalSeparator, ".");
  EXPECT_EQ(user.ThousandsSeparator, ",");
}

TEST(UserFormatTest, LeavesTheProcessLocaleAlone) {
  ASSERT_TRUE(LocaleInstalled("C.UTF-8")) << "Debian always has C.UTF-8";
  const std::string cBefore = std::setlocale(LC_ALL, nullptr);
  const std::string globalBefore = std::locale().name();
  {
    // A locale other than the process's own, so that installing it would show.
    const ScopedLcAll lcAll("C.UTF-8");
    (void)NumberFormat::User();
  }
  EXPECT_EQ(std::setlocale(LC_ALL, nullptr), cBefore);
  EXPECT_EQ(std::locale().name(), globalBefore);
}

TEST(UserFormatTest, ReadsRussianSeparators) {
  if (!LocaleInstalled("ru_RU.UTF-8")) GTEST_SKIP() << "ru_RU.UTF-8 is not installed";
  const ScopedLcAll lcAll("ru_RU.UTF-8");
  const NumberFormat user = NumberFormat::User();
  EXPECT_EQ(user.DecimalSeparator, ",");
  // glibc gives a narrow no-break space (U+202F), Windows a no-break space (U+00A0).
  EXPECT_TRUE(user.ThousandsSeparator == "\u00A0" || user.ThousandsSeparator == "\u202F")
      << user.ThousandsSeparator;
}

#endif

}  // namespace
}  // namespace kavo5000::catalogue
