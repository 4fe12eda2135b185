// CommandBytes.h — pure builders of the command bytes handed to the exchange:
// address bytes, command character and the digit arguments.
#ifndef KAVO5000_DRIVER_COMMANDBYTES_H
#define KAVO5000_DRIVER_COMMANDBYTES_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FrameCodec.h"

namespace kavo5000::driver {

using CommandBytes = std::vector<Byte>;

// group start, address, command character, then the argument characters.
CommandBytes Compose(AddressBytes address, Byte command, std::string_view arguments = {});

// A command to the line rather than to one nozzle ('W', ']'): the command
// character stands where the address byte stands.
CommandBytes LineCommand(Byte command, std::string_view arguments);

// round(amount × 100), halves to even, padded with '0' to `width` digits.
// The caller has checked that it fits.
std::string AmountDigits(double amount, int width);

// The k lowest decimal digits of value, '0' + digit from the right; k = 0 gives none.
std::string ValueDigits(std::uint32_t value, int k);

// Decimal text padded on the left with '0' to `width` (a longer number keeps
// all its digits).
std::string PaddedDecimal(std::uint64_t value, int width);

// The character '0' + n that carries a parameter index, code or switch value.
Byte IndexChar(std::int32_t n);

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_COMMANDBYTES_H
