// Poller.cpp — polling a channel's dispensers and carrying out commands,
// on the one thread that talks to the line.
#include "Poller.h"

#include <algorithm>
#include <exception>

#include "OpenDeliveries.h"

namespace kavo5000::station {

namespace {

constexpr Byte kAllNozzles = 0;  // GetSost: every nozzle of the dispenser

std::string ReasonFor(const LineReason& reason, Byte channel, const std::string& fallback) {
  std::string port = PortWords(reason, channel);
  return port.empty() ? fallback : port;
}

DispenserView Failed(const PollPlan& plan, int number, const std::string& why) {
  DispenserView view;
  view.channel = plan.channel;
  view.number = number;
  view.failure = why;
  return view;
}

// The line failed under a reading of the station's own, as the driver
// would have said.
kavo5000::ESerialIO LineFailed(const PollerHooks& hooks, Byte channel) {
  return kavo5000::ESerialIO(ReasonFor(hooks.reason, channel, "обмен с контроллером не состоялся"));
}

std::uint32_t RefusedSoFar(const PollerHooks& hooks, Byte channel) {
  return hooks.refusedCloses ? hooks.refusedCloses(channel) : 0;
}

// One dispenser's state, and its amounts while fuel runs or once it has
// stopped. While a delivery may run the volume is read before the state:
// the driver takes a running delivery with nothing dispensed, as far as it
// knows, for one that has ended and closes it. Throws ESerialIO when the
// line itself fails.
DispenserView PollDispenser(kavo5000::TVM30& driver, const PollPlan& plan, const PollerHooks& hooks,
                            int number, bool following) {
  DispenserView view;
  view.channel = plan.channel;
  view.number = number;
  try {
    std::optional<Amounts> running;
    if (following) {
      Amounts amounts;
      amounts.litres = driver.GetDeliveredVolume(plan.channel, number, &amounts.money);
      if (driver.GetChannelStatus(plan.channel) == kLineValid) running = amounts;
    }
    const std::uint32_t refusedBefore = RefusedSoFar(hooks, plan.channel);
    kavo5000::StateRecord record{};
    driver.GetSost(plan.channel, static_cast<Byte>(number), kAllNozzles, &record);
    view.status = driver.GetChannelStatus(plan.channel);
    if (view.status != kavo5000::kLineValid) return view;
    view.answered = true;
    view.summary = record.Summary;
    view.summaryNozzle = record.SummaryNozzle;
    const std::size_t shown = std::min(static_cast<std::size_t>(plan.nozzles), kRecordNozzles);
    view.nozzles.assign(record.Nozzle, record.Nozzle + shown);
    const Byte state = record.Summary & kStateClassMask;
    if (state == kStateDelivering) {
      view.running = running;
    } else if (state == kStateFinished && RefusedSoFar(hooks, plan.channel) != refusedBefore) {
      // The driver's close was refused: the delivery goes on.
      view.closeRefused = true;
      view.running = running;
    } else if (state == kStateFinished) {
      Amounts delivered;
      driver.GetDeliveryCounters(plan.channel, number, &delivered.litres, &delivered.money);
      if (driver.GetChannelStatus(plan.channel) == kLineValid) view.delivered = delivered;
    }
  } catch (const kavo5000::ESerialIO&) {
    throw;
  } catch (const std::exception& e) {
    view.answered = false;
    view.failure = e.what();
  }
  return view;
}

// Whether a delivery may run on the dispenser the view shows.
bool MayDeliver(const DispenserView& view) {
  const Byte state = view.summary & kStateClassMask;
  return view.answered && (state == kStateBusy || state == kStateDelivering || view.closeRefused);
}

// The dispenser through the driver, or straight from its controllers while
// a delivery the station did not start is open there. Throws ESerialIO
// when the line fails.
DispenserView PollTracked(kavo5000::TVM30& driver, const PollPlan& plan, const PollerHooks& hooks,
                          int number, Tracked& tracked) {
  if (hooks.port != nullptr && !tracked.surveyed) {
    // Before the driver's state mapping sees a delivery it knows nothing of
    // (and would try to close), find out whether one is open.
    host::NozzleReader reader(*hooks.port, plan.channel);
    const Survey survey = SurveyDispenser(reader, plan, number);
    if (survey.failure == host::ReadingFailure::kLine) throw LineFailed(hooks, plan.channel);
    if (survey.failure != host::ReadingFailure::kNone) {
      DispenserView view = Failed(plan, number, "");
      view.status = ReadingStatus(survey.failure);
      return view;
    }
    tracked.surveyed = true;
    tracked.adopted = survey.open;
  }
  if (hooks.port != nullptr && tracked.adopted != 0) {
    host::NozzleReader reader(*hooks.port, plan.channel);
    const OpenDeliveryView read = ReadOpenDelivery(reader, plan, number, tracked.adopted);
    if (read.failure == host::ReadingFailure::kLine) throw LineFailed(hooks, plan.channel);
    if (read.view.answered && !read.open) tracked.adopted = 0;  // closed meanwhile
    return read.view;
  }
  DispenserView view = PollDispenser(driver, plan, hooks, number, tracked.following);
  // A dispenser that did not answer keeps being followed.
  if (view.answered) tracked.following = MayDeliver(view);
  return view;
}

}  // namespace

PollPlan PlanFor(Byte channel, std::uint32_t config, int dispensers) {
  PollPlan plan;
  plan.channel = channel;
  plan.dispensers = dispensers;
  plan.nozzles = kavo5000::NozzlesPerDispenser(config);
  return plan;
}

Round PollOnce(kavo5000::TVM30& driver, const PollPlan& plan, const PollerHooks& hooks,
               Tracking& tracking) {
  tracking.resize(std::max(tracking.size(), static_cast<std::size_t>(plan.dispensers) + 1));
  Round round;
  round.channel = plan.channel;
  round.lineUp = true;
  for (int d = 1; d <= plan.dispensers; ++d) {
    if (!round.lineUp) {
      // Once the line has failed the rest of the round would only fail again.
      round.dispensers.push_back(Failed(plan, d, round.reason));
      continue;
    }
    try {
      round.dispensers.push_back(
          PollTracked(driver, plan, hooks, d, tracking[static_cast<std::size_t>(d)]));
    } catch (const kavo5000::ESerialIO& e) {
      round.lineUp = false;
      round.reason = ReasonFor(hooks.reason, plan.channel, e.what());
      round.dispensers.push_back(Failed(plan, d, round.reason));
    }
  }
  return round;
}

CommandOutcome PerformTracked(kavo5000::TVM30& driver, const PollPlan& plan, Command command,
                              const PollerHooks& hooks, Tracking& tracking) {
  const auto at = static_cast<std::size_t>(command.dispenser);
  if (tracking.size() <= at) tracking.resize(at + 1);
  Tracked& tracked = tracking[at];
  const bool adopted = tracked.adopted != 0 && hooks.port != nullptr;
  CountersRead counters;
  if (adopted && (command.action == Action::kStop || command.action == Action::kClose)) {
    // The delivery is on the nozzle found open, whichever the operator chose;
    // the driver would read the counters of the nozzle it last started.
    command.nozzle = tracked.adopted;
    counters = [&] {
      host::NozzleReader reader(*hooks.port, command.channel);
      return ReadCounters(reader, plan, command.dispenser, command.nozzle);
    };
  }
  CommandOutcome outcome =
      station::Perform(driver, command, hooks.reason, hooks.lastExchange, counters);
  if (!outcome.ok) return outcome;
  if (command.action == Action::kStart) {
    // A delivery of the station's own: the driver knows it.
    tracked.following = true;
    tracked.surveyed = true;
    tracked.adopted = 0;
  } else if (adopted && command.action == Action::kClose) {
    tracked.adopted = 0;
  }
  return outcome;
}

Poller::Poller(kavo5000::TVM30& driver, PollPlan plan, Hooks hooks)
    : driver_(driver), plan_(plan), hooks_(std::move(hooks)), thread_([this] { Run(); }) {}

Poller::~Poller() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void Poller::PollSoon() {
  {
    std::lock_guard lock(mutex_);
    roundWanted_ = true;
  }
  wake_.notify_all();
}

void Poller::Perform(const Command& command) {
  {
    std::lock_guard lock(mutex_);
    commands_.push_back(command);
  }
  wake_.notify_all();
}

bool Poller::EnsureOpen(std::string& reason) {
  if (open_) return true;
  std::int32_t code = -1;
  try {
    code = driver_.OpenChannel(plan_.channel);
  } catch (const std::exception& e) {
    reason = ReasonFor(hooks_.reason, plan_.channel, e.what());
    return false;
  }
  open_ = code == 0;
  if (!open_) {
    reason = ReasonFor(hooks_.reason, plan_.channel,
                       "канал не открывается (код " + std::to_string(code) + ")");
  }
  return open_;
}

void Poller::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || roundWanted_ || !commands_.empty(); });
    if (stop_) return;
    std::optional<Command> command;
    if (!commands_.empty()) {
      command = commands_.front();
      commands_.pop_front();
    } else {
      roundWanted_ = false;
    }
    lock.unlock();
    std::string reason;
    const bool open = EnsureOpen(reason);
    if (command) {
      CommandOutcome outcome;
      if (open) {
        outcome = PerformTracked(driver_, plan_, *command, hooks_, tracking_);
      } else {
        outcome.command = *command;
        outcome.text = ActionWords(command->action) + " — ошибка: нет связи: " + reason;
      }
      if (hooks_.performed) hooks_.performed(std::move(outcome));
    } else {
      Round round;
      if (open) {
        round = PollOnce(driver_, plan_, hooks_, tracking_);
      } else {
        round.channel = plan_.channel;
        round.reason = reason;
        for (int d = 1; d <= plan_.dispensers; ++d)
          round.dispensers.push_back(Failed(plan_, d, reason));
      }
      if (hooks_.polled) hooks_.polled(std::move(round));
    }
    lock.lock();
  }
}

}  // namespace kavo5000::station
