// Readings.cpp — reading states, volumes, types and delivery counters off
// data replies.
#include "Readings.h"

#include "Frames.h"

namespace kavo5000::wire {

namespace {
// The number `width` digits at `at` spell, or nothing when they are not
// there or not digits.
std::optional<std::uint64_t> Field(std::span<const Byte> data, std::size_t at, int width) {
  const auto n = static_cast<std::size_t>(width);
  if (width <= 0 || at + n > data.size()) return std::nullopt;
  return ParseDigits(data.subspan(at, n));
}
}  // namespace

std::optional<StateBytes> StateReading(std::span<const Byte> data) {
  if (data.size() <= kSubStateAt) return std::nullopt;
  return StateBytes{data[kStateAt], data[kSubStateAt]};
}

bool DeliveryOpen(StateBytes state) {
  return state.r1 >= kDeliveryFirst && state.r1 <= kDeliveryLast;
}

bool FuelFlowing(StateBytes state) {
  return DeliveryOpen(state) && state.r2 == kSubRunning;
}

bool TransactionOpen(StateBytes state) {
  return state.r1 == kStateAuthorised || state.r1 == kStateStopped || DeliveryOpen(state);
}

std::optional<std::uint64_t> RunningVolumeReading(std::span<const Byte> data) {
  return Field(data, kVolumeAt, kVolumeReplyDigits);
}

std::optional<int> TypeReading(std::span<const Byte> data) {
  if (data.empty()) return std::nullopt;
  const int type = data[0] - kTypeBase;
  return type >= 0 && type < kTypeCount ? type : kTypeFallback;
}

std::optional<DeliveryFigures> DeliveryReading(std::span<const Byte> data, int type) {
  if (type < 0 || type >= kTypeCount) return std::nullopt;
  const CounterLayout& layout = kCounterLayouts[static_cast<std::size_t>(type)];
  const auto litres = Field(data, 0, layout.volume);
  const auto money = Field(data, static_cast<std::size_t>(layout.volume), layout.money);
  if (!litres || !money) return std::nullopt;
  return DeliveryFigures{*litres, *money};
}

}  // namespace kavo5000::wire
