// Clock.h — the time the simulator runs on, chosen by its caller: a virtual
// clock that only moves when told (tests), or the steady clock (served
// simulators, the tools).
#ifndef KAVO5000_SIM_CLOCK_H
#define KAVO5000_SIM_CLOCK_H

#include <atomic>
#include <chrono>

namespace kavo5000::sim {

class Clock;

// A span of time: how long something lasts or waits.
using Duration = std::chrono::nanoseconds;
// A point in time on a simulator clock, counted from the clock's own start.
using Instant = std::chrono::time_point<Clock, Duration>;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Instant Now() const = 0;
  // Returns once Now() has reached t (at once when it has already).
  virtual void WaitUntil(Instant t) = 0;
};

// Moves only when waited on or advanced: a test's time, free of the wall clock.
class VirtualClock final : public Clock {
 public:
  Instant Now() const override { return now_.load(); }
  void WaitUntil(Instant t) override;
  void Advance(Duration d) { WaitUntil(Now() + d); }

 private:
  std::atomic<Instant> now_{Instant{}};
};

// Real time from a steady source; waiting sleeps.
class SteadyClock final : public Clock {
 public:
  SteadyClock() : start_(std::chrono::steady_clock::now()) {}
  Instant Now() const override;
  void WaitUntil(Instant t) override;

 private:
  std::chrono::steady_clock::time_point start_;
};

// Seconds as a Duration.
Duration Seconds(double s);
// A Duration in seconds.
double ToSeconds(Duration d);

}  // namespace kavo5000::sim

#endif  // KAVO5000_SIM_CLOCK_H
