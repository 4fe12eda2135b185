// Commands.cpp — the subcommands that each drive one or two of the driver's
// slots: state, type, price, presets, start, stop, close, delivery, counters,
// totals (reading and setting), parameters by host number, the common
// switches, address programming, and decode.
#include "Commands.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>

#include "Decode.h"
#include "Frames.h"
#include "Hex.h"
#include "ParamLimits.h"
#include "Text.h"
#include "Trace.h"

namespace kavo5000::tool {

namespace {

constexpr std::int32_t kAddressFactor = 100;  // value = identification × 100 + address
constexpr std::size_t kRecordNozzles = 6;     // nozzle words in a state record
constexpr kavo5000::Byte kAllNozzles = 0;     // GetSost: every nozzle of the dispenser

std::string Where(std::int32_t dispenser, std::int32_t nozzle) {
  return "dispenser " + std::to_string(dispenser) + " nozzle " + std::to_string(nozzle);
}

}  // namespace

int RunState(Session& s, const CommandValues& v) {
  const int d = v.dispenser;
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

int RunType(Session& s, const CommandValues& v) {
  const int d = v.dispenser;
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

int RunPrice(Session& s, const CommandValues& v) {
  Guarded(s, [&] { s.driver().SetPrice(s.channel(), v.dispenser, v.nozzle, 0, 0, v.amount); });
  s.Expect("price", Refusals::kFail);
  std::printf("%s: price %s\n", Where(v.dispenser, v.nozzle).c_str(), Amount(v.amount).c_str());
  return kExitOk;
}

int RunPresetVolume(Session& s, const CommandValues& v) {
  Guarded(s, [&] { s.driver().PresetVolume(s.channel(), v.dispenser, v.nozzle, 0, v.amount); });
  s.Expect("volume preset", Refusals::kFail);
  std::printf("%s: preset %s l\n", Where(v.dispenser, v.nozzle).c_str(), Amount(v.amount).c_str());
  return kExitOk;
}

int RunPresetMoney(Session& s, const CommandValues& v) {
  Guarded(s, [&] {
    // The driver turns money into litres with the price it holds; a fresh
    // session holds none, and --price sets one first.
    if (v.price) {
      s.driver().SetPrice(s.channel(), v.dispenser, v.nozzle, 0, 0, *v.price);
      s.Expect("price", Refusals::kFail);
    }
    s.driver().PresetMoney(s.channel(), v.dispenser, v.nozzle, 0, v.amount);
  });
  s.Expect("money preset", Refusals::kFail);
  std::printf("%s: preset %s (money)\n", Where(v.dispenser, v.nozzle).c_str(),
              Amount(v.amount).c_str());
  return kExitOk;
}

int RunStart(Session& s, const CommandValues& v) {
  Guarded(s, [&] {
    if (v.extended) {
      s.driver().StartPumpEx(s.channel(), v.dispenser, v.nozzle, false);
    } else {
      s.driver().StartPump(s.channel(), v.dispenser, v.nozzle);
    }
  });
  // The extended start closes whatever the dispenser held open first; a
  // refused close there does not matter to the start.
  s.Expect("start", Refusals::kFail, v.extended ? std::string_view("8") : std::string_view());
  std::printf("%s: started%s\n", Where(v.dispenser, v.nozzle).c_str(),
              v.extended ? " (extended)" : "");
  return kExitOk;
}

int RunStop(Session& s, const CommandValues& v) {
  Guarded(s, [&] { s.driver().StopPump(s.channel(), v.dispenser, v.nozzle, true); });
  s.Expect("stop", Refusals::kFail);
  std::printf("%s: stopped\n", Where(v.dispenser, v.nozzle).c_str());
  return kExitOk;
}

int RunClose(Session& s, const CommandValues& v) {
  std::int32_t result = 0;
  Guarded(s, [&] { result = s.driver().StopAndClose(s.channel(), v.dispenser, v.nozzle, false); });
  if (result != 0) throw ToolError("close: the exchange failed (" + s.PortReason() + ")");
  // The close carries no refusal code of its own; Expect reads its answer off
  // the line.
  s.Expect("close", Refusals::kFail);
  std::printf("%s: transaction closed\n", Where(v.dispenser, v.nozzle).c_str());
  return kExitOk;
}

int RunDelivery(Session& s, const CommandValues& v) {
  double money = 0;
  double litres = 0;
  Guarded(s, [&] { litres = s.driver().GetDeliveredVolume(s.channel(), v.dispenser, &money); });
  s.Expect("volume query");
  std::printf("dispenser %d: delivered %s l, %s (at the price the driver holds)\n", v.dispenser,
              Amount(litres).c_str(), Amount(money).c_str());
  return kExitOk;
}

int RunCounters(Session& s, const CommandValues& v) {
  double litres = 0;
  double money = 0;
  Guarded(s, [&] { s.driver().GetDeliveryCounters(s.channel(), v.dispenser, &litres, &money); });
  s.Expect("delivery counters");
  std::printf("dispenser %d: delivery %s l, %s\n", v.dispenser, Amount(litres).c_str(),
              Amount(money).c_str());
  return kExitOk;
}

int RunTotals(Session& s, const CommandValues& v) {
  double volume = 0;
  double money = 0;
  Guarded(s, [&] {
    s.driver().GetTotalCounters(s.channel(), v.dispenser, v.nozzle, &volume, &money, 0);
  });
  const std::string where = Where(v.dispenser, v.nozzle);
  if (IsEmptyTotal(s.driver().GetChannelStatus(s.channel()), s.Exchanges())) {
    // A zero volume total is a reading, not a failure, though the driver
    // reports it with status 3.
    std::printf("%s: totals %s l, %s (the volume total is 0)\n", where.c_str(),
                Amount(volume).c_str(), Amount(money).c_str());
    return kExitOk;
  }
  s.Expect("total counters");
  std::printf("%s: totals %s l, %s\n", where.c_str(), Amount(volume).c_str(),
              Amount(money).c_str());
  return kExitOk;
}

int RunTotalsSet(Session& s, const CommandValues& v) {
  Guarded(s, [&] { s.driver().SetTotalCounter(s.channel(), v.dispenser, v.nozzle, v.amount, 0); });
  s.Expect("setting the total", Refusals::kFail);
  std::printf("%s: volume total set to %s l\n", Where(v.dispenser, v.nozzle).c_str(),
              Amount(v.amount).c_str());
  return kExitOk;
}

int RunParamSet(Session& s, const CommandValues& v) {
  const std::int32_t number = v.number;
  std::int32_t value = 0;
  const char* end = v.value.data() + v.value.size();
  const auto [ptr, ec] = std::from_chars(v.value.data(), end, value);
  if (v.value.empty() || ec != std::errc() || ptr != end) {
    throw UsageError("VALUE must be a whole number, not \"" + v.value + "\"");
  }
  // The controller keeps only as many digits as the parameter has: a value
  // that does not fit would be cut, so it is refused before anything is sent.
  if (const auto refusal = ParamValueRefusal(number, value)) throw UsageError(*refusal);
  Guarded(s, [&] { s.driver().SetParam(s.channel(), v.dispenser, number, value); });
  // A common switch goes to every controller and is never answered.
  if (number < kAddressNumber && number >= 0) {
    std::printf(
        "common switch %d set to %d on every controller of channel %d (no answer expected)\n",
        number, value, s.channel());
    return kExitOk;
  }
  s.Expect("parameter write", Refusals::kFail);
  std::printf("dispenser %d parameter %d set to %d\n", v.dispenser, number, value);
  return kExitOk;
}

int RunAddressProgram(Session& s, const CommandValues& v) {
  const auto identification = static_cast<std::int32_t>(v.id.value_or(0));
  const int a = v.address.value_or(0);
  Guarded(s, [&] {
    s.driver().SetParam(s.channel(), 1, kAddressNumber, identification * kAddressFactor + a);
  });
  s.Expect("address programming", Refusals::kFail);
  std::printf("controller %d now answers at nozzle address %d\n", identification, a);
  return kExitOk;
}

int RunDecode(const CommandValues& v) {
  std::string text;
  for (const std::string& part : v.words) text += part + " ";
  const auto bytes = wire::ParseHex(text);
  if (!bytes) throw UsageError("decode takes bytes in hex, e.g. 7F 02 21 5E 37 48 03 03 55");
  for (const std::string& line : wire::Decode(*bytes)) std::printf("%s\n", line.c_str());
  return kExitOk;
}

int RunDecodeTrace(const std::string& path) {
  std::vector<host::ExchangeRecord> records;
  try {
    records = host::ReadTrace(path);
  } catch (const host::TraceFormatError& e) {
    throw ToolError(e.what());
  }
  std::optional<int> type;  // the last type read, for the counters' layout
  int number = 0;
  for (const host::ExchangeRecord& r : records) {
    ++number;
    std::printf("#%d %s channel %d%s%s, %s, %.1f ms\n", number,
                r.wall ? host::FormatWallTime(*r.wall).c_str() : "-", r.channel,
                r.command.empty() ? "" : ", ", r.command.c_str(),
                std::string(host::VerdictText(r.verdict)).c_str(), r.milliseconds);
    for (const std::string& line : wire::DecodeExchange(r.frame, r.received, type)) {
      std::printf("  %s\n", line.c_str());
    }
    if (const auto observed = DispenserTypeOf(r)) type = observed;
  }
  return kExitOk;
}

}  // namespace kavo5000::tool
