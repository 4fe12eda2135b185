// Bounds.cpp — refusing numbers that lie outside the driver's tables or have
// no digits on the wire.
#include "Bounds.h"

#include <cmath>

#include "FrameCodec.h"
#include "Tables.h"
#include "catalogue/ValueRules.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::driver {

bool IsTableChannel(std::int32_t channel) {
  return channel >= kFirstChannel && channel <= kLastChannel;
}

Byte CheckChannel(std::int32_t channel) {
  if (!IsTableChannel(channel)) throw Exception(kMsgChannelRange);
  return static_cast<Byte>(channel);
}

void CheckDispenser(std::int32_t dispenser) {
  if (dispenser < 0 || dispenser > kLastDispenser) throw Exception(kMsgDispenserRange);
}

int CheckNozzle(std::int32_t nozzle, Byte nozzlesPerDispenser) {
  if (nozzle < 0 || nozzle > kLastNozzle) throw Exception(kMsgNozzleRange);
  if (nozzlesPerDispenser != 0 && nozzle > nozzlesPerDispenser) throw Exception(kMsgNozzleRange);
  return nozzle == 0 ? kFirstNozzle : nozzle;
}

void CheckAmount(double amount, int digits) {
  if (!AmountFits(amount, digits)) throw Exception(kMsgInvalidValue);
}

void CheckParamIndex(std::int32_t index) {
  if (index < 0 || index >= catalogue::kParamCount) throw Exception(kMsgInvalidValue);
}

void CheckParamValue(std::int32_t value) {
  if (value < 0) throw Exception(kMsgInvalidValue);
}

}  // namespace kavo5000::driver
