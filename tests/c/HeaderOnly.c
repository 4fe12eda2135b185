/* The C interface's header on its own, as a C compiler (and a C++ one) of a
 * host takes it: every declaration used once, so that a header a strict
 * compiler refuses fails the build of this file. */
#include "kavo5000/kavo5000_c.h"

int UsesTheHeader(void);

int UsesTheHeader(void) {
  kavo5000_driver* driver = 0;
  kavo5000_channel line = {1, "sim", 0, 0};
  kavo5000_state state = {KAVO5000_STATE_IDLE, 0, {0, 0, 0, 0, 0, 0}};
  kavo5000_status (KAVO5000_C_CALL *open)(const char*, uint32_t, const kavo5000_channel*, int32_t,
                                          uintptr_t, kavo5000_driver**) = kavo5000_open;
  (void)state;
  (void)open;
  (void)line;
  return kavo5000_close(driver) == KAVO5000_OK ? KAVO5000_LINE_VALID : KAVO5000_INTERNAL;
}
