// Interrupt.cpp — SIGINT and SIGTERM set the command's stop flag: through
// sigaction on POSIX systems (no SA_RESTART, so a wait in progress returns),
// through the C library's signal on Windows, which has no sigaction.
#include "Interrupt.h"

#include <csignal>

namespace kavo5000::tool {

namespace {
std::atomic<std::atomic<bool>*> gFlag{nullptr};

extern "C" void OnInterrupt(int) {
  if (std::atomic<bool>* flag = gFlag.load()) flag->store(true);
}
}  // namespace

void RaiseOnInterrupt(std::atomic<bool>& flag) {
  gFlag.store(&flag);
#ifdef _WIN32
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
#else
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

}  // namespace kavo5000::tool
