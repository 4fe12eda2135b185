// BadInputSweep.h — every host slot, and the window's read, called with the
// boundary numbers a careless host passes (channels around 1..20, dispensers
// around 0..32, nozzles around 0..15, amounts that are not numbers, negative,
// at and just beyond the largest their digits hold) and with seeded random
// ones. Each input's documented answer is worked out from the driver's
// documented rules alone; the sweep checks that the driver gives it: no
// crash, the refusal with its message or none, nothing sent for a refused
// input and nothing changed, so that a following valid operation behaves as
// it would have.
#ifndef KAVO5000_TESTS_SWEEP_BADINPUTSWEEP_H
#define KAVO5000_TESTS_SWEEP_BADINPUTSWEEP_H

#include <cstdint>
#include <string>
#include <vector>

#include "SweepInputs.h"

namespace kavo5000::sweep {

struct SweepResult {
  std::uint64_t inputs = 0;
  std::uint64_t refused = 0;          // of them, refused as documented
  std::uint64_t handled = 0;          // of them, carried out (nothing to refuse)
  std::vector<std::string> failures;  // an input whose answer was not the documented one
};

// Runs the boundary grid of every slot and `randomPerSlot` random inputs per
// slot drawn from `seed`.
SweepResult RunSweep(std::uint64_t seed, int randomPerSlot);

// Checks the given inputs, each on a driver of its own.
SweepResult CheckInputs(const std::vector<Input>& inputs);

}  // namespace kavo5000::sweep

#endif  // KAVO5000_TESTS_SWEEP_BADINPUTSWEEP_H
