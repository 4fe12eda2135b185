// Exchange.h — what one exchange through the host's port comes back with: the
// transport's result, the line state, and the reply bytes the check accepted.
// The driver object performs exchanges (Exchange.cpp); this is the value they
// return, and reading it is pure.
#ifndef KAVO5000_DRIVER_EXCHANGE_H
#define KAVO5000_DRIVER_EXCHANGE_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "Protocol.h"
#include "Replies.h"

namespace kavo5000::driver {

struct ExchangeResult {
  // 0 when the exchange took place; otherwise the port's error code, a
  // transport failure.
  std::int32_t transport = 0;
  // The channel's line state after the exchange: the port's, or, when the port
  // raised instead of answering, the state the channel already had.
  Byte lineState = kStatusNoExchange;
  // The reply as the check left it: it stands from byte 0 on.
  std::array<Byte, kReplyBufferSize> buffer{};
  std::size_t length = 0;  // bytes the check accepted; 0 when it accepted none

  bool Valid() const { return lineState == kLineValid; }
  ReplyBytes Reply() const { return {buffer.data(), length}; }
};

// A line state of 1 with no reply bytes to read: the port says the reply is
// good, yet there is nothing to use.
inline bool IsShortReply(const ExchangeResult& result) {
  return result.Valid() && result.length == 0;
}

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_EXCHANGE_H
