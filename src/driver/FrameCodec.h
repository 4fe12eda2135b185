// FrameCodec.h — pure functions of the line protocol: nozzle addressing, the
// command frame and the judgement of a reply. Bytes in, bytes or a verdict out;
// no state, no I/O.
#ifndef KAVO5000_DRIVER_FRAMECODEC_H
#define KAVO5000_DRIVER_FRAMECODEC_H

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "Protocol.h"

namespace kavo5000::driver {

// The two bytes that address one nozzle on the line.
struct AddressBytes {
  Byte group;    // group start byte, c0
  Byte address;  // address byte, c1
  bool operator==(const AddressBytes&) const = default;
};

// Address bytes of linear nozzle number v (1-based).
AddressBytes AddressFromLinear(std::int32_t v);

// Linear nozzle number of a dispenser's nozzle; nozzle 0 counts as 1.
// Computed wide, so that any two 32-bit numbers give their true result.
std::int64_t LinearNozzleNumber(Byte nozzlesPerDispenser, std::int32_t dispenser,
                                std::int32_t nozzle);

// Address bytes of a dispenser's nozzle.
AddressBytes NozzleAddress(Byte nozzlesPerDispenser, std::int32_t dispenser, std::int32_t nozzle);

// A command frame as it goes on the wire.
struct Frame {
  std::array<Byte, kMaxFrameLength> bytes{};
  Byte length = 0;
  std::span<const Byte> view() const { return {bytes.data(), length}; }
};

// Frames command bytes c0 … c(n−1). Refuses (kavo5000::Exception) an empty
// command and one of more than kMaxCommandBytes bytes.
Frame BuildFrame(std::span<const Byte> command);

// What the reply check found in the bytes received so far.
struct ReplyVerdict {
  bool accepted = false;          // a complete, valid reply stands from byte 0
  std::optional<Byte> lineState;  // state to report, if any
  std::int32_t lineError = kLineErrorNone;
  Byte length = 0;  // bytes kept after dropping what precedes a start byte
};

// Judges received bytes in place: drops everything before the first start
// byte (moving the rest down) and checks a control byte or a data reply.
// Reads nothing beyond received.size().
ReplyVerdict CheckReply(std::span<Byte> received);

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_FRAMECODEC_H
