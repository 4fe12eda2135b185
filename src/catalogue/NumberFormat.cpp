// NumberFormat.cpp — the user's number separators and the fixed-point /
// exponent text of displayed numbers.
#include "NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string_view>

#if defined(_WIN32)
#include <windows.h>
#else
#include <locale>
#include <stdexcept>
#endif

namespace kavo5000::catalogue {

namespace {

constexpr char kPlainDecimalPoint = '.';  // what std::to_chars writes
constexpr char kExponentMark = 'e';       // std::to_chars' exponent letter
constexpr char kShownExponentMark = 'E';  // the letter the window shows
constexpr char kMinus = '-';
constexpr std::size_t kGroupSize = 3;           // digits between thousands separators
constexpr std::size_t kMaxIntegerDigits = 309;  // digits of the largest finite double
constexpr std::size_t kSignAndPoint = 2;        // room for '-' and '.'
constexpr std::size_t kExponentChars = 32;      // ample for "-d.ddde+308" past the mantissa

constexpr const char* kNotANumberText = "NAN";
constexpr const char* kInfinityText = "INF";
constexpr const char* kMinusInfinityText = "-INF";

// The integer digits with a separator before every group of three from the right.
std::string GroupThousands(std::string_view digits, const std::string& separator) {
  std::string out;
  out.reserve(digits.size() + (digits.size() / kGroupSize) * separator.size());
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % kGroupSize == 0) out += separator;
    out += digits[i];
  }
  return out;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the same order as FormatNumber's
std::string ExponentForm(double value, int precision, const NumberFormat& format) {
  const int fractionDigits = std::max(precision, 1) - 1;
  std::string buffer(static_cast<std::size_t>(fractionDigits) + kExponentChars, '\0');
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::scientific, fractionDigits);
  const std::string_view text(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
  const std::size_t mark = text.find(kExponentMark);
  std::string_view mantissa = text.substr(0, mark);
  const std::string_view exponent = text.substr(mark + 1);  // sign and two or more digits
  if (mantissa.find(kPlainDecimalPoint) != std::string_view::npos) {
    mantissa.remove_suffix(mantissa.size() - 1 - mantissa.find_last_not_of('0'));
    if (mantissa.back() == kPlainDecimalPoint) mantissa.remove_suffix(1);
  }
  std::string out;
  for (const char c : mantissa) {
    if (c == kPlainDecimalPoint) {
      out += format.DecimalSeparator;
    } else {
      out += c;
    }
  }
  out += kShownExponentMark;
  out += exponent;
  return out;
}

#if defined(_WIN32)

constexpr int kLocaleTextSize = 16;  // LOCALE_SDECIMAL and LOCALE_STHOUSAND hold at most 4

// One text of the user's locale in UTF-8, or `fallback` when Windows has none.
std::string UserLocaleText(LCTYPE type, const char* fallback) {
  wchar_t wide[kLocaleTextSize] = {};
  const int wideLength = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, wide, kLocaleTextSize);
  if (wideLength <= 0) return fallback;
  const int length = wideLength - 1;  // without the terminating zero
  if (length == 0) return {};
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return fallback;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data(), bytes, nullptr, nullptr);
  return out;
}

#else

constexpr char32_t kOneByteLimit = 0x80;
constexpr char32_t kTwoByteLimit = 0x800;
constexpr char32_t kThreeByteLimit = 0x10000;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr unsigned kContinuationBits = 6;
constexpr char32_t kContinuationMask = 0x3F;
constexpr char32_t kContinuationMark = 0x80;
constexpr char32_t kTwoByteLead = 0xC0;
constexpr char32_t kThreeByteLead = 0xE0;
constexpr char32_t kFourByteLead = 0xF0;

// A separator character of the locale as UTF-8; none (0) gives an empty text.
std::string Utf8Of(wchar_t character) {
  const auto cp = static_cast<char32_t>(character);
  std::string out;
  auto continuation = [&out, cp](unsigned shift) {
    out += static_cast<char>(kContinuationMark | ((cp >> shift) & kContinuationMask));
  };
  if (cp == 0 || cp > kLastCodePoint) return out;
  if (cp < kOneByteLimit) {
    out += static_cast<char>(cp);
  } else if (cp < kTwoByteLimit) {
    out += static_cast<char>(kTwoByteLead | (cp >> kContinuationBits));
    continuation(0);
  } else if (cp < kThreeByteLimit) {
    out += static_cast<char>(kThreeByteLead | (cp >> (2 * kContinuationBits)));
    continuation(kContinuationBits);
    continuation(0);
  } else {
    out += static_cast<char>(kFourByteLead | (cp >> (3 * kContinuationBits)));
    continuation(2 * kContinuationBits);
    continuation(kContinuationBits);
    continuation(0);
  }
  return out;
}

#endif

}  // namespace

NumberFormat NumberFormat::C() {
  return {".", ","};
}

NumberFormat NumberFormat::User() {
  NumberFormat plain = C();
#if defined(_WIN32)
  return {UserLocaleText(LOCALE_SDECIMAL, plain.DecimalSeparator.c_str()),
          UserLocaleText(LOCALE_STHOUSAND, plain.ThousandsSeparator.c_str())};
#else
  try {
    // A locale object built from the environment; the global locale and the
    // C library's setlocale state are left alone. The wide facet is asked
    // because a multi-byte separator (a no-break space) does not fit a char.
    using WidePunctuation = std::numpunct<wchar_t>;
    const std::locale user("");
    const auto& punctuation = std::use_facet<WidePunctuation>(user);
    return {Utf8Of(punctuation.decimal_point()), Utf8Of(punctuation.thousands_sep())};
  } catch (const std::runtime_error&) {
    return plain;  // the environment names a locale that is not installed
  }
#endif
}

std::string FormatNumber(double value, int precision, int decimals, const NumberFormat& format) {
  if (std::isnan(value)) return kNotANumberText;
  if (std::isinf(value)) return value > 0 ? kInfinityText : kMinusInfinityText;
  decimals = std::max(decimals, 0);

  std::string buffer(kMaxIntegerDigits + kSignAndPoint + static_cast<std::size_t>(decimals), '\0');
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, decimals);
  std::string_view text(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));

  const bool negative = !text.empty() && text.front() == kMinus;
  if (negative) text.remove_prefix(1);
  const std::size_t point = text.find(kPlainDecimalPoint);
  const std::string_view integerPart = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);

  // A zero integer part takes no digit: 0,50 fits a precision of 0.
  const bool zeroInteger = integerPart.find_first_not_of('0') == std::string_view::npos;
  const std::size_t integerDigits = zeroInteger ? 0 : integerPart.size();
  if (integerDigits > static_cast<std::size_t>(std::max(precision, 0))) {
    return ExponentForm(value, precision, format);
  }

  std::string out;
  // -0,001 rounds to zero digits; it is shown without a sign.
  const bool allZero = zeroInteger && fraction.find_first_not_of('0') == std::string_view::npos;
  if (negative && !allZero) out += kMinus;
  out += GroupThousands(integerPart, format.ThousandsSeparator);
  if (!fraction.empty()) {
    out += format.DecimalSeparator;
    out += fraction;
  }
  return out;
}

}  // namespace kavo5000::catalogue
