// Demo.cpp — `kavo5000 demo`: one whole delivery on the built-in simulator,
// as a station program would run it: open the channel, read the type, set a
// price, preset 12.5 l, start, follow the delivery with a live progress line
// until the driver has closed it, then read the delivery and total counters.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "Commands.h"
#include "Session.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {

constexpr std::int32_t kDispenser = 1;
constexpr std::int32_t kNozzle = 1;
constexpr double kPrice = 56.40;
constexpr double kPreset = 12.5;
constexpr kavo5000::Byte kOneNozzle = 1;
constexpr auto kPollEvery = std::chrono::milliseconds(200);
constexpr int kLinesEvery = 5;  // polls between progress lines when not on a terminal

std::string Description(kavo5000::TVM30& driver) {
  kavo5000::ShortString text{};
  driver.Description(&text);
  return kavo5000::Cp1251ToUtf8(std::string_view(text.Text, text.Length));
}

}  // namespace

int RunDemo(Session& s, const CommandValues& v) {
  const GlobalOptions& options = s.options();
  kavo5000::TVM30& driver = s.driver();
  const kavo5000::Byte ch = s.channel();
  const bool terminal = isatty(STDOUT_FILENO) != 0;

  std::printf("driver:   %s (%s)\n", Description(driver).c_str(), options.port.c_str());
  std::printf("channel %d open\n", ch);
  Guarded(s, "demo", [&] {
    double before = 0;
    double beforeMoney = 0;
    driver.GetDeliveryCounters(ch, kDispenser, &before, &beforeMoney);
    if (const auto type = s.ObservedType())
      std::printf("dispenser %d: type %d\n", kDispenser, *type);

    driver.SetPrice(ch, kDispenser, kNozzle, 0, 0, kPrice);
    s.Expect("price");
    std::printf("nozzle %d: price %s\n", kNozzle, AmountText(kPrice).c_str());
    driver.PresetVolume(ch, kDispenser, kNozzle, 0, kPreset);
    s.Expect("volume preset");
    std::printf("nozzle %d: preset %s l\n", kNozzle, AmountText(kPreset).c_str());
    driver.StartPump(ch, kDispenser, kNozzle);
    s.Expect("start");
    std::printf("nozzle %d: started, waiting for the customer to lift the nozzle\n", kNozzle);

    // Follow the delivery as a host polls: the volume, then the nozzle's
    // state. The driver reports 0xD8 when it has closed the transaction;
    // the next idle or lifted state shows the close went through.
    bool closedByDriver = false;
    bool done = false;
    int polls = 0;
    const auto began = std::chrono::steady_clock::now();
    while (!done) {
      if (std::chrono::steady_clock::now() - began > std::chrono::duration<double>(v.waitSeconds)) {
        throw ToolError("the delivery did not end within " + AmountText(v.waitSeconds) +
                        " s (--wait)");
      }
      std::this_thread::sleep_for(kPollEvery);
      double money = 0;
      const double litres = driver.GetDeliveredVolume(ch, kDispenser, &money);
      kavo5000::StateRecord record{};
      driver.GetSost(ch, kDispenser, kOneNozzle, &record);
      s.Expect("state query");
      const std::uint16_t code = record.Nozzle[0];
      const std::uint8_t cls = StateClass(code);
      if (cls == kStateFinished) closedByDriver = true;
      done = closedByDriver && (cls == kStateIdle || cls == kStateLifted);
      const std::string line =
          "  " + AmountText(litres) + " l   " + AmountText(money) + "   " + StateName(code);
      if (terminal) {
        std::printf("\r%-60s", line.c_str());
        std::fflush(stdout);
      } else if (polls % kLinesEvery == 0 || done) {
        std::printf("%s\n", line.c_str());
      }
      ++polls;
    }
    if (terminal) std::printf("\n");
    std::printf("delivery closed by the driver\n");

    double litres = 0;
    double money = 0;
    driver.GetDeliveryCounters(ch, kDispenser, &litres, &money);
    s.Expect("delivery counters");
    std::printf("delivery counters: %s l, %s\n", AmountText(litres).c_str(),
                AmountText(money).c_str());
    double volume = 0;
    double total = 0;
    driver.GetTotalCounters(ch, kDispenser, kNozzle, &volume, &total, 0);
    s.Expect("total counters");
    std::printf("totals of nozzle %d: %s l, %s\n", kNozzle, AmountText(volume).c_str(),
                AmountText(total).c_str());
  });
  return kExitOk;
}

}  // namespace kavo5000::tool
