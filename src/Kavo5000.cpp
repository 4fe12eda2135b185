// Kavo5000.cpp — the module's entry: GetVM30, its one export.
#include "kavo5000/Kavo5000.h"
#include "VM30.h"

#ifdef KAVO5000_WITH_WINDOW
#include "ParamWindow.h"

namespace {
// The driver's menu command opens the parameter window from the moment the
// module is loaded; no toolkit starts until the window is first needed.
const bool windowLauncherInstalled = (kavo5000::window::InstallParamWindowLauncher(), true);
}  // namespace
#endif

extern "C" KAVO5000_API kavo5000::TVM30* KAVO5000_CALL GetVM30(std::uint32_t config,
                                                               std::uintptr_t appHandle,
                                                               kavo5000::HostPort* hostPort) {
  // Only the low byte configures the driver.
  return new kavo5000::driver::VM30Driver(
      static_cast<kavo5000::Byte>(config & kavo5000::kLastConfig), appHandle, hostPort);
}
