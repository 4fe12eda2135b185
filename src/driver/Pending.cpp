// Pending.cpp — slots whose operations are still being built; each refuses
// with a clear message instead of doing something half right.
#include "Messages.h"
#include "VM30.h"

namespace kavo5000::driver {

namespace {
[[noreturn]] void NotImplemented() {
  throw Exception("not implemented");
}
}  // namespace

void KAVO5000_CALL TVM30::GetDeliveryCounters(std::int32_t, std::int32_t, double*, double*) {
  NotImplemented();
}
void KAVO5000_CALL TVM30::GetTotalCounters(std::int32_t, std::int32_t, std::int32_t, double*,
                                           double*, double) {
  NotImplemented();
}
void KAVO5000_CALL TVM30::SetTotalCounter(std::int32_t, std::int32_t, std::int32_t, double,
                                          double) {
  NotImplemented();
}
double KAVO5000_CALL TVM30::GetDeliveredVolume(std::int32_t, std::int32_t, double*) {
  NotImplemented();
}
std::uint16_t KAVO5000_CALL TVM30::GetDispenserState(Byte, Byte) {
  NotImplemented();
}
void KAVO5000_CALL TVM30::GetSost(Byte, Byte, Byte, StateRecord*) {
  NotImplemented();
}
void KAVO5000_CALL TVM30::AddDriverMenu(TMenuItem*, MenuItemFactory) {
  NotImplemented();
}

}  // namespace kavo5000::driver
