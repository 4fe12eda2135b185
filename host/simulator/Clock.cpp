// Clock.cpp — the virtual and the steady clock.
#include "Clock.h"

#include <thread>

namespace kavo5000::sim {

void VirtualClock::WaitUntil(Instant t) {
  Instant current = now_.load();
  while (t > current && !now_.compare_exchange_weak(current, t)) {
  }
}

Instant SteadyClock::Now() const {
  return Instant(std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now() - start_));
}

void SteadyClock::WaitUntil(Instant t) {
  std::this_thread::sleep_until(start_ + t.time_since_epoch());
}

Duration Seconds(double s) {
  return std::chrono::duration_cast<Duration>(std::chrono::duration<double>(s));
}

double ToSeconds(Duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace kavo5000::sim
