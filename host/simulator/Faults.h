// Faults.h — faults the simulated line injects on purpose: which exchanges
// they hit (by command, by exchange number, optionally by nozzle address) and
// what they do to the controller's answer. Parsed from a short text so that
// tests and the `simulate` server share one syntax:
//
//   RULE[,RULE…]   RULE = TARGET[@ADDRESS]:ACTION[=ARG][*COUNT]
//   TARGET  *  every exchange      C  command character C (1 2 T N ] …)
//           #K the K-th frame the line receives (from 1)
//   ADDRESS a nozzle address 1..999 ('W' and ']' carry none)
//   ACTION  refuse        answer 0x18 without acting on the command
//           drop          the frame is lost: no action, no answer
//           mute          act on the command, send no answer
//           truncate[=N]  send only the first N bytes (default: half)
//           corrupt[=I]   flip bit 0 of answer byte I, 0..254 (default: the last)
//           garbage[=HEX] send these bytes before the answer (default FF 00 7E)
//           delay=MS      answer MS milliseconds late
//           state=S/S/…   answer the next state queries with these r1 r2
//                         (one or two characters each), then the real state;
//                         a command target must then be '1'
//   COUNT   how many matching exchanges the rule hits (default: all)
#ifndef KAVO5000_SIM_FAULTS_H
#define KAVO5000_SIM_FAULTS_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Clock.h"
#include "Protocol.h"

namespace kavo5000::sim {

class FaultSpecError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

enum class FaultAction { kRefuse, kDrop, kMute, kTruncate, kCorrupt, kGarbage, kDelay, kStates };

struct FaultRule {
  enum class Target { kAny, kCommand, kExchange };
  Target target = Target::kAny;
  Byte command = 0;            // for kCommand
  std::uint64_t exchange = 0;  // for kExchange
  std::optional<int> address;  // only frames for this linear nozzle address
  FaultAction action = FaultAction::kRefuse;
  std::optional<std::int64_t> number;      // truncate length, corrupt index, delay in ms
  Bytes garbage;                           // for kGarbage
  std::vector<Bytes> states;               // for kStates, in order
  std::optional<std::uint64_t> remaining;  // hits left; none: unlimited
};

// What the faults decided for one exchange.
struct FaultDecision {
  bool refuse = false;
  bool drop = false;
  bool mute = false;
  std::optional<Bytes> state;  // scripted r1 r2 for a state query
  Duration delay{};
  std::vector<FaultRule> transforms;  // truncate, corrupt, garbage, in rule order
};

class FaultPlan {
 public:
  FaultPlan() = default;
  // Throws FaultSpecError naming the rule that does not parse, or that could
  // never hit (no such command, address 0, a byte beyond any answer).
  static FaultPlan Parse(std::string_view spec);

  void Add(FaultRule rule) { rules_.push_back(std::move(rule)); }
  bool Empty() const { return rules_.empty(); }
  std::size_t Size() const { return rules_.size(); }

  // Consults (and uses up) the rules for exchange number `exchange`, carrying
  // `command` to `address` (none for unaddressed commands).
  FaultDecision Decide(std::uint64_t exchange, Byte command, std::optional<int> address);

 private:
  std::vector<FaultRule> rules_;
};

// One rule from its text.
FaultRule ParseFaultRule(std::string_view text);

// The answer bytes after the decision's truncations, corruptions and garbage.
Bytes ApplyTransforms(Bytes reply, const std::vector<FaultRule>& transforms);

}  // namespace kavo5000::sim

#endif  // KAVO5000_SIM_FAULTS_H
