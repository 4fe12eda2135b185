// Decode.h — annotates bytes from the line: a command frame (nozzle address,
// command, digits, checksum verdict) or a reply (control byte, or data bytes
// and checksum verdict). Pure: bytes in, lines of text out.
#ifndef KAVO5000_TOOL_DECODE_H
#define KAVO5000_TOOL_DECODE_H

#include <string>
#include <vector>

#include "Protocol.h"

namespace kavo5000::tool {

// What a command character asks for, or "" when the protocol has no such command.
std::string CommandName(sim::Byte command);
// The annotation, one line each; the first names what the bytes are.
std::vector<std::string> Decode(const sim::Bytes& bytes);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_DECODE_H
