// Soak.h — a station's day on a noisy line, compressed: the driver, behind
// the host kit's LineHostPort, runs a mixed workload (polls, deliveries,
// counters, parameter reads) against the in-process simulator on a virtual
// clock while the line spoils answers. Every exchange and every value the
// driver reports as good is judged against what the controllers really said
// and hold, and the outcome is counted.
#ifndef KAVO5000_TESTS_SOAK_SOAK_H
#define KAVO5000_TESTS_SOAK_SOAK_H

#include <array>
#include <cstdint>
#include <functional>

#include "NoisyLine.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::soak {

struct SoakSettings {
  std::uint64_t exchanges = 100'000;  // the run ends after this many
  NoiseSettings noise;
  std::uint64_t seed = 1;  // the workload's choices
  // Between the line and the driver, for the soak's own tests: a port that
  // wraps the real one (to plant a fault the soak must see). None: the real one.
  std::function<kavo5000::HostPort*(kavo5000::HostPort&)> wrapPort;
};

struct SoakTally {
  std::uint64_t exchanges = 0;
  std::uint64_t operations = 0;
  // Exchanges the line spoiled, by kind (an exchange may suffer several).
  std::uint64_t faultyExchanges = 0;
  std::array<std::uint64_t, kFaultKinds> byKind{};
  std::uint64_t corruptedBytes = 0;
  // What became of the spoiled exchanges.
  std::uint64_t detected = 0;  // the reply was not accepted: the host sees a failed exchange
  std::uint64_t absorbed =
      0;  // the accepted reply is the controller's own (noise skipped, late in time)
  // Accepted replies that are not what the controller sent: sound by every
  // check the protocol has (a lone control byte has none), or a driver fault.
  std::uint64_t mistakenUndetectable = 0;
  std::uint64_t mistakenDriverFault = 0;
  // Of the undetectable ones: a lone control byte (noise or a changed byte
  // that happens to be 0x06, 0x15 or 0x18), and among those the ones that
  // turned a refusal into an acceptance or the reverse.
  std::uint64_t mistakenControlByte = 0;
  std::uint64_t outcomeTurned = 0;
  // Values the driver reported with a valid status, checked against the
  // simulator's own state, and those that differ from it.
  std::uint64_t valuesChecked = 0;
  std::uint64_t wrongValuesUndetectable = 0;
  std::uint64_t wrongValuesDriverFault = 0;
  // Operations that raised (no transport fails here, so none should).
  std::uint64_t operationsRaised = 0;
  // Exchanges the line left alone that still failed: a line that did not
  // recover from an earlier fault.
  std::uint64_t unrecovered = 0;
};

SoakTally RunSoak(const SoakSettings& settings);

// Names of the fault kinds, in bit order.
const char* FaultName(unsigned kind);

}  // namespace kavo5000::soak

#endif  // KAVO5000_TESTS_SOAK_SOAK_H
