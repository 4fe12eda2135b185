// RoundHalfEven.h — rounding to the nearest whole number with halves going to
// the even neighbour, as the controllers' amounts and the catalogue's values
// are rounded, whatever the floating-point rounding mode is.
#ifndef KAVO5000_COMMON_ROUNDHALFEVEN_H
#define KAVO5000_COMMON_ROUNDHALFEVEN_H

#include <cmath>

namespace kavo5000 {

inline double RoundHalfEven(double x) {
  constexpr double kHalf = 0.5;
  if (!std::isfinite(x)) return x;
  const double lower = std::floor(x);
  const double fraction = x - lower;
  if (fraction < kHalf) return lower;
  if (fraction > kHalf) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

}  // namespace kavo5000

#endif  // KAVO5000_COMMON_ROUNDHALFEVEN_H
