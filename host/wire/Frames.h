// Frames.h — command frames and replies as bytes on the line, parsed and
// built: a nozzle's address pair and its linear number, the checksum, the
// framing of commands and data replies, and fixed-width decimal digit fields.
// Pure functions: bytes in, bytes or a verdict out.
#ifndef KAVO5000_WIRE_FRAMES_H
#define KAVO5000_WIRE_FRAMES_H

#include <cstdint>
#include <optional>
#include <span>

#include "LineProtocol.h"

namespace kavo5000::wire {

// The two bytes that address one nozzle.
struct AddressPair {
  Byte group;
  Byte address;
  bool operator==(const AddressPair&) const = default;
};

// Address pair of linear nozzle number v (v ≥ 1).
AddressPair AddressOf(int v);
// Linear nozzle number of an address pair, or nothing when the pair is no
// nozzle's.
std::optional<int> LinearOf(AddressPair pair);

// Checksum of c1 … c(n−1) (a frame) or r1 … rk (a data reply).
Byte Checksum(std::span<const Byte> bytes);

// The frame a host sends for command bytes c0 … c(n−1).
Bytes EncodeFrame(std::span<const Byte> command);

enum class FrameVerdict {
  kGood,           // complete, complements and checksum right
  kIncomplete,     // a frame has begun but not ended yet
  kNotAFrame,      // no start byte, or longer than a frame can be
  kBadComplement,  // a byte's complement is wrong
  kBadChecksum,    // complete, but the checksum is wrong
};

struct ParsedFrame {
  FrameVerdict verdict = FrameVerdict::kNotAFrame;
  Bytes command;           // c0 … c(n−1) (for kGood and kBadChecksum)
  std::size_t length = 0;  // bytes of the frame (for kGood and kBadChecksum)
};

// Parses the frame that starts at bytes[0].
ParsedFrame ParseFrame(std::span<const Byte> bytes);

// A data reply carrying r1 … rk.
Bytes EncodeDataReply(std::span<const Byte> data);

enum class ReplyVerdict {
  kControl,      // one control byte
  kData,         // a complete, good data reply
  kIncomplete,   // a data reply that has not ended
  kMalformed,    // a complement or the end bytes wrong
  kBadChecksum,  // a data reply with a wrong checksum
  kNotAReply,    // does not begin with a reply's first byte
};

struct ParsedReply {
  ReplyVerdict verdict = ReplyVerdict::kNotAReply;
  Byte control = 0;  // for kControl
  Bytes data;        // r1 … rk, for kData and kBadChecksum
  std::size_t length = 0;
};

// Whether b is one of the one-byte control replies.
bool IsControlReply(Byte b);

// Parses the reply that starts at bytes[0].
ParsedReply ParseReply(std::span<const Byte> bytes);

// value as exactly `width` decimal digits, keeping its lowest digits.
Bytes Digits(std::uint64_t value, int width);
// The number that ASCII digits spell, or nothing when a byte is no digit.
std::optional<std::uint64_t> ParseDigits(std::span<const Byte> digits);

}  // namespace kavo5000::wire

#endif  // KAVO5000_WIRE_FRAMES_H
