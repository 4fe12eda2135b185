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

inline constexpr std::size_t kRecordNozzles = 6;  // nozzle words in a state record

// One dispenser as a poll found it: raw codes, worded by the window.
struct DispenserView {
  Byte channel = 1;
  int number = 0;
  bool answered = false;               // a valid reply came
  std::uint16_t summary = 0;           // the dispenser's state code
  int summaryNozzle = 0;               // the nozzle the summary is of, as the driver says
  std::vector<std::uint16_t> nozzles;  // each nozzle's state code
  Byte status = 0;                     // the channel status after the query
  std::string failure;                 // why the query failed, when the driver raised
  std::optional<Amounts> running;      // the delivery in progress, while fuel runs
  std::optional<Amounts> delivered;    // the ended delivery's counters
  // The driver tried to close the delivery during the poll and the
  // controller refused: fuel still runs.
  bool closeRefused = false;
  // The nozzle of an open delivery this station did not start (0: none),
  // read straight from its controllers.
  int adoptedNozzle = 0;
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

// What the poller keeps of a dispenser between rounds.
struct Tracked {
  // A delivery may run: the volume is read before the state.
  bool following = false;
  // Its nozzles' states have been read from the controllers since the
  // station started (or it has started a delivery of its own there).
  bool surveyed = false;
  // The nozzle of an open delivery the station did not start, 0 when none.
  int adopted = 0;
};
using Tracking = std::vector<Tracked>;  // by dispenser number

// Counts the closes the controllers of a channel have refused so far.
using RefusedCloses = std::function<std::uint32_t(Byte channel)>;

struct PollerHooks {
  std::function<void(Round)> polled;              // on the poller's thread
  std::function<void(CommandOutcome)> performed;  // on the poller's thread
  LineReason reason;                              // the port's words for a failure
  LastExchange lastExchange;                      // the channel's last exchange
  RefusedCloses refusedCloses;
  // The port the driver was lent, for readings straight from a controller
  // (open deliveries the station did not start); none: the driver alone.
  kavo5000::HostPort* port = nullptr;
};

// One round over every dispenser of the plan, on the calling thread; updates
// what is tracked of each dispenser.
Round PollOnce(kavo5000::TVM30& driver, const PollPlan& plan, const PollerHooks& hooks,
               Tracking& tracking);

// Carries out `command` as the tracking asks: a stop or close of a
// dispenser with an adopted delivery goes to that delivery's nozzle, and
// its counters are read from that nozzle's controller. Updates the tracking.
CommandOutcome PerformTracked(kavo5000::TVM30& driver, const PollPlan& plan, Command command,
                              const PollerHooks& hooks, Tracking& tracking);

class Poller {
 public:
  using Hooks = PollerHooks;
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

  kavo5000::TVM30& driver_;
  PollPlan plan_;
  Hooks hooks_;
  bool open_ = false;  // the poller's thread only
  Tracking tracking_;  // the poller's thread only
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Command> commands_;
  bool roundWanted_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_POLLER_H
