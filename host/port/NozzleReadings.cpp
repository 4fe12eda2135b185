// NozzleReadings.cpp — one exchange per reading, judged by the reader's own
// check of the reply.
#include "NozzleReadings.h"

#include <algorithm>
#include <array>

#include "Frames.h"

namespace kavo5000::host {

namespace {
constexpr kavo5000::Byte kStateReplySize = 8;    // '1': r1 r2, framed
constexpr kavo5000::Byte kVolumeReplySize = 17;  // '4': a status byte and 5 digits, with room
constexpr kavo5000::Byte kTypeReplySize = 6;     // '7': one byte, framed
constexpr int kReplyFrameBytes = 16;             // '5': 2 × (b + c) + this, by the type's layout

// Whether b can begin a reply: a data reply's start or a control byte.
bool StartsReply(kavo5000::Byte b) {
  return b == wire::kDataStart || wire::IsControlReply(b);
}
}  // namespace

int LinearAddress(int nozzlesPerDispenser, int dispenser, int nozzle) {
  const int n = nozzle == 0 ? 1 : nozzle;
  return nozzlesPerDispenser * (dispenser - 1) + n;
}

std::string FailureWords(ReadingFailure failure) {
  switch (failure) {
    case ReadingFailure::kNone:
      return "read";
    case ReadingFailure::kLine:
      return "the line failed";
    case ReadingFailure::kNoReply:
      return "no reply in time";
    case ReadingFailure::kUnusable:
      return "the reply was unusable";
    case ReadingFailure::kRefused:
      return "the controller refused the query";
    case ReadingFailure::kNoFigures:
      return "the reply holds no such figure";
  }
  return "not read";
}

NozzleReader::NozzleReader(kavo5000::HostPort& port, kavo5000::Byte channel)
    : port_(port), channel_(channel) {}

// Drops what comes before a reply's first byte, as the driver's check does,
// and takes a control byte or a complete, sound data reply.
bool KAVO5000_CALL NozzleReader::Check(void* self, kavo5000::Byte, kavo5000::Byte* buffer,
                                       std::int32_t, kavo5000::Byte* length, std::int32_t) {
  auto& reader = *static_cast<NozzleReader*>(self);
  const std::size_t n = *length;
  const std::size_t skip =
      static_cast<std::size_t>(std::find_if(buffer, buffer + n, StartsReply) - buffer);
  std::copy(buffer + skip, buffer + n, buffer);
  *length = static_cast<kavo5000::Byte>(n - skip);
  const wire::ParsedReply r = wire::ParseReply(std::span<const kavo5000::Byte>(buffer, *length));
  reader.accepted_ =
      r.verdict == wire::ReplyVerdict::kControl || r.verdict == wire::ReplyVerdict::kData;
  reader.length_ = *length;
  return reader.accepted_;
}

std::optional<wire::Bytes> NozzleReader::Ask(int address, kavo5000::Byte command,
                                             kavo5000::Byte replySize) {
  const wire::AddressPair pair = wire::AddressOf(address);
  const std::array<kavo5000::Byte, 3> bytes = {pair.group, pair.address, command};
  const wire::Bytes frame = wire::EncodeFrame(bytes);
  std::array<kavo5000::Byte, kavo5000::kReplyBufferSize> reply{};
  accepted_ = false;
  length_ = 0;
  port_.SetReplyCheck(channel_, {&NozzleReader::Check, this});
  const std::int32_t result =
      port_.Send(channel_, frame.data(), static_cast<kavo5000::Byte>(frame.size()), reply.data(),
                 replySize, 0);
  // The port keeps the check until the next exchange sets its own: this
  // reader may be gone by then.
  port_.SetReplyCheck(channel_, {nullptr, nullptr});
  if (result != 0) {
    failure_ = ReadingFailure::kLine;
    return std::nullopt;
  }
  if (!accepted_) {
    failure_ = length_ == 0 ? ReadingFailure::kNoReply : ReadingFailure::kUnusable;
    return std::nullopt;
  }
  const wire::ParsedReply parsed =
      wire::ParseReply(std::span<const kavo5000::Byte>(reply.data(), length_));
  if (parsed.verdict == wire::ReplyVerdict::kControl) {
    failure_ =
        parsed.control == wire::kRefuse ? ReadingFailure::kRefused : ReadingFailure::kNoFigures;
    return std::nullopt;
  }
  failure_ = ReadingFailure::kNone;
  return parsed.data;
}

std::optional<wire::StateBytes> NozzleReader::State(int address) {
  const auto data = Ask(address, wire::kCmdState, kStateReplySize);
  if (!data) return std::nullopt;
  const auto state = wire::StateReading(*data);
  if (!state) failure_ = ReadingFailure::kNoFigures;
  return state;
}

std::optional<std::uint64_t> NozzleReader::RunningVolume(int address) {
  const auto data = Ask(address, wire::kCmdVolume, kVolumeReplySize);
  if (!data) return std::nullopt;
  const auto volume = wire::RunningVolumeReading(*data);
  if (!volume) failure_ = ReadingFailure::kNoFigures;
  return volume;
}

std::optional<int> NozzleReader::Type(int address) {
  const auto data = Ask(address, wire::kCmdType, kTypeReplySize);
  if (!data) return std::nullopt;
  const auto type = wire::TypeReading(*data);
  if (!type) failure_ = ReadingFailure::kNoFigures;
  return type;
}

std::optional<wire::DeliveryFigures> NozzleReader::DeliveryCounters(int address) {
  const auto type = Type(address);
  if (!type) return std::nullopt;
  const wire::CounterLayout& layout = wire::kCounterLayouts[static_cast<std::size_t>(*type)];
  const auto replySize =
      static_cast<kavo5000::Byte>(2 * (layout.middle + layout.money) + kReplyFrameBytes);
  const auto data = Ask(address, wire::kCmdDelivery, replySize);
  if (!data) return std::nullopt;
  const auto figures = wire::DeliveryReading(*data, *type);
  if (!figures) failure_ = ReadingFailure::kNoFigures;
  return figures;
}

}  // namespace kavo5000::host
