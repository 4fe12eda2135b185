// Readings.h — the figures a controller's data replies carry, read as a
// station bills them: the state bytes of '1', the running volume of '4',
// the dispenser type of '7' and a delivery's litres and money of '5' by
// that type's layout. Pure: a reply's data bytes r1 … rk in, the figure or
// nothing (the reply does not hold it) out; amounts in hundredths, as they
// travel.
#ifndef KAVO5000_WIRE_READINGS_H
#define KAVO5000_WIRE_READINGS_H

#include <cstdint>
#include <optional>
#include <span>

#include "LineProtocol.h"

namespace kavo5000::wire {

// State reply bytes r1 and r2, as a host reads them.
inline constexpr Byte kStateIdle = '0';        // r1: nozzle hung up, nothing authorised
inline constexpr Byte kStateLifted = '1';      // r1: nozzle lifted, not authorised
inline constexpr Byte kStateAuthorised = '2';  // r1: authorised, waiting for the nozzle
inline constexpr Byte kStateStopped = '3';     // r1: stopped
inline constexpr Byte kDeliveryFirst = '4';    // r1 of a delivery, running or ended …
inline constexpr Byte kDeliveryLast = '6';     // … up to this
inline constexpr Byte kSubRunning = '0';       // r2 of a delivery: fuel flowing
inline constexpr Byte kSubFinished = '1';      // r2 of a delivery: it has ended
inline constexpr Byte kSubNone = '0';          // r2 of every other state
inline constexpr std::size_t kStateAt = 0;     // '1', '4': r1 is the first data byte
inline constexpr std::size_t kSubStateAt = 1;  // '1': r2 the second
inline constexpr std::size_t kVolumeAt = 1;    // '4': the volume's digits follow r1
// A type byte out of range counts as this type, as the driver takes it.
inline constexpr int kTypeFallback = 1;

struct StateBytes {
  Byte r1 = 0;
  Byte r2 = 0;
  bool operator==(const StateBytes&) const = default;
};

// r1 and r2 of a state reply.
std::optional<StateBytes> StateReading(std::span<const Byte> data);
// A delivery runs or has ended and is not closed yet.
bool DeliveryOpen(StateBytes state);
// Fuel is flowing.
bool FuelFlowing(StateBytes state);
// A transaction waits for its end or its close: authorised, stopped, or a
// delivery open.
bool TransactionOpen(StateBytes state);

// The volume of a '4' reply, in hundredths of a litre.
std::optional<std::uint64_t> RunningVolumeReading(std::span<const Byte> data);

// The dispenser type of a '7' reply (out of range: kTypeFallback).
std::optional<int> TypeReading(std::span<const Byte> data);

// A delivery's counters, in hundredths.
struct DeliveryFigures {
  std::uint64_t litres = 0;
  std::uint64_t money = 0;
  bool operator==(const DeliveryFigures&) const = default;
};
// The litres and money of a '5' reply by the type's layout; nothing for a
// type with no counter digits (0), one out of range, or a reply too short
// or not digits where the layout puts them.
std::optional<DeliveryFigures> DeliveryReading(std::span<const Byte> data, int type);

}  // namespace kavo5000::wire

#endif  // KAVO5000_WIRE_READINGS_H
