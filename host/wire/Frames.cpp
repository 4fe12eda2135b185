// Frames.cpp — building and parsing frames and replies, addresses, digit
// fields.
#include "Frames.h"

namespace kavo5000::wire {

namespace {
constexpr std::size_t kFrameCommandAt = 1;   // frame bytes: c0 follows the start byte
constexpr std::size_t kReplyPairsAt = 1;     // data reply bytes: r1 and its complement begin here
constexpr std::uint64_t kDecimalBase = 10;   // digit fields are decimal
constexpr Byte kDigitNine = kDigitZero + 9;  // the highest decimal digit
}  // namespace

bool IsControlReply(Byte b) {
  return b == kAck || b == kUnknownCommand || b == kRefuse;
}

AddressPair AddressOf(int v) {
  if (v < kFirstGroupLimit) return {kFirstGroup, static_cast<Byte>(kAddressBase + v)};
  return {static_cast<Byte>((v - 1) / kGroupSize + kGroupByteOffset),
          static_cast<Byte>(kAddressBase + v % kGroupSize)};
}

std::optional<int> LinearOf(AddressPair pair) {
  const int position = pair.address - kAddressBase;
  if (pair.group == kFirstGroup) {
    if (position >= 1 && position < kFirstGroupLimit) return position;
    return std::nullopt;
  }
  if (pair.group <= kGroupByteOffset || position < 0 || position >= kGroupSize) {
    return std::nullopt;
  }
  const int groupIndex = pair.group - kGroupByteOffset;  // 1 for 0x07
  // Address byte 0x20 is the last nozzle of its group.
  const int v = position == 0 ? (groupIndex + 1) * kGroupSize : groupIndex * kGroupSize + position;
  if (v < kFirstGroupLimit || AddressOf(v) != pair) return std::nullopt;
  return v;
}

Byte Checksum(std::span<const Byte> bytes) {
  Byte sum = kChecksumSeed;
  for (Byte b : bytes) sum ^= b;
  return static_cast<Byte>(sum | kChecksumBit);
}

Bytes EncodeFrame(std::span<const Byte> command) {
  Bytes out{kFrameStart};
  if (command.empty()) return out;
  out.push_back(command[0]);
  for (std::size_t i = 1; i < command.size(); ++i) {
    out.push_back(command[i]);
    out.push_back(static_cast<Byte>(command[i] ^ kComplementMask));
  }
  out.push_back(kEndByte);
  out.push_back(kEndByte);
  out.push_back(Checksum(command.subspan(1)));
  return out;
}

ParsedFrame ParseFrame(std::span<const Byte> bytes) {
  ParsedFrame result;
  if (bytes.empty() || bytes[0] != kFrameStart) return result;
  if (bytes.size() <= kFrameCommandAt) {
    result.verdict = FrameVerdict::kIncomplete;
    return result;
  }
  Bytes command{bytes[kFrameCommandAt]};
  for (std::size_t pos = kFramePairsAt;; pos += kPairLength) {
    if (pos + kTailLength > kMaxFrame) return result;  // longer than any frame
    if (pos + 1 >= bytes.size()) {
      result.verdict = FrameVerdict::kIncomplete;
      return result;
    }
    if (bytes[pos] == kEndByte && bytes[pos + 1] == kEndByte) {
      if (pos + 2 >= bytes.size()) {
        result.verdict = FrameVerdict::kIncomplete;
        return result;
      }
      result.length = pos + kTailLength;
      result.verdict = bytes[pos + 2] == Checksum(std::span<const Byte>(command).subspan(1))
                           ? FrameVerdict::kGood
                           : FrameVerdict::kBadChecksum;
      result.command = std::move(command);
      return result;
    }
    if ((bytes[pos] ^ bytes[pos + 1]) != kComplementMask) {
      result.verdict = FrameVerdict::kBadComplement;
      return result;
    }
    command.push_back(bytes[pos]);
  }
}

Bytes EncodeDataReply(std::span<const Byte> data) {
  Bytes out{kDataStart};
  for (Byte b : data) {
    out.push_back(b);
    out.push_back(static_cast<Byte>(b ^ kComplementMask));
  }
  out.push_back(kEndByte);
  out.push_back(kEndByte);
  out.push_back(Checksum(data));
  return out;
}

ParsedReply ParseReply(std::span<const Byte> bytes) {
  ParsedReply result;
  if (bytes.empty()) return result;
  if (IsControlReply(bytes[0])) {
    result.verdict = ReplyVerdict::kControl;
    result.control = bytes[0];
    result.length = 1;
    return result;
  }
  if (bytes[0] != kDataStart) return result;
  Bytes data;
  for (std::size_t pos = kReplyPairsAt;; pos += kPairLength) {
    if (pos + 1 >= bytes.size()) {
      result.verdict = ReplyVerdict::kIncomplete;
      return result;
    }
    if (bytes[pos] == kEndByte && bytes[pos + 1] == kEndByte) {
      if (pos + 2 >= bytes.size()) {
        result.verdict = ReplyVerdict::kIncomplete;
        return result;
      }
      result.length = pos + kTailLength;
      result.verdict =
          bytes[pos + 2] == Checksum(data) ? ReplyVerdict::kData : ReplyVerdict::kBadChecksum;
      result.data = std::move(data);
      return result;
    }
    if ((bytes[pos] ^ bytes[pos + 1]) != kComplementMask) {
      result.verdict = ReplyVerdict::kMalformed;
      return result;
    }
    data.push_back(bytes[pos]);
  }
}

Bytes Digits(std::uint64_t value, int width) {
  Bytes out(static_cast<std::size_t>(width > 0 ? width : 0), kDigitZero);
  for (auto it = out.rbegin(); it != out.rend(); ++it) {
    *it = static_cast<Byte>(kDigitZero + value % kDecimalBase);
    value /= kDecimalBase;
  }
  return out;
}

std::optional<std::uint64_t> ParseDigits(std::span<const Byte> digits) {
  std::uint64_t value = 0;
  for (Byte b : digits) {
    if (b < kDigitZero || b > kDigitNine) return std::nullopt;
    value = value * kDecimalBase + (b - kDigitZero);
  }
  return value;
}

}  // namespace kavo5000::wire
