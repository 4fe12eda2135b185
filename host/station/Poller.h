// Poller.h — the station's view of its dispensers, kept up to date on a
// thread of its own, so that a slow or dead line never freezes the window.
#ifndef KAVO5000_STATION_POLLER_H
#define KAVO5000_STATION_POLLER_H

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::station {

// One dispenser as the last poll found it.
struct DispenserView {
  int number = 0;
  std::string state;                 // summary state in words, or what went wrong
  bool answered = false;             // a valid reply came
  std::vector<std::string> nozzles;  // each nozzle's state in words
  std::optional<double> litres;      // of the delivery running, if one runs
  std::optional<double> money;
};

// What to poll and how often.
struct PollPlan {
  Byte channel = 1;
  int dispensers = 2;
  int nozzles = 4;
  int intervalMs = 500;
};

// The plan for a channel's first `dispensers` dispensers, with as many
// nozzles each as the driver numbers for the configuration byte.
PollPlan PlanFor(Byte channel, std::uint32_t config, int dispensers);

// One round over every dispenser of the plan, on the calling thread.
std::vector<DispenserView> PollOnce(kavo5000::TVM30& driver, const PollPlan& plan);

class Poller {
 public:
  // Called on the poller's thread after every round.
  using Report = std::function<void(std::vector<DispenserView>)>;
  // Opens the channel and polls until destroyed. `driver` must outlive it.
  Poller(kavo5000::TVM30& driver, PollPlan plan, Report report);
  // Stops and waits for the round in progress.
  ~Poller();
  Poller(const Poller&) = delete;
  Poller& operator=(const Poller&) = delete;

 private:
  void Run();

  kavo5000::TVM30& driver_;
  PollPlan plan_;
  Report report_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_POLLER_H
