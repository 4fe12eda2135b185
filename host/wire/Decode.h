// Decode.h — the annotations `kavo5000 decode` and `--verbose` print for bytes
// from the line: a command frame (nozzle address, command, digits, checksum
// verdict) or a reply (control byte, or data bytes and checksum verdict).
// Pure: bytes in, lines of text out.
#ifndef KAVO5000_WIRE_DECODE_H
#define KAVO5000_WIRE_DECODE_H

#include <string>
#include <vector>

#include "LineProtocol.h"

namespace kavo5000::wire {

// What a command character asks for, or "" when the protocol has no such command.
std::string CommandName(Byte command);
// The annotation, one line each; the first names what the bytes are.
std::vector<std::string> Decode(const Bytes& bytes);

}  // namespace kavo5000::wire

#endif  // KAVO5000_WIRE_DECODE_H
