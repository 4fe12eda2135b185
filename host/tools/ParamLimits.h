// ParamLimits.h — what a technician's value means for a controller parameter,
// decided before anything is sent: whether a raw value fits the parameter a
// host number names (the controller keeps only as many digits as a parameter
// has, so a value that does not fit would be cut silently), and the raw value
// of a value typed in the parameter's unit.
#ifndef KAVO5000_TOOL_PARAMLIMITS_H
#define KAVO5000_TOOL_PARAMLIMITS_H

#include <cstdint>
#include <optional>
#include <string>

namespace kavo5000::catalogue {
class CParameter;
class CTRKParameters;
}  // namespace kavo5000::catalogue

namespace kavo5000::tool {

// A whole number written out in full ("12", "-3"); nothing for "1x", "" or
// a number too large for any field.
std::optional<long long> WholeNumber(const std::string& text);

// The catalogue, filled once for the tool.
const catalogue::CTRKParameters& Catalogue();

// The catalogue's per-nozzle parameter with this code, or none.
const catalogue::CParameter* ParameterRow(int code);

// The code of the one per-nozzle parameter whose name holds `text`, compared
// without regard to case (Latin and Cyrillic letters), or why there is none:
// no name holds it, or several do (they are named).
struct CodeByName {
  std::optional<int> code;
  std::string error;
};
CodeByName FindCodeByName(const std::string& text);

// A value typed in the parameter's unit, as the raw value the controller
// stores: "1.50" for a two-decimal number; a choice by its number or its
// text; a temperature signed ("-5": 205 in the 2XX encoding, "off": 200); the
// two branches as "X-Y" (X·1000 + Y); the sensor switch "on" (1) or "off"
// (200). Or why it cannot be written, in one line.
struct RawValue {
  std::optional<std::int32_t> raw;
  std::string error;
};
RawValue RawFromText(const catalogue::CParameter& row, const std::string& text);

// Why `value` cannot be written to host parameter `number`, in one line, or
// nothing when it can (or when the driver's own checks decide, as for a
// negative number or value).
std::optional<std::string> ParamValueRefusal(std::int32_t number, std::int32_t value);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_PARAMLIMITS_H
