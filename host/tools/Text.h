// Text.h — how the tool words what the driver reports: state codes, channel
// status codes and amounts.
#ifndef KAVO5000_TOOL_TEXT_H
#define KAVO5000_TOOL_TEXT_H

#include <cstdint>
#include <string>

namespace kavo5000::tool {

// "idle", "nozzle 2 lifted", "delivering (nozzle 1)" … for a host state code.
std::string StateName(std::uint16_t code);
// The class of a host state code (its top five bits).
std::uint8_t StateClass(std::uint16_t code);
// What a channel status other than 1 means.
std::string StatusMessage(std::uint8_t status);
// An amount with two decimals.
std::string Amount(double value);

inline constexpr std::uint8_t kClassIdle = 0xC0;        // nozzle hung, nothing going on
inline constexpr std::uint8_t kClassAuthorised = 0xC8;  // authorised, or the delivery ended
inline constexpr std::uint8_t kClassDelivering = 0xD0;  // fuel flowing
inline constexpr std::uint8_t kClassDone = 0xD8;        // delivery done (the driver closed it)
inline constexpr std::uint8_t kClassLifted = 0xE0;      // nozzle lifted, not authorised
inline constexpr std::uint8_t kStatusValid = 1;         // channel status: a valid reply

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_TEXT_H
