// Watch.cpp — `kavo5000 watch D`: every nozzle of a dispenser followed live,
// as a station program follows it: the running volume first (so the driver
// knows how much has flowed before it maps a delivering nozzle's state),
// then the states; refreshed until Ctrl-C, or printed once with --once.
//
// The driver judges a running delivery by the preset it was given. A watch in
// a run that did not preset the dispenser leaves it none, and the driver then
// closes whatever delivery it sees: the controller refuses that close while
// fuel flows. The watch says so, shows the delivery as still running and
// fails, rather than report the delivery done.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "Commands.h"
#include "ExchangeOutcome.h"
#include "HostText.h"
#include "Interrupt.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {

std::atomic<bool> gInterrupted{false};

constexpr std::size_t kRecordNozzles = 6;  // nozzle words in a state record
constexpr const char* kHome = "\033[H\033[2J";
constexpr const char* kStillRunning = "delivering: the controller refused the close";
constexpr const char* kNotRead = "not read";

bool Running(std::uint8_t cls) {
  return cls == kavo5000::kStateDelivering || cls == kavo5000::kStateFinished;
}

// The running delivery's litres and money as shown, each "not read" where no
// reply gave it, and why.
struct RunningFigures {
  std::string litres;
  std::string money;
  std::string why;
};

// The driver reads the volume of the nozzle it last started and prices it
// at the price it was given; another nozzle's volume comes from its
// controller, and money without a price is not known.
RunningFigures FiguresOf(Session& s, int dispenser, int nozzle, double litres, double money) {
  RunningFigures f{kNotRead, kNotRead, {}};
  if (nozzle == s.ActiveNozzle(dispenser)) {
    f.litres = AmountText(litres);
  } else {
    host::NozzleReader reader = s.Reader();
    if (const auto hundredths = reader.RunningVolume(s.Address(dispenser, nozzle))) {
      f.litres = AmountText(host::FromHundredths(*hundredths));
    } else {
      f.why = "the volume of nozzle " + std::to_string(nozzle) +
              " was not read: " + s.ReadingFailureText(reader);
      return f;
    }
  }
  if (nozzle == s.ActiveNozzle(dispenser) && s.PriceOf(dispenser, nozzle)) {
    f.money = AmountText(money);
  } else {
    f.why =
        "the money was not read: the driver reckons it from a price this run did not set "
        "for nozzle " +
        std::to_string(nozzle) + " (`kavo5000 counters " + std::to_string(dispenser) + " " +
        std::to_string(nozzle) + "` reads the controller's)";
  }
  return f;
}

}  // namespace

int RunWatch(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, std::nullopt);
  // Ended by a signal, the watch still closes its port on the way out: a
  // device left marked exclusive would refuse the next program.
  RaiseOnInterrupt(gInterrupted);
  gInterrupted.store(false);
  const bool terminal = isatty(STDOUT_FILENO) != 0 && !v.once;
  const int shown = std::min<int>(s.nozzles(), static_cast<int>(kRecordNozzles));
  bool noted = false;
  bool failed = false;
  std::string notRead;  // a figure shown as not read, and why
  while (!gInterrupted.load()) {
    double money = 0;
    double litres = 0;
    kavo5000::StateRecord record{};
    Guarded(s, "state query", [&] {
      litres = s.driver().GetDeliveredVolume(s.channel(), v.dispenser, &money);
      s.driver().GetSost(s.channel(), static_cast<kavo5000::Byte>(v.dispenser), 0, &record);
    });
    s.Expect("state query");
    const bool closeRefused = CloseRefused(s.Exchanges());
    if (!noted && !s.Preset(v.dispenser) && Running(StateClass(record.Summary))) {
      noted = true;
      std::fflush(stdout);
      std::fprintf(stderr,
                   "kavo5000: note: this run did not preset dispenser %d, so the driver knows no "
                   "preset and closes a delivery it sees running; the running volume is that of "
                   "the nozzle this run last started (nozzle 1 when none)\n",
                   v.dispenser);
    }
    if (terminal) std::printf("%s", kHome);
    std::printf("dispenser %d on channel %d: %s\n", v.dispenser, s.channel(),
                closeRefused ? kStillRunning : StateName(record.Summary).c_str());
    std::printf("  %-6s %-6s %-28s %10s %10s\n", "nozzle", "code", "state", "litres", "money");
    for (int n = 1; n <= shown; ++n) {
      const std::uint16_t code = record.Nozzle[n - 1];
      // The running delivery belongs to the nozzle whose code carries it.
      const bool running = Running(StateClass(code)) && n == record.SummaryNozzle;
      const std::string state =
          running && closeRefused ? std::string("delivering (close refused)") : StateName(code);
      std::string shownLitres;
      std::string shownMoney;
      if (running) {
        const RunningFigures figures = FiguresOf(s, v.dispenser, n, litres, money);
        shownLitres = figures.litres;
        shownMoney = figures.money;
        if (!figures.why.empty() && notRead.empty()) {
          notRead = figures.why;
          std::fflush(stdout);
          std::fprintf(stderr, "kavo5000: watch: %s\n", notRead.c_str());
        }
      }
      char row[160];
      std::snprintf(row, sizeof row, "  %-6d 0x%02X   %-28s %10s %10s", n, code, state.c_str(),
                    shownLitres.c_str(), shownMoney.c_str());
      std::string text(row);
      text.erase(text.find_last_not_of(' ') + 1);  // no trailing blanks for a nozzle at rest
      std::printf("%s\n", text.c_str());
    }
    std::fflush(stdout);
    if (closeRefused) {
      // Reported as it happens; the watch reads on, since the delivery does.
      failed = true;
      std::fprintf(stderr,
                   "kavo5000: watch: the controller refused the close ('8') the driver sent for "
                   "dispenser %d: the delivery goes on\n",
                   v.dispenser);
    }
    if (v.once) break;
    if (!terminal) std::printf("\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(v.intervalMs));
  }
  return failed || !notRead.empty() ? kExitFailure : kExitOk;
}

}  // namespace kavo5000::tool
