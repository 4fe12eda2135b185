// Decode.h — the annotations `kavo5000 decode` and `--verbose` print for bytes
// from the line: a command frame (nozzle address, command, digits, checksum
// verdict) or a reply (control byte, or data bytes and checksum verdict).
// Pure: bytes in, lines of text out.
#ifndef KAVO5000_WIRE_DECODE_H
#define KAVO5000_WIRE_DECODE_H

#include <optional>
#include <string>
#include <vector>

#include "LineProtocol.h"

namespace kavo5000::wire {

// What a command character asks for, or "" when the protocol has no such command.
std::string CommandName(Byte command);
// The annotation, one line each; the first names what the bytes are.
std::vector<std::string> Decode(const Bytes& bytes);

// A state reply's r1 r2 in words ("idle", "nozzle lifted", "delivering: fuel
// flowing", …); r2 absent when the reply carried r1 alone (as '4' does).
std::string StateWords(Byte r1, std::optional<Byte> r2);

// What a data reply says as the answer to `frame`: a state in words, the
// volume and money of a counter reply, a type, a parameter's value. One line
// each, indented like Decode's detail lines; none when the reply is no sound
// data reply or the command's answer needs no reading. `dispenserType` (from
// a '7' reply) picks the delivery counters' layout; without it the default
// type's layout is used, or the one the reply's length fits, and the line
// says which.
std::vector<std::string> ReplyMeaning(const Bytes& frame, const Bytes& reply,
                                      std::optional<int> dispenserType = std::nullopt);

// One exchange annotated: the frame's lines, the reply's ("no reply" when
// none came) and the reply's meaning.
std::vector<std::string> DecodeExchange(const Bytes& frame, const Bytes& reply,
                                        std::optional<int> dispenserType = std::nullopt);

}  // namespace kavo5000::wire

#endif  // KAVO5000_WIRE_DECODE_H
