// Bounds.h — the checks every slot makes on the host's numbers before anything
// is sent or changed; each failure raises kavo5000::Exception with its message.
#ifndef KAVO5000_DRIVER_BOUNDS_H
#define KAVO5000_DRIVER_BOUNDS_H

#include <cstdint>

#include "Protocol.h"

namespace kavo5000::driver {

bool IsTableChannel(std::int32_t channel);

// Channel 1..20; returns it as the byte the port takes.
Byte CheckChannel(std::int32_t channel);

// Dispenser 0..32.
void CheckDispenser(std::int32_t dispenser);

// Nozzle 0..15 and, while the configuration numbers its nozzles
// (nozzlesPerDispenser at least 1), no higher than the dispenser has: a
// higher one would name the next dispenser's nozzle on the wire. Returns it
// with 0 taken as 1.
int CheckNozzle(std::int32_t nozzle, Byte nozzlesPerDispenser);

// An amount that travels as round(amount × 100) in a field of `digits` digits.
void CheckAmount(double amount, int digits);

// A parameter index or code 0..59.
void CheckParamIndex(std::int32_t index);

// A parameter value that travels as digits: not negative.
void CheckParamValue(std::int32_t value);

// A host's output pointer.
template <typename T>
T* CheckResult(T* result);

}  // namespace kavo5000::driver

#include "Messages.h"
#include "kavo5000/Kavo5000.h"

template <typename T>
T* kavo5000::driver::CheckResult(T* result) {
  if (result == nullptr) throw Exception(kMsgNoResult);
  return result;
}

#endif  // KAVO5000_DRIVER_BOUNDS_H
