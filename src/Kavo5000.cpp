// Kavo5000.cpp — the module's entry: GetVM30, its one export.
#include "kavo5000/Kavo5000.h"
#include "VM30.h"

extern "C" KAVO5000_API kavo5000::TVM30* KAVO5000_CALL GetVM30(std::uint32_t config,
                                                               std::uintptr_t appHandle,
                                                               kavo5000::HostPort* hostPort) {
  constexpr std::uint32_t kConfigByteMask = 0xFF;  // only the low byte configures the driver
  return new kavo5000::driver::VM30Driver(static_cast<kavo5000::Byte>(config & kConfigByteMask),
                                          appHandle, hostPort);
}
