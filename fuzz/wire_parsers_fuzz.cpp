// wire_parsers_fuzz.cpp — the wire library's parsers on arbitrary bytes:
// frames, replies, digit fields, address pairs, and the readings the decoder
// gives a frame and a reply. A parser that says "good" must be right: the
// bytes it accepted encode back to themselves.
#include <algorithm>
#include <cstdint>
#include <optional>

#include "Decode.h"
#include "Frames.h"
#include "FuzzInput.h"

namespace {

using kavo5000::fuzz::FuzzInput;
using kavo5000::fuzz::Violation;
namespace wire = kavo5000::wire;

// Types 0..8 and one no controller has.
constexpr int kTypeChoices = 10;

void Frame(std::span<const wire::Byte> bytes) {
  const wire::ParsedFrame frame = wire::ParseFrame(bytes);
  if (frame.verdict != wire::FrameVerdict::kGood) return;
  if (frame.length > bytes.size()) Violation("a frame longer than its bytes");
  if (wire::EncodeFrame(frame.command) != wire::Bytes(bytes.begin(), bytes.begin() + frame.length))
    Violation("a good frame does not encode back to its bytes");
}

void Reply(std::span<const wire::Byte> bytes) {
  const wire::ParsedReply reply = wire::ParseReply(bytes);
  if (reply.length > bytes.size()) Violation("a reply longer than its bytes");
  if (reply.verdict != wire::ReplyVerdict::kData) return;
  if (wire::EncodeDataReply(reply.data) != wire::Bytes(bytes.begin(), bytes.begin() + reply.length))
    Violation("a good data reply does not encode back to its bytes");
}

void Digits(std::span<const wire::Byte> bytes) {
  const auto value = wire::ParseDigits(bytes);
  if (!value || bytes.empty() || bytes.size() > 19) return;
  if (wire::Digits(*value, static_cast<int>(bytes.size())) !=
      wire::Bytes(bytes.begin(), bytes.end()))
    Violation("digits do not spell back to themselves");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const std::size_t split = in.Byte();
  const int type = in.Byte() % kTypeChoices;
  const auto pairGroup = in.Byte();
  const auto pairAddress = in.Byte();
  const auto rest = in.Rest();
  const auto cut = std::min(split, rest.size());
  const wire::Bytes frame(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(cut));
  const wire::Bytes reply(rest.begin() + static_cast<std::ptrdiff_t>(cut), rest.end());

  Frame(rest);
  Reply(rest);
  Digits(rest);
  if (const auto v = wire::LinearOf({pairGroup, pairAddress})) {
    if (wire::AddressOf(*v) != wire::AddressPair{pairGroup, pairAddress})
      Violation("a linear number that does not give its address pair back");
  }
  wire::ReplyMeaning(frame, reply, type);
  wire::ReplyMeaning(frame, reply, std::nullopt);
  if (!reply.empty())
    wire::StateWords(reply.front(), reply.size() > 1 ? std::optional(reply[1]) : std::nullopt);
  wire::CommandName(pairGroup);
  return 0;
}
