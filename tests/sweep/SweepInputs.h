// SweepInputs.h — the bad-input sweep's inputs: for every host slot and the
// window's read, the boundary grid and seeded random arguments, each with the
// answer the driver's documentation gives for it (a refusal and its message,
// or none). Worked out from the documented rules alone, never from the
// driver's code.
#ifndef KAVO5000_TESTS_SWEEP_SWEEPINPUTS_H
#define KAVO5000_TESTS_SWEEP_SWEEPINPUTS_H

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "VM30.h"

namespace kavo5000::sweep {

// Answers without an exception that still refuse: the window's read gives −1
// and sends nothing; a channel outside the tables reads as status 0 and
// takes no status. The sweep's calls raise these themselves so that the
// runner treats them as refusals.
inline constexpr const char* kWindowRefused = "window: −1, nothing sent";
inline constexpr const char* kStatusIgnored = "status: channel outside the tables ignored";

// Every nozzle's price while the sweep runs, and the status every channel
// starts from.
inline constexpr double kSweepPrice = 50.0;
inline constexpr Byte kPrimedStatus = 0x42;

struct Input {
  std::string text;
  Byte config = 0;
  std::function<void(driver::VM30Driver&)> call;
  const char* refusal = nullptr;  // none: the input is carried out
};

std::vector<Input> SweepInputs(std::mt19937_64& random, int randomPerSlot);

}  // namespace kavo5000::sweep

#endif  // KAVO5000_TESTS_SWEEP_SWEEPINPUTS_H
