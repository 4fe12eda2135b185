// ValueRules.h — the rules of a controller parameter's value, in one place:
// how many digits each per-nozzle index has on the line, how each kind of
// value sits in the raw number the controller stores, and the ranges a
// technician may give the kinds whose limits are not a row's own, next to
// their limit texts. The driver's parameter access, the window and the host
// tool all read them here. Header-only, so that the driver takes these rules
// without the rest of the catalogue.
#ifndef KAVO5000_CATALOGUE_VALUERULES_H
#define KAVO5000_CATALOGUE_VALUERULES_H

#include <array>
#include <cstdint>
#include <optional>

#include "InvalidValue.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::catalogue {

// What a raw value means and how the window edits it.
enum ParameterKind : std::uint8_t {
  pkNumber = 0,             // count of 10^-Decimals units
  pkList = 1,               // index into Choices
  pkBranches = 2,           // xxx·1000 + yyy: productivity of hydraulic branches 1 and 2
  pkTemperature = 3,        // 2XX temperature encoding
  pkSensorSwitch = 4,       // 2XX temperature when read; 1 or 200 when written
  pkHeaterTemperature = 5,  // 2XX temperature encoding
  pkCommandNumber = 6,      // plain number sent as a common command
  pkCommandList = 7,        // index into Choices, sent as a common command
  pkNetAddress = 8,         // the network address
};
inline constexpr std::uint8_t kLastValidKind = pkNetAddress;  // kinds above are invalid

// The per-nozzle indices 0..59, and the digits of each on the line: the size
// of an 'N' reply and the digit count of an 'O' write. A value wider than its
// digits would be cut by the controller.
inline constexpr int kParamCount = kParamsPerNozzle;
inline constexpr std::array<std::uint8_t, kParamCount> ParamDigits = {
    1, 1, 1, 1, 3, 3, 1, 2, 1, 3,  // 0..9
    3, 3, 2, 2, 1, 2, 2, 2, 5, 3,  // 10..19
    3, 2, 1, 3, 6, 8, 4, 5, 5, 5,  // 20..29
    1, 1, 3, 2, 3, 1, 3, 3, 3, 2,  // 30..39
    2, 3, 2, 2, 8, 1, 2, 1, 2, 2,  // 40..49
    1, 1, 0, 0, 0, 0, 0, 0, 0, 0,  // 50..59
};

// Index 26: written, the calibration password that opens index 27 for the
// coefficient; read, the controller's confirmation code. Also cleared before a
// total counter is written.
inline constexpr std::int32_t kPasswordIndex = 26;
inline constexpr std::int32_t kCoefficientIndex = 27;

// Calibration: the password opens the coefficient for one write, so the two
// writes go in this order; reading the password's index back then gives the
// controller's confirmation code.
inline constexpr std::int32_t kCalibrationPassword = 5821;
struct ParamWrite {
  std::int32_t Index;
  std::int32_t Value;
};
inline constexpr std::size_t kCalibrationWriteCount = 2;
constexpr std::array<ParamWrite, kCalibrationWriteCount> CalibrationWrites(
    std::int32_t coefficient) {
  return {{{kPasswordIndex, kCalibrationPassword}, {kCoefficientIndex, coefficient}}};
}
inline constexpr std::int32_t kConfirmationIndex = kPasswordIndex;

// The largest value `digits` decimal digits hold: 10^digits − 1.
constexpr std::int64_t LargestOfDigits(int digits) {
  constexpr std::int64_t kDecimalBase = 10;
  std::int64_t largest = 1;
  for (int i = 0; i < digits; ++i) largest *= kDecimalBase;
  return largest - 1;
}

// Two hydraulic branches in one value: the first above, the second below.
inline constexpr std::int32_t kBranchFactor = 1000;
inline constexpr std::int32_t kLargestBranch = 999;
struct Branches {
  std::int32_t First;
  std::int32_t Second;
};
constexpr std::int32_t EncodeBranches(std::int32_t first, std::int32_t second) {
  return first * kBranchFactor + second;
}
constexpr Branches SplitBranches(std::int32_t raw) {
  return Branches{raw / kBranchFactor, raw % kBranchFactor};
}

// The 2XX temperature encoding: 0..199 as they are, 200 the sensor off, and
// 2XX a temperature of −XX degrees.
inline constexpr std::int32_t kTemperatureOff = 200;
constexpr std::int32_t EncodeTemperature(std::int32_t degrees) {
  return degrees < 0 ? kTemperatureOff - degrees : degrees;
}
constexpr std::int32_t DecodeTemperature(std::int32_t raw) {
  return raw > kTemperatureOff ? kTemperatureOff - raw : raw;
}

// The sensor switch written: its first choice turns the sensor on, its second
// off; nothing else is written.
inline constexpr std::int32_t kSensorOn = 1;
inline constexpr std::int32_t kSensorOff = kTemperatureOff;
constexpr std::optional<std::int32_t> SensorSwitchRaw(int choice) {
  if (choice == 0) return kSensorOn;
  if (choice == 1) return kSensorOff;
  return std::nullopt;
}

// What a technician may give a kind whose limits are not its row's own (each
// branch, or a temperature in degrees), and the "Ограничения" text that says
// so. "OC" is in Latin letters here, unlike the Cyrillic "0С" of the units.
struct TypedRange {
  std::int32_t Min;
  std::int32_t Max;
  const char* LimitsText;
};
inline constexpr TypedRange kBranchRange{0, kLargestBranch, "от 0 до 999 л/мин."};
inline constexpr TypedRange kTemperatureRange{-99, kTemperatureOff,
                                              "от -99 до +200 OC (200 - датчик отключен)"};
inline constexpr TypedRange kHeaterRange{-20, 0, "от -20 до 0 OC"};

// The typed range of a kind, or none for the kinds limited by their row.
constexpr std::optional<TypedRange> TypedRangeOf(std::uint8_t kind) {
  switch (kind) {
    case pkBranches:
      return kBranchRange;
    case pkTemperature:
    case pkSensorSwitch:
      return kTemperatureRange;
    case pkHeaterTemperature:
      return kHeaterRange;
    default:
      return std::nullopt;
  }
}

}  // namespace kavo5000::catalogue

#endif  // KAVO5000_CATALOGUE_VALUERULES_H
