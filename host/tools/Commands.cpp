// Commands.cpp — the subcommands that each drive one or two of the driver's
// slots: state, type, price, presets, start, stop, close, delivery, counters,
// totals, parameters by host number, address programming, and decode.
#include <cstdint>
#include <cstdio>
#include <limits>

#include "Commands.h"
#include "Decode.h"
#include "Hex.h"
#include "ParamLimits.h"
#include "Session.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {

constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMinInt = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kFirstNozzleParameter = 10;  // host numbers below this are not per nozzle
constexpr std::int32_t kAddressParameter = 9;       // host number that programs a line address
constexpr std::int32_t kParamsPerNozzle = 60;
constexpr std::int32_t kAddressFactor = 100;  // value = identification × 100 + address
constexpr std::int32_t kMaxLineAddress = 99;
constexpr std::size_t kRecordNozzles = 6;  // nozzle words in a state record
constexpr kavo5000::Byte kAllNozzles = 0;  // GetSost: every nozzle of the dispenser

std::int32_t Number(const std::string& text, const char* what) {
  return static_cast<std::int32_t>(ToInteger(text, what, kMinInt, kMaxInt));
}

std::string Where(std::int32_t dispenser, std::int32_t nozzle) {
  return "dispenser " + std::to_string(dispenser) + " nozzle " + std::to_string(nozzle);
}

}  // namespace

int RunState(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  if (d < 0 || d > std::numeric_limits<kavo5000::Byte>::max()) {
    throw UsageError("dispenser must be 0..255 for a state query");
  }
  kavo5000::StateRecord record{};
  Guarded(s, [&] {
    s.driver().GetSost(s.channel(), static_cast<kavo5000::Byte>(d), kAllNozzles, &record);
  });
  s.Expect("state query");
  std::printf("dispenser %d: %s, code 0x%02X from nozzle %d\n", d,
              StateName(record.Summary).c_str(), record.Summary, record.SummaryNozzle);
  const std::size_t shown =
      std::min<std::size_t>(static_cast<std::size_t>(s.nozzles()), kRecordNozzles);
  for (std::size_t n = 0; n < shown; ++n) {
    std::printf("  nozzle %zu  0x%02X  %s\n", n + 1, record.Nozzle[n],
                StateName(record.Nozzle[n]).c_str());
  }
  return kExitOk;
}

int RunType(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  double litres = 0;
  double money = 0;
  // The driver reads the type on its way to the delivery counters; the tool
  // sees the answer to '7' go past on the line.
  Guarded(s, [&] { s.driver().GetDeliveryCounters(s.channel(), d, &litres, &money); });
  const auto type = s.ObservedType();
  if (!type) throw ToolError("type query: no valid reply to '7'");
  const auto& layout = wire::kCounterLayouts[static_cast<std::size_t>(*type)];
  std::printf("dispenser %d: type %d (delivery counters: %d volume digits, %d money digits)\n", d,
              *type, layout.volume, layout.money);
  return kExitOk;
}

int RunPrice(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  const std::int32_t n = Number(p[1], "nozzle");
  const double price = ToAmount(p[2], "price");
  Guarded(s, [&] { s.driver().SetPrice(s.channel(), d, n, 0, 0, price); });
  s.Expect("price", Refusals::kFail);
  std::printf("%s: price %s\n", Where(d, n).c_str(), Amount(price).c_str());
  return kExitOk;
}

int RunPresetVolume(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  const std::int32_t n = Number(p[1], "nozzle");
  const double litres = ToAmount(p[2], "litres");
  Guarded(s, [&] { s.driver().PresetVolume(s.channel(), d, n, 0, litres); });
  s.Expect("volume preset", Refusals::kFail);
  std::printf("%s: preset %s l\n", Where(d, n).c_str(), Amount(litres).c_str());
  return kExitOk;
}

int RunPresetMoney(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  const std::int32_t n = Number(p[1], "nozzle");
  const double money = ToAmount(p[2], "money");
  const auto price = args.Value("price");
  Guarded(s, [&] {
    // The driver turns money into litres with the price it holds, and a
    // fresh tool process holds none: --price sets one first.
    if (price) {
      s.driver().SetPrice(s.channel(), d, n, 0, 0, ToAmount(*price, "--price"));
      s.Expect("price", Refusals::kFail);
    }
    s.driver().PresetMoney(s.channel(), d, n, 0, money);
  });
  s.Expect("money preset", Refusals::kFail);
  std::printf("%s: preset %s (money)\n", Where(d, n).c_str(), Amount(money).c_str());
  return kExitOk;
}

int RunStart(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  const std::int32_t n = Number(p[1], "nozzle");
  const bool extended = args.Flag("ex");
  Guarded(s, [&] {
    if (extended) {
      s.driver().StartPumpEx(s.channel(), d, n, false);
    } else {
      s.driver().StartPump(s.channel(), d, n);
    }
  });
  // The extended start closes whatever the dispenser held open first; a
  // refused close there does not matter to the start.
  s.Expect("start", Refusals::kFail, extended ? std::string_view("8") : std::string_view());
  std::printf("%s: started%s\n", Where(d, n).c_str(), extended ? " (extended)" : "");
  return kExitOk;
}

int RunStop(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  const std::int32_t n = Number(p[1], "nozzle");
  Guarded(s, [&] { s.driver().StopPump(s.channel(), d, n, true); });
  s.Expect("stop", Refusals::kFail);
  std::printf("%s: stopped\n", Where(d, n).c_str());
  return kExitOk;
}

int RunClose(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  const std::int32_t n = Number(p[1], "nozzle");
  std::int32_t result = 0;
  Guarded(s, [&] { result = s.driver().StopAndClose(s.channel(), d, n, false); });
  if (result != 0) throw ToolError("close: the exchange failed (" + s.PortReason() + ")");
  s.Expect("close", Refusals::kFail);
  // The close carries no refusal code of its own; Expect read its answer off
  // the line.
  std::printf("%s: transaction closed\n", Where(d, n).c_str());
  return kExitOk;
}

int RunDelivery(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  double money = 0;
  double litres = 0;
  Guarded(s, [&] { litres = s.driver().GetDeliveredVolume(s.channel(), d, &money); });
  s.Expect("volume query");
  std::printf("dispenser %d: delivered %s l, %s (at the price the driver holds)\n", d,
              Amount(litres).c_str(), Amount(money).c_str());
  return kExitOk;
}

int RunCounters(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  double litres = 0;
  double money = 0;
  Guarded(s, [&] { s.driver().GetDeliveryCounters(s.channel(), d, &litres, &money); });
  s.Expect("delivery counters");
  std::printf("dispenser %d: delivery %s l, %s\n", d, Amount(litres).c_str(),
              Amount(money).c_str());
  return kExitOk;
}

int RunTotals(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  const std::int32_t n = Number(p[1], "nozzle");
  double volume = 0;
  double money = 0;
  Guarded(s, [&] { s.driver().GetTotalCounters(s.channel(), d, n, &volume, &money, 0); });
  if (IsEmptyTotal(s.driver().GetChannelStatus(s.channel()), s.Exchanges())) {
    // A zero volume total is a reading, not a failure, though the driver
    // reports it with status 3.
    std::printf("%s: totals %s l, %s (the volume total is 0)\n", Where(d, n).c_str(),
                Amount(volume).c_str(), Amount(money).c_str());
    return kExitOk;
  }
  s.Expect("total counters");
  std::printf("%s: totals %s l, %s\n", Where(d, n).c_str(), Amount(volume).c_str(),
              Amount(money).c_str());
  return kExitOk;
}

int RunParamGet(const Positional& p, const Args& args) {
  Session s(GlobalFrom(args));
  const std::int32_t d = Number(p[0], "dispenser");
  const std::int32_t number = Number(p[1], "parameter number");
  if (number >= 0 && number < kFirstNozzleParameter) {
    throw ToolError("parameter " + std::to_string(number) +
                    " cannot be read: 0..9 are only written");
  }
  std::int32_t value = -1;
  Guarded(s, [&] { value = s.driver().GetParam(s.channel(), d, number); });
  s.Expect("parameter read");
  if (value < 0) throw ToolError("parameter read: no value in the reply");
  const std::int32_t n = number - kFirstNozzleParameter;
  std::printf("dispenser %d parameter %d (nozzle %d, index %d): %d\n", d, number,
              n / kParamsPerNozzle + 1, n % kParamsPerNozzle, value);
  return kExitOk;
}

int RunParamSet(const Positional& p, const Args& args) {
  const std::int32_t d = Number(p[0], "dispenser");
  const std::int32_t number = Number(p[1], "parameter number");
  const std::int32_t value = Number(p[2], "value");
  // The controller keeps only as many digits as the parameter has: a value
  // that does not fit would be cut, so it is refused before anything is sent.
  if (const auto refusal = ParamValueRefusal(number, value)) throw UsageError(*refusal);
  Session s(GlobalFrom(args));
  Guarded(s, [&] { s.driver().SetParam(s.channel(), d, number, value); });
  // A common switch goes to every controller and is never answered.
  if (number < kAddressParameter && number >= 0) {
    std::printf(
        "common switch %d set to %d on every controller of channel %d (no answer expected)\n",
        number, value, s.channel());
    return kExitOk;
  }
  s.Expect("parameter write", Refusals::kFail);
  std::printf("dispenser %d parameter %d set to %d\n", d, number, value);
  return kExitOk;
}

int RunAddressProgram(const Positional&, const Args& args) {
  const auto id = args.Value("id");
  const auto address = args.Value("address");
  if (!id || !address) throw UsageError("address program needs --id ID and --address A");
  const std::int32_t identification = static_cast<std::int32_t>(
      ToInteger(*id, "--id", 0, (kMaxInt - kMaxLineAddress) / kAddressFactor));
  const std::int32_t a =
      static_cast<std::int32_t>(ToInteger(*address, "--address", 1, kMaxLineAddress));
  Session s(GlobalFrom(args));
  Guarded(s, [&] {
    s.driver().SetParam(s.channel(), 1, kAddressParameter, identification * kAddressFactor + a);
  });
  s.Expect("address programming", Refusals::kFail);
  std::printf("controller %d now answers at nozzle address %d\n", identification, a);
  return kExitOk;
}

int RunDecode(const Positional& p, const Args&) {
  std::string text;
  for (const std::string& part : p) text += part + " ";
  const auto bytes = wire::ParseHex(text);
  if (!bytes) throw UsageError("decode takes bytes in hex, e.g. 7F 02 21 5E 37 48 03 03 55");
  for (const std::string& line : wire::Decode(*bytes)) std::printf("%s\n", line.c_str());
  return kExitOk;
}

}  // namespace kavo5000::tool
