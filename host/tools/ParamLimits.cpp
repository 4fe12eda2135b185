// ParamLimits.cpp — the limits of a host parameter number's value, from the
// common switches' one digit, the parameter's digits on the line and the
// catalogue's raw limits.
#include "ParamLimits.h"

#include <algorithm>
#include <cstdio>

#include "LineProtocol.h"
#include "ParameterUnit.h"

namespace kavo5000::tool {

namespace {

constexpr std::int32_t kAddressNumber = 9;       // value = identification × 100 + address
constexpr std::int32_t kFirstNozzleNumber = 10;  // from here: (nozzle − 1) × 60 + index
constexpr std::int32_t kLargestSwitchValue = 9;  // a common switch's value is one digit
constexpr std::int64_t kDecimalBase = 10;

std::int64_t LargestOfDigits(int digits) {
  std::int64_t largest = 1;
  for (int i = 0; i < digits; ++i) largest *= kDecimalBase;
  return largest - 1;
}

std::string Outside(std::int32_t value, std::int64_t low, std::int64_t high) {
  return std::to_string(value) + " is outside " + std::to_string(low) + ".." + std::to_string(high);
}

// "0.01 to 5.00 л": the raw limits in the parameter's unit.
std::string InUnit(const catalogue::CParameter& row, std::int64_t low, std::int64_t high) {
  const auto real = [&row](std::int64_t raw) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", static_cast<int>(row.Decimals),
                  row.ToReal(static_cast<std::int32_t>(raw)));
    return std::string(text);
  };
  return real(low) + " to " + real(high) + (row.Units.empty() ? "" : " " + row.Units);
}

}  // namespace

std::optional<std::string> ParamValueRefusal(std::int32_t number, std::int32_t value) {
  if (number < 0 || value < 0 || number == kAddressNumber) return std::nullopt;
  if (number < kAddressNumber) {
    if (value <= kLargestSwitchValue) return std::nullopt;
    return "common switch " + std::to_string(number) + ": " +
           Outside(value, 0, kLargestSwitchValue) + "; nothing was sent";
  }
  const std::int32_t offset = number - kFirstNozzleNumber;
  const int index = offset % wire::kParamCount;
  const std::string where = "parameter " + std::to_string(number) + " (nozzle " +
                            std::to_string(offset / wire::kParamCount + 1) + ", index " +
                            std::to_string(index);
  std::int64_t low = 0;
  std::int64_t high = LargestOfDigits(wire::kParamDigits[static_cast<std::size_t>(index)]);
  catalogue::CTRKParameters table;
  table.Fill();
  for (std::int32_t i = 0; i < table.Count(); ++i) {
    const catalogue::CParameter& row = table.Item(i);
    if (catalogue::CommandFamilyOf(row.Kind) != catalogue::CommandFamily::Parameter ||
        row.Code.load() != index) {
      continue;
    }
    low = std::max<std::int64_t>(low, row.MinValue);
    high = std::min<std::int64_t>(high, row.MaxValue);
    if (value >= low && value <= high) return std::nullopt;
    return where + ", " + row.Name + "): " + Outside(value, low, high) + " (" +
           InUnit(row, low, high) + "); nothing was sent";
  }
  if (value <= high) return std::nullopt;
  return where + "): " + Outside(value, low, high) + "; nothing was sent";
}

}  // namespace kavo5000::tool
