// ExchangePairing.h — the bus's units as a conversation: each controller's
// reply paired with the host's command it answers and its delay, the
// commands nobody answered, the replies that answer nobody, and what is wrong
// with each unit. Pure: units in, in the order heard; events out.
#ifndef KAVO5000_MONITOR_EXCHANGEPAIRING_H
#define KAVO5000_MONITOR_EXCHANGEPAIRING_H

#include <cstddef>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "BusFramer.h"

namespace kavo5000::monitor {

enum class BusProblem {
  kBadChecksum,    // a frame or reply whose checksum is wrong
  kBadComplement,  // a frame or reply with a wrong complement
  kBrokenOff,      // a frame or reply that never ended
  kStrayBytes,     // bytes that are neither
  kUnanswered,     // a command that awaited a reply and got none
  kReplyToNobody,  // a reply with no command waiting for it
};
inline constexpr std::size_t kProblemKinds = 6;

// The problem in a few words ("bad checksum", "unanswered command", …).
std::string_view ProblemWords(BusProblem problem);

struct BusEvent {
  enum class Kind {
    kUnit,        // a unit as heard
    kUnanswered,  // a command's reply window has passed with no reply
  };
  Kind kind = Kind::kUnit;
  std::size_t number = 0;       // the unit's number, from 1 in the order heard (the command's)
  BusUnit unit;                 // the unit (the unanswered command)
  std::optional<int> nozzle;    // a frame's nozzle address, or the answered frame's
  std::optional<Byte> command;  // its command character ('W' and ']' stand in the address)
  std::optional<std::size_t> answers;  // a reply: the number of the command it answers
  std::optional<double> delay;         // a reply: seconds from the command's end to its start
  Bytes answeredFrame;                 // a reply: the frame it answers
  std::optional<int> dispenserType;    // the type last read from the answered nozzle
  std::vector<BusProblem> problems;
};

// The nozzle address and command character of a sound frame (or one whose
// only fault is its checksum); nothing for bytes that are no such frame.
struct FrameAddress {
  std::optional<int> nozzle;
  Byte command = 0;
  bool awaitsReply = false;  // a controller answers it ('W' is never answered)
};
std::optional<FrameAddress> AddressOfFrame(const Bytes& frame);

class ExchangePairer {
 public:
  // A command unanswered this long (seconds from its last byte) is given up.
  explicit ExchangePairer(double replyWindow) : replyWindow_(replyWindow) {}

  std::vector<BusEvent> Take(BusUnit unit);
  // Nothing heard until `time`: a command whose window has passed is unanswered.
  std::vector<BusEvent> Idle(double time);
  // The stream has ended: a command still waiting is unanswered.
  std::vector<BusEvent> Finish();

 private:
  struct Waiting {
    BusEvent command;
    bool answered = false;
  };
  void GiveUp(std::vector<BusEvent>& out);

  double replyWindow_;
  std::size_t count_ = 0;
  std::optional<Waiting> waiting_;
  std::map<int, int> types_;  // the dispenser type last read, by nozzle address
};

}  // namespace kavo5000::monitor

#endif  // KAVO5000_MONITOR_EXCHANGEPAIRING_H
