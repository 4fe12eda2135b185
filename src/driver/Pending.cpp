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

void KAVO5000_CALL TVM30::AddDriverMenu(TMenuItem*, MenuItemFactory) {
  NotImplemented();
}

}  // namespace kavo5000::driver
