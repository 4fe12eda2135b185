// Hex.h — bytes as hex text for people and traces ("7F 02 21"), and hex text
// typed by people back into bytes.
#ifndef KAVO5000_WIRE_HEX_H
#define KAVO5000_WIRE_HEX_H

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "LineProtocol.h"

namespace kavo5000::wire {

// "7F 02 21" style text of bytes.
std::string Hex(std::span<const Byte> bytes);
// Bytes from hex text; spaces, commas and a 0x prefix per byte allowed.
std::optional<Bytes> ParseHex(std::string_view text);

}  // namespace kavo5000::wire

#endif  // KAVO5000_WIRE_HEX_H
