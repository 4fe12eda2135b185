// PortFeed.h — bytes handed to a driver's reply check the way a port hands
// them: one at a time, each call seeing everything kept so far, the check
// free to drop what precedes a reply's first byte, and the feed stopping at
// the first byte the check accepts. Shared by the targets that play a port.
#ifndef KAVO5000_FUZZ_PORTFEED_H
#define KAVO5000_FUZZ_PORTFEED_H

#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzInput.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::fuzz {

// The buffer the driver lends a port holds 256 bytes; a port writes at most 255.
inline constexpr std::size_t kReplyBuffer = kavo5000::kReplyBufferSize;
inline constexpr std::size_t kMaxReply = kavo5000::kMaxReplyLength;

struct FeedResult {
  bool accepted = false;
  std::size_t held = 0;  // bytes the check left in the buffer
};

// Feeds `bytes` into `buffer` through `check` on `channel`.
inline FeedResult FeedThroughCheck(ReplyCheckRef check, Byte channel, std::span<const Byte> bytes,
                                   Byte* buffer) {
  FeedResult result;
  for (std::size_t i = 0; i < bytes.size() && !result.accepted && result.held < kMaxReply; ++i) {
    buffer[result.held++] = bytes[i];
    Byte length = static_cast<Byte>(result.held);
    result.accepted = check.Code(check.Self, channel, buffer, 0, &length, 0);
    if (length > result.held) Violation("the check grew the reply it was shown");
    result.held = length;
  }
  return result;
}

}  // namespace kavo5000::fuzz

#endif  // KAVO5000_FUZZ_PORTFEED_H
