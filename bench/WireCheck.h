// WireCheck.h — a reply check for benchmarks that drive LineHostPort without
// the driver: it accepts a control byte or a complete data reply with a
// good checksum and reports the line state valid, as the driver's does. It
// walks the reply in place and allocates nothing, so that what a benchmark
// measures of an exchange is the port's, not the check's.
#ifndef KAVO5000_BENCH_WIRECHECK_H
#define KAVO5000_BENCH_WIRECHECK_H

#include <span>

#include "Frames.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::bench {

inline constexpr std::size_t kReplyPairsAt = 1;  // a data reply's r1 and its complement

// Whether `bytes` begin with a whole reply the controller may send.
inline bool IsWholeReply(std::span<const Byte> bytes) {
  if (bytes.empty()) return false;
  if (wire::IsControlReply(bytes[0])) return true;
  if (bytes[0] != wire::kDataStart) return false;
  Byte sum = wire::kChecksumSeed;
  for (std::size_t pos = kReplyPairsAt; pos + 2 < bytes.size(); pos += wire::kPairLength) {
    if (bytes[pos] == wire::kEndByte && bytes[pos + 1] == wire::kEndByte) {
      return bytes[pos + 2] == static_cast<Byte>(sum | wire::kChecksumBit);
    }
    if ((bytes[pos] ^ bytes[pos + 1]) != wire::kComplementMask) return false;
    sum ^= bytes[pos];
  }
  return false;
}

struct WireCheck {
  HostPort* port = nullptr;

  static bool KAVO5000_CALL Thunk(void* self, Byte channel, Byte* buffer, std::int32_t,
                                  Byte* length, std::int32_t) {
    const bool ok = IsWholeReply(std::span<const Byte>(buffer, *length));
    if (ok) static_cast<WireCheck*>(self)->port->SetLineState(channel, 1);
    return ok;
  }
  ReplyCheckRef Ref() { return {&WireCheck::Thunk, this}; }
};

}  // namespace kavo5000::bench

#endif  // KAVO5000_BENCH_WIRECHECK_H
