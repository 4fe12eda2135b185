// ParamLimits.h — whether a value fits the controller parameter a host
// parameter number names, before anything is sent. The controller keeps only
// as many digits as a parameter has, so a value that does not fit would be
// cut silently; the catalogue knows each parameter's limits and unit.
#ifndef KAVO5000_TOOL_PARAMLIMITS_H
#define KAVO5000_TOOL_PARAMLIMITS_H

#include <cstdint>
#include <optional>
#include <string>

namespace kavo5000::tool {

// Why `value` cannot be written to host parameter `number`, in one line, or
// nothing when it can (or when the driver's own checks decide, as for a
// negative number or value).
std::optional<std::string> ParamValueRefusal(std::int32_t number, std::int32_t value);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_PARAMLIMITS_H
