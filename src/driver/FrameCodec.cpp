// FrameCodec.cpp — nozzle addressing, command framing and reply judgement.
#include "FrameCodec.h"

#include <algorithm>
#include <cmath>

#include "Messages.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::driver {

namespace {

bool IsStartByte(Byte b) {
  return b == kReplyStart || b == kAck || b == kNak || b == kRefused;
}

bool IsControlByte(Byte b) {
  return b == kAck || b == kNak || b == kRefused;
}

}  // namespace

AddressBytes AddressFromLinear(std::int32_t v) {
  if (v < kFirstGroupLimit) {
    return {kFirstGroupStart, static_cast<Byte>(kAddressBase + v)};
  }
  return {static_cast<Byte>((v - 1) / kGroupSize + kGroupStartOffset),
          static_cast<Byte>(kAddressBase + v % kGroupSize)};
}

std::int64_t LinearNozzleNumber(Byte nozzlesPerDispenser, std::int32_t dispenser,
                                std::int32_t nozzle) {
  if (nozzle == 0) nozzle = 1;
  // Wide: the address dialog hands on whatever numbers were typed.
  return std::int64_t{nozzlesPerDispenser} * (std::int64_t{dispenser} - 1) + nozzle;
}

AddressBytes NozzleAddress(Byte nozzlesPerDispenser, std::int32_t dispenser, std::int32_t nozzle) {
  // The slots check dispenser and nozzle first, so the number is small.
  return AddressFromLinear(
      static_cast<std::int32_t>(LinearNozzleNumber(nozzlesPerDispenser, dispenser, nozzle)));
}

Frame BuildFrame(std::span<const Byte> command) {
  if (command.empty()) throw Exception(kMsgEmptyCommand);
  if (command.size() > kMaxCommandBytes) throw Exception(kMsgCommandTooLong);
  Frame frame;
  std::size_t pos = 0;
  frame.bytes[pos++] = kFrameStart;
  frame.bytes[pos++] = command[0];  // the group start byte travels alone
  Byte checksum = kChecksumSeed;
  for (std::size_t i = 1; i < command.size(); ++i) {
    frame.bytes[pos++] = command[i];
    frame.bytes[pos++] = static_cast<Byte>(command[i] ^ kComplementMask);
    checksum ^= command[i];
  }
  frame.bytes[pos++] = kEndByte;
  frame.bytes[pos++] = kEndByte;
  frame.bytes[pos++] = static_cast<Byte>(checksum | kChecksumBit);
  frame.length = static_cast<Byte>(pos);
  return frame;
}

ReplyVerdict CheckReply(std::span<Byte> received) {
  ReplyVerdict verdict;
  std::size_t length = std::min<std::size_t>(received.size(), kMaxFrameLength);
  std::size_t skip = 0;
  while (skip < length && !IsStartByte(received[skip])) ++skip;
  if (skip > 0) {
    std::copy(received.begin() + static_cast<std::ptrdiff_t>(skip),
              received.begin() + static_cast<std::ptrdiff_t>(length), received.begin());
    length -= skip;
  }
  verdict.length = static_cast<Byte>(length);
  if (length == 0) {
    verdict.lineError = kLineErrorNoStart;
    return verdict;
  }
  const Byte* b = received.data();
  if (IsControlByte(b[0])) {
    verdict.accepted = true;
    verdict.lineState = kLineValid;
    return verdict;
  }
  // b[0] is the data reply's start byte. Too short to hold the two end bytes
  // and the checksum: malformed, like wrong end bytes.
  if (length < kMinDataReply || b[length - 2] != kEndByte || b[length - 3] != kEndByte) {
    verdict.lineState = kLineMalformed;
    verdict.lineError = kLineErrorMalformed;
    return verdict;
  }
  const auto pairs = static_cast<std::size_t>(RoundHalfEven(static_cast<double>(length) / 2.0));
  for (std::size_t i = 1; i + 2 <= pairs; ++i) {
    if ((b[2 * i - 1] ^ b[2 * i]) != kComplementMask) {
      verdict.lineState = kLineMalformed;
      verdict.lineError = kLineErrorMalformed;
      return verdict;
    }
  }
  Byte sum = 0;
  for (std::size_t i = 1; i + 1 <= pairs; ++i) sum ^= b[2 * i - 1];
  if (b[length - 1] == static_cast<Byte>(sum | kChecksumBit)) {
    verdict.accepted = true;
    verdict.lineState = kLineValid;
  } else {
    verdict.lineError = kLineErrorChecksum;
  }
  return verdict;
}

}  // namespace kavo5000::driver
