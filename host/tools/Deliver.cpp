// Deliver.cpp — `kavo5000 deliver D N (--volume L | --money M) [--price P]`:
// one whole delivery on a nozzle in one command, as a station program runs
// it: the price (when given), the preset, the start, then the delivery
// followed with a live line (volume, money, state in words) until the driver
// has closed it, and the final counters. Ctrl-C stops the pump and closes the
// transaction before the command ends. A query lost on the line is asked
// again; a line that stays away ends the command with the pump stopped if it
// can be, and one line that says what is known and how to finish the sale.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "Commands.h"
#include "Interrupt.h"
#include "Retry.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {

std::atomic<bool> gInterrupted{false};

constexpr auto kPollEvery = std::chrono::milliseconds(200);
constexpr int kLinesEvery = 5;  // polls between unchanged progress lines off a terminal
constexpr int kRecordNozzles = 6;

// The nozzle's own state code from a record: its word, or the summary for a
// nozzle beyond the record's words when the summary is its.
std::uint16_t NozzleCode(const kavo5000::StateRecord& record, int nozzle) {
  if (nozzle <= kRecordNozzles) return record.Nozzle[nozzle - 1];
  return record.SummaryNozzle == nozzle ? record.Summary : 0;
}

void PrintCounters(Session& s, int d, int n) {
  double litres = 0;
  double money = 0;
  try {
    Guarded(s, "delivery counters",
            [&] { s.driver().GetDeliveryCounters(s.channel(), d, &litres, &money); });
    s.Expect("delivery counters");
  } catch (const ToolError& e) {
    throw ToolError(std::string(e.what()) + "; the delivery is closed: `" +
                    s.CommandFor("counters " + std::to_string(d) + " " + std::to_string(n)) +
                    "` reads what it came to");
  }
  std::printf("delivery: %s l, %s\n", AmountText(litres).c_str(), AmountText(money).c_str());
  double volume = 0;
  double total = 0;
  Guarded(s, "total counters",
          [&] { s.driver().GetTotalCounters(s.channel(), d, n, &volume, &total, 0); });
  s.Expect("total counters");
  std::printf("totals of dispenser %d nozzle %d: %s l, %s\n", d, n, AmountText(volume).c_str(),
              AmountText(total).c_str());
}

// One poll of the running delivery: its volume and money, then the states.
struct Poll {
  double litres = 0;
  double money = 0;
  kavo5000::StateRecord record{};
};

Poll PollOnce(Session& s, int d) {
  Poll p;
  Guarded(s, "state query", [&] {
    p.litres = s.driver().GetDeliveredVolume(s.channel(), d, &p.money);
    s.driver().GetSost(s.channel(), static_cast<kavo5000::Byte>(d), 0, &p.record);
  });
  s.Expect("state query");
  return p;
}

// The line stayed away while the delivery ran: the pump is stopped if the
// controller can still be reached, and the run ends saying what it knows.
[[noreturn]] void Abandon(Session& s, int d, int n, const std::string& why,
                          std::optional<double> lastLitres) {
  std::string pump;
  try {
    Guarded(s, "stopping the pump", [&] { s.driver().StopPump(s.channel(), d, n, true); });
    s.Expect("stopping the pump", Refusals::kFail);
    pump = "the pump was stopped";
  } catch (const ToolError& e) {
    pump = "the pump could not be stopped and may still be running (" + std::string(e.what()) + ")";
  }
  const std::string seen =
      lastLitres ? AmountText(*lastLitres) + " l seen last" : std::string("no volume seen");
  throw ToolError("deliver: the line stayed away (" + why + "); " + pump + "; " + seen +
                  "; the delivery is still open: finish and bill it with `" +
                  s.CommandFor("recover " + std::to_string(d) + " --nozzle " + std::to_string(n)) +
                  "`");
}

}  // namespace

int RunDeliver(Session& s, const CommandValues& v) {
  const int d = v.dispenser;
  const int n = v.nozzle == 0 ? 1 : v.nozzle;
  CommandValues preset = v;
  preset.nozzle = n;
  preset.price.reset();
  if (v.price) {
    // First, so that the preset and the money shown have the price.
    preset.amount = *v.price;
    RunPrice(s, preset);
  }
  if (v.volume) {
    preset.amount = *v.volume;
    RunPresetVolume(s, preset);
  } else {
    preset.amount = v.money.value_or(0);
    RunPresetMoney(s, preset);
  }
  RaiseOnInterrupt(gInterrupted);
  gInterrupted.store(false);
  RunStart(s, preset);

  const bool terminal = isatty(STDOUT_FILENO) != 0;
  bool closedByDriver = false;
  bool done = false;
  std::string lastState;
  std::optional<double> lastLitres;
  int polls = 0;
  while (!done && !gInterrupted.load()) {
    std::this_thread::sleep_for(kPollEvery);
    Poll p;
    try {
      p = Retried([&] { return PollOnce(s, d); });
    } catch (const ToolError& e) {
      if (terminal) std::printf("\n");
      Abandon(s, d, n, e.what(), lastLitres);
    }
    lastLitres = p.litres;
    const std::uint16_t code = NozzleCode(p.record, n);
    const std::uint8_t cls = StateClass(code);
    const bool refused = CloseRefused(s.Exchanges());
    // Within its last litre the driver closes the delivery it follows, and
    // the controller refuses that while fuel still flows: the delivery goes
    // on, and the next poll closes it again.
    if (!refused && cls == kavo5000::kStateFinished) closedByDriver = true;
    // Closed, and the next state shows the close went through.
    done = closedByDriver && (cls == kavo5000::kStateIdle || cls == kavo5000::kStateLifted);
    const std::string state =
        refused ? "delivering, last litre (the driver's close refused)" : StateName(code);
    const std::string line =
        "  " + AmountText(p.litres) + " l   " + AmountText(p.money) + "   " + state;
    if (terminal) {
      std::printf("\r%-60s", line.c_str());
      std::fflush(stdout);
    } else if (state != lastState || polls % kLinesEvery == 0 || done) {
      std::printf("%s\n", line.c_str());
    }
    lastState = state;
    ++polls;
  }
  if (terminal) std::printf("\n");
  if (gInterrupted.load()) {
    Guarded(s, "stopping the delivery", [&] { s.driver().StopAndClose(s.channel(), d, n, true); });
    s.Expect("stopping the delivery", Refusals::kFail);
    std::printf("interrupted: pump stopped, transaction closed\n");
    PrintCounters(s, d, n);
    throw ToolError("deliver: interrupted before the delivery ended");
  }
  std::printf("delivery closed by the driver\n");
  PrintCounters(s, d, n);
  return kExitOk;
}

}  // namespace kavo5000::tool
