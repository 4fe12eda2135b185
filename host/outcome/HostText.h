// HostText.h — the figures every host program of the kit prints the same way,
// whatever its language: a code byte as "0xD1", an amount with two decimals,
// the controller's hundredths as an amount, a host state code's class and
// nozzle. The words around them stay each program's own.
#ifndef KAVO5000_HOST_OUTCOME_HOSTTEXT_H
#define KAVO5000_HOST_OUTCOME_HOSTTEXT_H

#include <cstdint>
#include <string>

namespace kavo5000::host {

// "0x0A": a status or state byte as the host contract writes it.
std::string ByteHex(std::uint8_t b);
// "12.50": an amount with two decimals.
std::string AmountText(double value);

// Amounts travel as hundredths of a litre or of a money unit.
inline constexpr double kHundredths = 100.0;
inline double FromHundredths(std::int64_t hundredths) {
  return static_cast<double>(hundredths) / kHundredths;
}

// A host state code's class (its top five bits) and its nozzle (the rest).
std::uint8_t StateClass(std::uint16_t code);
int StateNozzle(std::uint16_t code);

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_OUTCOME_HOSTTEXT_H
