// Poller.h — the one thread that talks to a channel's line for the station:
// it polls the channel's dispensers when the window asks for a round, and
// carries out the operator's commands in the order given, handing every
// result back through callbacks. A slow or dead line never freezes the window.
#ifndef KAVO5000_STATION_POLLER_H
#define KAVO5000_STATION_POLLER_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "StationCommands.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::station {

// One dispenser as a poll found it: raw codes, worded by the window.
struct DispenserView {
  Byte channel = 1;
  int number = 0;
  bool answered = false;               // a valid reply came
  std::uint16_t summary = 0;           // the dispenser's state code
  std::vector<std::uint16_t> nozzles;  // each nozzle's state code
  Byte status = 0;                     // the channel status after the query
  std::string failure;                 // why the query failed, when the driver raised
  std::optional<Amounts> running;      // the delivery in progress, while fuel runs
  std::optional<Amounts> delivered;    // the ended delivery's counters
};

// One round over a channel.
struct Round {
  Byte channel = 1;
  bool lineUp = false;  // the channel is open and its exchanges went through
  std::string reason;   // why not, in the port's words when it has them
  std::vector<DispenserView> dispensers;
};

// What to poll.
struct PollPlan {
  Byte channel = 1;
  int dispensers = 2;
  int nozzles = 4;
};

// The plan for a channel's first `dispensers` dispensers, with as many
// nozzles each as the driver numbers for the configuration byte.
PollPlan PlanFor(Byte channel, std::uint32_t config, int dispensers);

// The dispensers, by number, on which a delivery may run: their volume is
// read before their state.
using Following = std::vector<bool>;

// One round over every dispenser of the plan, on the calling thread; updates
// which dispensers are followed.
Round PollOnce(kavo5000::TVM30& driver, const PollPlan& plan, const LineReason& reason,
               Following& following);

class Poller {
 public:
  struct Hooks {
    std::function<void(Round)> polled;              // on the poller's thread
    std::function<void(CommandOutcome)> performed;  // on the poller's thread
    LineReason reason;                              // the port's words for a failure
    LastRefused lastRefused;                        // whether the last exchange was refused
  };
  // Opens the channel on its thread; `driver` must outlive the poller.
  Poller(kavo5000::TVM30& driver, PollPlan plan, Hooks hooks);
  // Finishes the job in progress and drops the rest.
  ~Poller();
  Poller(const Poller&) = delete;
  Poller& operator=(const Poller&) = delete;

  // A round soon, unless one is already waiting.
  void PollSoon();
  // The command after those already given; commands go before a waiting round.
  void Perform(const Command& command);

 private:
  void Run();
  bool EnsureOpen(std::string& reason);
  void Follow(int dispenser);

  kavo5000::TVM30& driver_;
  PollPlan plan_;
  Hooks hooks_;
  bool open_ = false;    // the poller's thread only
  Following following_;  // the poller's thread only
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Command> commands_;
  bool roundWanted_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_POLLER_H
