// Replies.cpp — outcomes and values of replies.
#include "Replies.h"

#include <limits>

namespace kavo5000::driver {

namespace {
constexpr Byte kDigitBits = 0x30;          // set in '0'..'9' and ':'..'?'
constexpr std::size_t kFirstValuePos = 3;  // r2, after the address byte r1
constexpr std::int64_t kDecimalBase = 10;
}  // namespace

ReplyOutcome OutcomeOf(Byte lineState, ReplyBytes reply) {
  if (lineState != kLineValid || reply.empty()) return ReplyOutcome::None;
  return reply[0] == kRefused ? ReplyOutcome::Refused : ReplyOutcome::Accepted;
}

std::optional<Byte> DataByte(ReplyBytes reply, int j) {
  if (j < 1) return std::nullopt;
  const auto pos = static_cast<std::size_t>(2 * j - 1);
  if (pos >= reply.size()) return std::nullopt;
  return reply[pos];
}

std::optional<int> DigitAt(ReplyBytes reply, int j) {
  const std::optional<Byte> b = DataByte(reply, j);
  if (!b) return std::nullopt;
  return static_cast<int>(*b) - kDigitZero;
}

std::optional<std::int64_t> DigitField(ReplyBytes reply, int first, int count) {
  std::int64_t value = 0;
  for (int j = first; j < first + count; ++j) {
    const std::optional<int> digit = DigitAt(reply, j);
    if (!digit) return std::nullopt;
    value = value * kDecimalBase + *digit;
  }
  return value;
}

std::optional<std::int32_t> ParamValue(ReplyBytes reply) {
  std::int64_t value = 0;
  for (std::size_t pos = kFirstValuePos;; pos += 2) {
    if (pos >= reply.size()) return std::nullopt;
    const Byte b = reply[pos];
    if ((b & kDigitBits) != kDigitBits) break;
    value = value * kDecimalBase + (b - kDigitZero);
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace kavo5000::driver
