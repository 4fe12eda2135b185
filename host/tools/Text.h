// Text.h — how the tool words what the driver reports: state codes, channel
// status codes and amounts.
#ifndef KAVO5000_TOOL_TEXT_H
#define KAVO5000_TOOL_TEXT_H

#include <cstdint>
#include <string>

#include "HostText.h"

namespace kavo5000::tool {

// "idle", "nozzle 2 lifted", "delivering (nozzle 1)" … for a host state code.
std::string StateName(std::uint16_t code);
// What a channel status other than 1 means.
std::string StatusMessage(std::uint8_t status);
// An amount with two decimals, the class of a state code: the kit's own.
using host::AmountText;
using host::StateClass;

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_TEXT_H
