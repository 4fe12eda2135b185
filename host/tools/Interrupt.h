// Interrupt.h — Ctrl-C (and SIGTERM where there is one) ends a long-running
// command by raising a flag the command polls, so that it still closes its
// port on the way out: a device left marked exclusive would refuse the next
// program.
#ifndef KAVO5000_TOOL_INTERRUPT_H
#define KAVO5000_TOOL_INTERRUPT_H

#include <atomic>

namespace kavo5000::tool {

// From now on an interrupt sets `flag`, which must outlive the process's
// interest in interrupts.
void RaiseOnInterrupt(std::atomic<bool>& flag);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_INTERRUPT_H
