// Replies.h — pure readers of the replies the controllers send: the outcome
// of a command and the values in data replies. Each reads only the bytes the
// reply holds and says so when a field lies beyond them.
#ifndef KAVO5000_DRIVER_REPLIES_H
#define KAVO5000_DRIVER_REPLIES_H

#include <cstdint>
#include <optional>
#include <span>

#include "Protocol.h"

namespace kavo5000::driver {

using ReplyBytes = std::span<const Byte>;

// What a command's reply says, once the line state is 1.
enum class ReplyOutcome {
  None,      // no usable reply
  Accepted,  // 0x06, 0x15 or a data reply
  Refused,   // the single byte 0x18
};

ReplyOutcome OutcomeOf(Byte lineState, ReplyBytes reply);

// Data byte j (1-based) of a data reply; none beyond the reply.
std::optional<Byte> DataByte(ReplyBytes reply, int j);

// The decimal number formed by data bytes first … first + count − 1, each
// counted as (byte − '0') without validation (a stray byte can make a digit
// negative or above 9); none if the reply is shorter.
std::optional<std::int64_t> DigitField(ReplyBytes reply, int first, int count);

// Data byte j counted as a digit, (byte − '0').
std::optional<int> DigitAt(ReplyBytes reply, int j);

// A parameter value from the reply to 'N': the digits from position 3 on in
// steps of 2 while (byte AND 0x30) = 0x30, ':' to '?' counting 10 to 15.
// None when the reply ends before a byte that ends the value, or the value
// does not fit 31 bits.
std::optional<std::int32_t> ParamValue(ReplyBytes reply);

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_REPLIES_H
