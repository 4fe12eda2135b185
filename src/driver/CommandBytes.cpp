// CommandBytes.cpp — digit fields of the commands.
#include "CommandBytes.h"

#include "kavo5000/Kavo5000.h"

namespace kavo5000::driver {

namespace {
constexpr std::uint32_t kDecimalBase = 10;
}  // namespace

CommandBytes Compose(AddressBytes address, Byte command, std::string_view arguments) {
  CommandBytes bytes;
  bytes.push_back(address.group);
  bytes.push_back(address.address);
  bytes.push_back(command);
  for (char c : arguments) bytes.push_back(static_cast<Byte>(c));
  return bytes;
}

CommandBytes LineCommand(Byte command, std::string_view arguments) {
  CommandBytes bytes;
  bytes.push_back(kFirstGroupStart);
  bytes.push_back(command);
  for (char c : arguments) bytes.push_back(static_cast<Byte>(c));
  return bytes;
}

std::string AmountDigits(double amount, int width) {
  return PaddedDecimal(static_cast<std::uint64_t>(RoundHalfEven(amount * kHundredths)), width);
}

std::string ValueDigits(std::uint32_t value, int k) {
  std::string digits(static_cast<std::size_t>(k > 0 ? k : 0), static_cast<char>(kDigitZero));
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    *it = static_cast<char>(kDigitZero + value % kDecimalBase);
    value /= kDecimalBase;
  }
  return digits;
}

std::string PaddedDecimal(std::uint64_t value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), static_cast<char>(kDigitZero));
  }
  return text;
}

Byte IndexChar(std::int32_t n) {
  return static_cast<Byte>(kDigitZero + n);
}

}  // namespace kavo5000::driver
