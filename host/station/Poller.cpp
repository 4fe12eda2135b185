// Poller.cpp — polling a channel's dispensers and carrying out commands,
// on the one thread that talks to the line.
#include "Poller.h"

#include <algorithm>
#include <exception>

namespace kavo5000::station {

namespace {

constexpr Byte kAllNozzles = 0;            // GetSost: every nozzle of the dispenser
constexpr std::size_t kRecordNozzles = 6;  // nozzle words in a state record

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

// One dispenser's state, and its amounts while fuel runs or once it has
// stopped. While a delivery may run the volume is read before the state:
// the driver takes a running delivery with nothing dispensed, as far as it
// knows, for one that has ended and closes it. Throws ESerialIO when the
// line itself fails.
DispenserView PollDispenser(kavo5000::TVM30& driver, const PollPlan& plan, int number,
                            bool following) {
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
    kavo5000::StateRecord record{};
    driver.GetSost(plan.channel, static_cast<Byte>(number), kAllNozzles, &record);
    view.status = driver.GetChannelStatus(plan.channel);
    if (view.status != kavo5000::kLineValid) return view;
    view.answered = true;
    view.summary = record.Summary;
    const std::size_t shown = std::min(static_cast<std::size_t>(plan.nozzles), kRecordNozzles);
    view.nozzles.assign(record.Nozzle, record.Nozzle + shown);
    const Byte state = record.Summary & kStateClassMask;
    if (state == kStateDelivering) {
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
  return view.answered && (state == kStateBusy || state == kStateDelivering);
}

}  // namespace

PollPlan PlanFor(Byte channel, std::uint32_t config, int dispensers) {
  PollPlan plan;
  plan.channel = channel;
  plan.dispensers = dispensers;
  plan.nozzles = kavo5000::NozzlesPerDispenser(config);
  return plan;
}

Round PollOnce(kavo5000::TVM30& driver, const PollPlan& plan, const LineReason& reason,
               Following& following) {
  following.resize(static_cast<std::size_t>(plan.dispensers) + 1, false);
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
      const auto at = static_cast<std::size_t>(d);
      round.dispensers.push_back(PollDispenser(driver, plan, d, following[at]));
      // A dispenser that did not answer keeps being followed.
      if (round.dispensers.back().answered) following[at] = MayDeliver(round.dispensers.back());
    } catch (const kavo5000::ESerialIO& e) {
      round.lineUp = false;
      round.reason = ReasonFor(reason, plan.channel, e.what());
      round.dispensers.push_back(Failed(plan, d, round.reason));
    }
  }
  return round;
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

void Poller::Follow(int dispenser) {
  const auto at = static_cast<std::size_t>(dispenser);
  if (following_.size() <= at) following_.resize(at + 1, false);
  following_[at] = true;
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
        outcome = station::Perform(driver_, *command, hooks_.reason, hooks_.lastRefused);
        if (command->action == Action::kStart && outcome.ok) Follow(command->dispenser);
      } else {
        outcome.command = *command;
        outcome.text = ActionWords(command->action) + " — ошибка: нет связи: " + reason;
      }
      if (hooks_.performed) hooks_.performed(std::move(outcome));
    } else {
      Round round;
      if (open) {
        round = PollOnce(driver_, plan_, hooks_.reason, following_);
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
