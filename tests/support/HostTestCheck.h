// HostTestCheck.h — a stand-in for the driver's reply check in tests of the
// port alone: it drops bytes before a reply's first byte, accepts a control
// byte or a complete, good data reply, and reports line states and errors
// the way the driver does (1 valid, 3 malformed; 222, 223, 246).
#ifndef KAVO5000_TESTS_HOSTTESTCHECK_H
#define KAVO5000_TESTS_HOSTTESTCHECK_H

#include <algorithm>
#include <vector>

#include "Frames.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::testing {

struct HostTestCheck {
  kavo5000::HostPort* port = nullptr;
  int calls = 0;

  static bool KAVO5000_CALL Thunk(void* self, Byte channel, Byte* buffer, std::int32_t,
                                  Byte* length, std::int32_t) {
    return static_cast<HostTestCheck*>(self)->Check(channel, buffer, length);
  }
  kavo5000::ReplyCheckRef Ref() { return {&HostTestCheck::Thunk, this}; }

  bool Check(Byte channel, Byte* buffer, Byte* length) {
    ++calls;
    std::size_t n = *length;
    std::size_t skip = 0;
    while (skip < n && buffer[skip] != 0x02 && buffer[skip] != 0x06 && buffer[skip] != 0x15 &&
           buffer[skip] != 0x18) {
      ++skip;
    }
    std::copy(buffer + skip, buffer + n, buffer);
    n -= skip;
    *length = static_cast<Byte>(n);
    const wire::ParsedReply r = wire::ParseReply(std::span<const Byte>(buffer, n));
    switch (r.verdict) {
      case wire::ReplyVerdict::kControl:
      case wire::ReplyVerdict::kData:
        port->SetLineState(channel, 1);
        port->SetLineError(channel, 0);
        return true;
      case wire::ReplyVerdict::kBadChecksum:
        port->SetLineError(channel, 222);
        return false;
      case wire::ReplyVerdict::kNotAReply:
        port->SetLineError(channel, 223);
        return false;
      case wire::ReplyVerdict::kMalformed:
        port->SetLineState(channel, 3);
        port->SetLineError(channel, 246);
        return false;
      case wire::ReplyVerdict::kIncomplete:
        return false;
    }
    return false;
  }
};

}  // namespace kavo5000::testing

#endif  // KAVO5000_TESTS_HOSTTESTCHECK_H
