// reply_check_fuzz.cpp — the driver's reply check on arbitrary bytes: judged
// whole at any length the port may claim, and grown byte by byte as a port
// shows it. Whatever the check accepts must be a reply the wire library,
// written apart from the driver, also finds sound: a control byte, or a data
// reply of even length with right complements, end bytes and checksum.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "DriverProbe.h"
#include "FrameCodec.h"
#include "Frames.h"
#include "FuzzInput.h"
#include "PortFeed.h"
#include "VM30.h"

namespace {

using kavo5000::Byte;
using kavo5000::fuzz::FeedThroughCheck;
using kavo5000::fuzz::FuzzInput;
using kavo5000::fuzz::kReplyBuffer;
using kavo5000::fuzz::Violation;

constexpr Byte kDataStart = 0x02;

// A port that only remembers what the check reported.
class CheckOnlyPort final : public kavo5000::HostPort {
 public:
  std::int32_t KAVO5000_CALL GetLastError(Byte) override { return 0; }
  void KAVO5000_CALL SetLineError(Byte, std::int32_t code) override { error = code; }
  void KAVO5000_CALL SetLineState(Byte, Byte value) override { state = value; }
  Byte KAVO5000_CALL GetLineState(Byte) override { return state; }
  std::int32_t KAVO5000_CALL Send(Byte, const Byte*, Byte, Byte*, Byte, Byte) override { return 0; }
  std::int32_t KAVO5000_CALL Open(Byte, std::int32_t, std::int32_t) override { return 0; }
  void KAVO5000_CALL SetReplyCheck(Byte, kavo5000::ReplyCheckRef) override {}

  Byte state = 0;
  std::int32_t error = 0;
};

// The pure check on exactly `length` bytes, so that a read beyond them is an
// address-sanitizer report.
void JudgeWhole(std::span<const Byte> bytes) {
  std::vector<Byte> copy(bytes.begin(), bytes.end());
  const kavo5000::driver::ReplyVerdict verdict = kavo5000::driver::CheckReply(copy);
  if (verdict.length > bytes.size()) Violation("the verdict keeps more bytes than it was shown");
  if (verdict.accepted && verdict.lineState != kavo5000::kLineValid)
    Violation("an accepted reply without the valid line state");
  if (verdict.accepted && verdict.lineError != kavo5000::kLineErrorNone)
    Violation("an accepted reply with a line error");
}

// The driver's installed check, fed like a port feeds it.
void JudgeGrowing(Byte channel, std::span<const Byte> bytes) {
  CheckOnlyPort port;
  kavo5000::driver::VM30Driver driver(0, 0, &port);
  const kavo5000::ReplyCheckRef check{
      [](void* self, Byte ch, Byte* buffer, std::int32_t, Byte* length, std::int32_t) {
        auto* d = static_cast<kavo5000::driver::VM30Driver*>(self);
        return kavo5000::driver::DriverProbe(*d).ReplyCheck(ch, buffer, length);
      },
      &driver};
  Byte buffer[kReplyBuffer] = {};
  const auto fed = FeedThroughCheck(check, channel, bytes, buffer);
  if (!fed.accepted) return;
  if (port.state != kavo5000::kLineValid) Violation("accepted, yet the line state is not valid");
  // The protocol's check pairs the bytes of a data reply by halving its
  // length, so a reply of odd length keeps one data byte without its
  // complement (02 4F 03 03 4F passes). Only a sound reply has even length;
  // for those, what the check passes must be sound byte for byte.
  if (buffer[0] == kDataStart && fed.held % 2 != 0) return;
  const auto parsed = kavo5000::wire::ParseReply(std::span<const Byte>(buffer, fed.held));
  const bool sound = parsed.verdict == kavo5000::wire::ReplyVerdict::kControl ||
                     parsed.verdict == kavo5000::wire::ReplyVerdict::kData;
  if (!sound || parsed.length != fed.held)
    Violation("the check accepted a reply the wire library finds unsound");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const Byte channel = in.Byte();
  const Byte claimed = in.Byte();
  const auto bytes = in.Rest();
  JudgeWhole(bytes.first(std::min<std::size_t>(bytes.size(), claimed)));
  JudgeGrowing(channel, bytes);
  return 0;
}
