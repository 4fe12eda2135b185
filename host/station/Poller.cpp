// Poller.cpp — polling the dispensers of one channel through the driver.
#include "Poller.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "Text.h"

namespace kavo5000::station {

namespace {

constexpr Byte kAllNozzles = 0;            // GetSost: every nozzle of the dispenser
constexpr std::size_t kRecordNozzles = 6;  // nozzle words in a state record

DispenserView PollDispenser(kavo5000::TVM30& driver, const PollPlan& plan, int number) {
  DispenserView view;
  view.number = number;
  try {
    kavo5000::StateRecord record{};
    driver.GetSost(plan.channel, static_cast<Byte>(number), kAllNozzles, &record);
    const Byte status = driver.GetChannelStatus(plan.channel);
    if (status != kavo5000::kLineValid) {
      view.state = tool::StatusMessage(status);
      return view;
    }
    view.answered = true;
    view.state = tool::StateName(record.Summary);
    const std::size_t shown = std::min(static_cast<std::size_t>(plan.nozzles), kRecordNozzles);
    for (std::size_t n = 0; n < shown; ++n)
      view.nozzles.push_back(tool::StateName(record.Nozzle[n]));
    if (tool::StateClass(record.Summary) == kavo5000::kStateDelivering) {
      double money = 0;
      view.litres = driver.GetDeliveredVolume(plan.channel, number, &money);
      view.money = money;
    }
  } catch (const std::exception& e) {
    view.answered = false;
    view.state = std::string("line failed: ") + e.what();
  }
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

std::vector<DispenserView> PollOnce(kavo5000::TVM30& driver, const PollPlan& plan) {
  std::vector<DispenserView> views;
  for (int d = 1; d <= plan.dispensers; ++d) views.push_back(PollDispenser(driver, plan, d));
  return views;
}

Poller::Poller(kavo5000::TVM30& driver, PollPlan plan, Report report)
    : driver_(driver), plan_(plan), report_(std::move(report)), thread_([this] { Run(); }) {}

Poller::~Poller() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void Poller::Run() {
  bool open = false;
  std::unique_lock lock(mutex_);
  while (!stop_) {
    lock.unlock();
    std::vector<DispenserView> views;
    if (!open) {
      try {
        open = driver_.OpenChannel(plan_.channel) == 0;
      } catch (const std::exception&) {
        open = false;
      }
    }
    if (open) {
      views = PollOnce(driver_, plan_);
    } else {
      for (int d = 1; d <= plan_.dispensers; ++d)
        views.push_back(DispenserView{d, "channel cannot be opened", false, {}, {}, {}});
    }
    report_(std::move(views));
    lock.lock();
    wake_.wait_for(lock, std::chrono::milliseconds(plan_.intervalMs), [this] { return stop_; });
  }
}

}  // namespace kavo5000::station
