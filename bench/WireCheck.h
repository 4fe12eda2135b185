// WireCheck.h — a reply check for benchmarks that drive LineHostPort without
// the driver: it accepts a control byte or a complete data reply, read with
// the wire library, and reports the line state valid as the driver's does.
#ifndef KAVO5000_BENCH_WIRECHECK_H
#define KAVO5000_BENCH_WIRECHECK_H

#include <span>

#include "Frames.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::bench {

struct WireCheck {
  HostPort* port = nullptr;

  static bool KAVO5000_CALL Thunk(void* self, Byte channel, Byte* buffer, std::int32_t,
                                  Byte* length, std::int32_t) {
    auto* c = static_cast<WireCheck*>(self);
    const wire::ParsedReply r = wire::ParseReply(std::span<const Byte>(buffer, *length));
    const bool ok =
        r.verdict == wire::ReplyVerdict::kControl || r.verdict == wire::ReplyVerdict::kData;
    if (ok) c->port->SetLineState(channel, 1);
    return ok;
  }
  ReplyCheckRef Ref() { return {&WireCheck::Thunk, this}; }
};

}  // namespace kavo5000::bench

#endif  // KAVO5000_BENCH_WIRECHECK_H
