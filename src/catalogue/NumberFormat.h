// NumberFormat.h — how the parameter window writes real numbers: the user's
// decimal and thousands separators, and fixed-point text with grouping that
// turns to exponent form when a number outgrows its digit count.
#ifndef KAVO5000_CATALOGUE_NUMBERFORMAT_H
#define KAVO5000_CATALOGUE_NUMBERFORMAT_H

#include <string>

namespace kavo5000::catalogue {

// The separators of displayed numbers, as UTF-8 text (a separator may be more
// than one byte: the Russian thousands separator is a no-break space, U+00A0).
struct NumberFormat {
  std::string DecimalSeparator;
  std::string ThousandsSeparator;

  // '.' and ',': the format of the "C" locale.
  static NumberFormat C();
  // The separators of the user's locale. Reads the locale without installing
  // it: the process-wide locale stays as it was. Falls back to C() when the
  // user's locale cannot be loaded.
  static NumberFormat User();
};

// value with exactly `decimals` digits after the decimal separator and the
// integer part grouped by thousands; the exact binary value is rounded, a tie
// going to the even digit. `precision` is the most integer digits this fixed
// form may have; a number that needs more is written in exponent form instead.
// Exponent form: `precision` significant digits, trailing zeros dropped, then E±XX ("1,23E+06").
std::string FormatNumber(double value, int precision, int decimals, const NumberFormat& format);

}  // namespace kavo5000::catalogue

#endif  // KAVO5000_CATALOGUE_NUMBERFORMAT_H
