// ExchangeVerdict.h — what the port made of one exchange, as a value: the
// tool and the tests judge an exchange by it, and it becomes text only where
// a trace line or a person's message is written.
#ifndef KAVO5000_HOST_EXCHANGEVERDICT_H
#define KAVO5000_HOST_EXCHANGEVERDICT_H

#include <cstdint>
#include <optional>
#include <string_view>

namespace kavo5000::host {

enum class ExchangeVerdict : std::uint8_t {
  kValid,             // the driver's check accepted the reply
  kNoReply,           // nothing arrived in time
  kBadChecksum,       // a whole reply whose checksum is wrong
  kNoStartByte,       // bytes, but none that begins a reply
  kMalformed,         // a reply the check cannot take apart
  kIncomplete,        // bytes arrived, the line fell silent before the reply was whole
  kTransportFailure,  // the frame could not be written or the reply not read
  kNotAwaited,        // the frame went out and no reply was asked for; the last
                      // verdict: ExchangeVerdict.cpp checks its table against it
};

// The verdict as a trace line spells it ("valid", "no reply", …).
std::string_view VerdictText(ExchangeVerdict verdict);
// A trace line's spelling back into the verdict, or nothing for text the
// port never writes.
std::optional<ExchangeVerdict> VerdictFromText(std::string_view text);

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_EXCHANGEVERDICT_H
