// CommandBytes.h — pure builders of the command bytes handed to the exchange:
// address bytes, command character and the digit arguments.
#ifndef KAVO5000_DRIVER_COMMANDBYTES_H
#define KAVO5000_DRIVER_COMMANDBYTES_H

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "FrameCodec.h"
#include "Protocol.h"

namespace kavo5000::driver {

// A command's bytes, held in place: a frame is built for every exchange, and
// a station polls many a second. Room for one byte more than a frame carries,
// so that a command too long is still seen as such by BuildFrame rather than
// cut to fit.
class CommandBytes {
 public:
  static constexpr std::size_t kCapacity = kMaxCommandBytes + 1;

  void push_back(Byte b) {
    if (size_ < kCapacity) bytes_[size_++] = b;
  }
  std::size_t size() const { return size_; }
  const Byte* data() const { return bytes_.data(); }
  const Byte* begin() const { return bytes_.data(); }
  const Byte* end() const { return bytes_.data() + size_; }
  Byte operator[](std::size_t i) const { return bytes_[i]; }
  operator std::span<const Byte>() const { return {bytes_.data(), size_}; }  // NOLINT: a view

 private:
  std::array<Byte, kCapacity> bytes_{};
  std::size_t size_ = 0;
};

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
