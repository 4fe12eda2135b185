// SpinValue.cpp — text, value and steps of the decimal value box.
#include "SpinValue.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::window {

namespace {

// More integer digits than any row's range has: the box never shows the
// exponent form that the grid's long numbers may take.
constexpr int kIntegerDigits = 15;
// Beyond this many digits a typed number is no value of any row.
constexpr std::size_t kMostDigits = 15;
constexpr double kTen = 10.0;

double RoundToDecimals(double value, int decimals) {
  const double scale = std::pow(kTen, std::max(decimals, 0));
  return RoundHalfEven(value * scale) / scale;
}

// A value as a whole number of the box's last decimal.
std::int64_t Units(double value, int decimals) {
  return static_cast<std::int64_t>(RoundHalfEven(value * std::pow(kTen, decimals)));
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Takes a run of digits off the front of `text` into `mantissa`; their count.
// Past kMostDigits the digits are counted, not added: the caller refuses
// such a number, and the mantissa never overflows on the way.
std::size_t TakeDigits(std::string_view& text, std::int64_t& mantissa) {
  std::size_t count = 0;
  while (!text.empty() && IsDigit(text.front())) {
    if (count < kMostDigits)
      mantissa = mantissa * static_cast<std::int64_t>(kTen) + (text.front() - '0');
    text.remove_prefix(1);
    ++count;
  }
  return count;
}

bool TakeSeparator(std::string_view& text, const catalogue::NumberFormat& format) {
  const std::string_view own = format.DecimalSeparator;
  if (!own.empty() && text.substr(0, own.size()) == own) {
    text.remove_prefix(own.size());
    return true;
  }
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
    return true;
  }
  return false;
}

}  // namespace

std::string SpinText(double value, const SpinSetup& setup, const catalogue::NumberFormat& format) {
  return catalogue::FormatNumber(value, kIntegerDigits, setup.decimals,
                                 catalogue::NumberFormat{format.DecimalSeparator, ""});
}

std::optional<double> SpinTextValue(std::string_view text, const SpinSetup& setup,
                                    const catalogue::NumberFormat& format) {
  text = Trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::int64_t mantissa = 0;
  const std::size_t integerDigits = TakeDigits(text, mantissa);
  std::size_t fractionDigits = 0;
  if (setup.decimals > 0 && TakeSeparator(text, format))
    fractionDigits = TakeDigits(text, mantissa);
  const std::size_t digits = integerDigits + fractionDigits;
  if (!text.empty() || digits == 0 || digits > kMostDigits ||
      fractionDigits > static_cast<std::size_t>(std::max(setup.decimals, 0))) {
    return std::nullopt;
  }
  // Compared in units of the box's last decimal, as whole numbers: exact on
  // every floating-point unit (x87's wider registers included).
  const int decimals = std::max(setup.decimals, 0);
  std::int64_t units = mantissa;
  for (std::size_t d = fractionDigits; d < static_cast<std::size_t>(decimals); ++d) {
    units *= static_cast<std::int64_t>(kTen);
  }
  if (negative) units = -units;
  if (units < Units(setup.minimum, decimals) || units > Units(setup.maximum, decimals)) {
    return std::nullopt;
  }
  return static_cast<double>(units) / std::pow(kTen, decimals);
}

HeldNumber HoldWholeNumber(std::string_view text, int minimum, int maximum, int held) {
  const SpinSetup whole{0, 1, static_cast<double>(minimum), static_cast<double>(maximum), 0};
  const std::optional<double> typed = SpinTextValue(text, whole, catalogue::NumberFormat{});
  const int value = typed ? static_cast<int>(*typed) : std::clamp(held, minimum, maximum);
  return HeldNumber{value, text != std::to_string(value)};
}

double SpinStep(double value, int steps, const SpinSetup& setup) {
  const double stepped = RoundToDecimals(value + steps * setup.step, setup.decimals);
  return std::clamp(stepped, setup.minimum, setup.maximum);
}

}  // namespace kavo5000::window
