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

#include "Checks.h"
#include "Decode.h"
#include "ExchangeOutcome.h"
#include "Frames.h"
#include "Hex.h"
#include "HostText.h"
#include "ParamLimits.h"
#include "Pcap.h"
#include "Text.h"
#include "Trace.h"

namespace kavo5000::tool {

namespace {

constexpr std::size_t kRecordNozzles = 6;  // nozzle words in a state record
constexpr kavo5000::Byte kAllNozzles = 0;  // GetSost: every nozzle of the dispenser

std::string Where(std::int32_t dispenser, std::int32_t nozzle) {
  return "dispenser " + std::to_string(dispenser) + " nozzle " + std::to_string(nozzle);
}

}  // namespace

void CheckPlace(const Session& s, int dispenser, std::optional<int> nozzle) {
  if (const auto refusal = PlaceRefusal(dispenser, nozzle, s.nozzles())) throw UsageError(*refusal);
}

void CheckAmount(AmountKind kind, double value) {
  if (const auto refusal = AmountRefusal(kind, value)) throw UsageError(*refusal);
}

// "2.00 l, sent as 2.00 l" or "100.00 (money), sent as 1.90 l at 52.40 …":
// what was asked for and what went on the line, read off the preset's frame.
std::string PresetText(Session& s, int dispenser, int nozzle, double requested, bool money) {
  std::string text = AmountText(requested) + (money ? " (money)" : " l");
  const auto sent = PresetSent(s.Exchanges());
  if (!sent) return text;
  if (sent->money) return text + ", sent as money " + AmountText(sent->amount);
  text += ", sent as " + AmountText(sent->amount) + " l";
  if (!money) return text;
  if (const auto price = s.PriceOf(dispenser, nozzle)) {
    text += " at " + AmountText(*price) + " (" + AmountText(sent->amount * *price) + ")";
  }
  // The byte that sends money as money and keeps the nozzles per dispenser.
  unsigned keeping = s.options().Config();
  if ((keeping & kavo5000::kConfigNozzleMask) == 0) keeping |= kavo5000::kConfigDefaultNozzles;
  char hint[96];
  std::snprintf(hint, sizeof hint,
                ": money travels as volume with this configuration byte (0x%02X sends money)",
                keeping | kavo5000::kConfigMoneyAsMoney);
  return text + hint;
}

int RunState(Session& s, const CommandValues& v) {
  const int d = v.dispenser;
  CheckPlace(s, d, std::nullopt);
  kavo5000::StateRecord record{};
  Guarded(s, "state query", [&] {
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
  CheckPlace(s, d, std::nullopt);
  double litres = 0;
  double money = 0;
  // The driver reads the type on its way to the delivery counters; the tool
  // sees the answer to '7' go past on the line.
  Guarded(s, "type query",
          [&] { s.driver().GetDeliveryCounters(s.channel(), d, &litres, &money); });
  const auto type = s.ObservedType();
  if (!type) throw ToolError("type query: no valid reply to '7'");
  const auto& layout = wire::kCounterLayouts[static_cast<std::size_t>(*type)];
  std::printf("dispenser %d: type %d (delivery counters: %d volume digits, %d money digits)\n", d,
              *type, layout.volume, layout.money);
  return kExitOk;
}

int RunPrice(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  CheckAmount(AmountKind::kPrice, v.amount);
  Guarded(s, "price",
          [&] { s.driver().SetPrice(s.channel(), v.dispenser, v.nozzle, 0, 0, v.amount); });
  // The driver keeps the price even when the line fails; so does the session.
  s.NotePrice(v.dispenser, v.nozzle, v.amount);
  s.Expect("price", Refusals::kFail);
  std::printf("%s: price %s\n", Where(v.dispenser, v.nozzle).c_str(), AmountText(v.amount).c_str());
  return kExitOk;
}

int RunPresetVolume(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  CheckAmount(AmountKind::kVolume, v.amount);
  Guarded(s, "volume preset",
          [&] { s.driver().PresetVolume(s.channel(), v.dispenser, v.nozzle, 0, v.amount); });
  s.Expect("volume preset", Refusals::kFail);
  s.NotePreset(v.dispenser);
  std::printf("%s: preset %s\n", Where(v.dispenser, v.nozzle).c_str(),
              PresetText(s, v.dispenser, v.nozzle, v.amount, false).c_str());
  return kExitOk;
}

int RunPresetMoney(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  if (v.price) CheckAmount(AmountKind::kPrice, *v.price);
  const bool asMoney = !kavo5000::DecodeConfig(s.options().Config()).MoneyAsVolume;
  const std::optional<double> price = v.price ? v.price : s.PriceOf(v.dispenser, v.nozzle);
  if (asMoney) {
    CheckAmount(AmountKind::kMoney, v.amount);
  } else if (price) {
    const double litres = MoneyAsLitres(v.amount, *price);
    if (AmountRefusal(AmountKind::kVolume, litres)) {
      throw UsageError("money " + AmountText(v.amount) + " at " + AmountText(*price) + " is " +
                       AmountText(litres) + " l, above " +
                       AmountText(LargestAmount(AmountKind::kVolume)) +
                       " l, the largest volume preset (money travels as volume with this "
                       "configuration byte); nothing was sent");
    }
  }
  if (!price) {
    throw UsageError(
        "a money preset needs the nozzle's price, and this run has set none: "
        "give --price P; nothing was sent");
  }
  if (v.price) {
    Guarded(s, "price",
            [&] { s.driver().SetPrice(s.channel(), v.dispenser, v.nozzle, 0, 0, *v.price); });
    s.NotePrice(v.dispenser, v.nozzle, *v.price);
    s.Expect("price", Refusals::kFail);
  }
  Guarded(s, "money preset",
          [&] { s.driver().PresetMoney(s.channel(), v.dispenser, v.nozzle, 0, v.amount); });
  s.Expect("money preset", Refusals::kFail);
  s.NotePreset(v.dispenser);
  std::printf("%s: preset %s\n", Where(v.dispenser, v.nozzle).c_str(),
              PresetText(s, v.dispenser, v.nozzle, v.amount, true).c_str());
  return kExitOk;
}

int RunStart(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  // The driver follows the nozzle from the moment its '2' goes out, whatever
  // the controller answers (an extended start may end before it).
  const auto follow = [&] {
    if (CommandSent(s.Exchanges(), wire::kCmdStart)) s.NoteStart(v.dispenser, v.nozzle);
  };
  try {
    Guarded(s, "start", [&] {
      if (v.extended) {
        s.driver().StartPumpEx(s.channel(), v.dispenser, v.nozzle, false);
      } else {
        s.driver().StartPump(s.channel(), v.dispenser, v.nozzle);
      }
    });
  } catch (const ToolError&) {
    follow();
    throw;
  }
  follow();
  // The extended start closes whatever the dispenser held open first; a
  // refused close there does not matter to the start.
  s.Expect("start", Refusals::kFail, v.extended ? std::string_view("8") : std::string_view());
  std::printf("%s: started%s\n", Where(v.dispenser, v.nozzle).c_str(),
              v.extended ? " (extended)" : "");
  return kExitOk;
}

int RunStop(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  Guarded(s, "stop", [&] { s.driver().StopPump(s.channel(), v.dispenser, v.nozzle, true); });
  s.Expect("stop", Refusals::kFail);
  std::printf("%s: stopped\n", Where(v.dispenser, v.nozzle).c_str());
  return kExitOk;
}

int RunClose(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  std::int32_t result = 0;
  Guarded(s, "close",
          [&] { result = s.driver().StopAndClose(s.channel(), v.dispenser, v.nozzle, false); });
  if (result != 0) throw LineError("close: the line failed (" + s.PortReason() + ")");
  // The close carries no refusal code of its own; Expect reads its answer off
  // the line.
  s.Expect("close", Refusals::kFail);
  std::printf("%s: transaction closed\n", Where(v.dispenser, v.nozzle).c_str());
  return kExitOk;
}

int ReadNozzle(const Session& s, const CommandValues& v) {
  if (!v.pickedNozzle) return s.ActiveNozzle(v.dispenser);
  return *v.pickedNozzle == 0 ? 1 : *v.pickedNozzle;
}

// The driver reads the running volume and the delivery counters of the
// nozzle it last started on the dispenser; another nozzle's the tool asks
// its controller for itself.
int RunDelivery(Session& s, const CommandValues& v) {
  const int d = v.dispenser;
  const int n = ReadNozzle(s, v);
  CheckPlace(s, d, n);
  const std::string where = Where(d, n);
  double litres = 0;
  if (n == s.ActiveNozzle(d)) {
    double money = 0;
    Guarded(s, "volume query",
            [&] { litres = s.driver().GetDeliveredVolume(s.channel(), d, &money); });
    s.Expect("volume query");
    // The driver reckons the money from the price it was given: this run's.
    if (s.PriceOf(d, n)) {
      std::printf("%s: delivered %s l, %s (at the price this run set)\n", where.c_str(),
                  AmountText(litres).c_str(), AmountText(money).c_str());
      return kExitOk;
    }
  } else {
    host::NozzleReader reader = s.Reader();
    const auto hundredths = reader.RunningVolume(s.Address(d, n));
    if (!hundredths) {
      throw ToolError("volume query of " + where + ": not read: " + s.ReadingFailureText(reader));
    }
    litres = host::FromHundredths(*hundredths);
  }
  std::printf("%s: delivered %s l, money not read\n", where.c_str(), AmountText(litres).c_str());
  throw ToolError(
      "delivery: the money was not read: the volume reply carries none, and the driver reckons it "
      "from a price this run did not set; `" +
      s.CommandFor("counters " + std::to_string(d) + " " + std::to_string(n)) +
      "` reads the controller's own");
}

int RunCounters(Session& s, const CommandValues& v) {
  const int d = v.dispenser;
  const int n = ReadNozzle(s, v);
  CheckPlace(s, d, n);
  const std::string where = Where(d, n);
  if (n != s.ActiveNozzle(d)) {
    host::NozzleReader reader = s.Reader();
    const auto figures = reader.DeliveryCounters(s.Address(d, n));
    if (!figures) {
      throw ToolError("delivery counters of " + where +
                      ": not read: " + s.ReadingFailureText(reader));
    }
    std::printf("%s: delivery %s l, %s\n", where.c_str(),
                AmountText(host::FromHundredths(figures->litres)).c_str(),
                AmountText(host::FromHundredths(figures->money)).c_str());
    return kExitOk;
  }
  double litres = 0;
  double money = 0;
  Guarded(s, "delivery counters",
          [&] { s.driver().GetDeliveryCounters(s.channel(), d, &litres, &money); });
  s.Expect("delivery counters");
  if (s.ObservedType() == 0) {
    throw ToolError("delivery counters of " + where +
                    ": not read: a dispenser of type 0 reports no volume or money");
  }
  std::printf("%s: delivery %s l, %s\n", where.c_str(), AmountText(litres).c_str(),
              AmountText(money).c_str());
  return kExitOk;
}

int RunTotals(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  double volume = 0;
  double money = 0;
  Guarded(s, "total counters", [&] {
    s.driver().GetTotalCounters(s.channel(), v.dispenser, v.nozzle, &volume, &money, 0);
  });
  const std::string where = Where(v.dispenser, v.nozzle);
  if (IsEmptyTotal(s.driver().GetChannelStatus(s.channel()), s.Exchanges())) {
    // A zero volume total is a reading, not a failure, though the driver
    // reports it with status 3.
    std::printf("%s: totals %s l, %s (the volume total is 0)\n", where.c_str(),
                AmountText(volume).c_str(), AmountText(money).c_str());
    return kExitOk;
  }
  s.Expect("total counters");
  std::printf("%s: totals %s l, %s\n", where.c_str(), AmountText(volume).c_str(),
              AmountText(money).c_str());
  return kExitOk;
}

int RunTotalsSet(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  CheckAmount(AmountKind::kTotal, v.amount);
  Guarded(s, "setting the total",
          [&] { s.driver().SetTotalCounter(s.channel(), v.dispenser, v.nozzle, v.amount, 0); });
  s.Expect("setting the total", Refusals::kFail);
  std::printf("%s: volume total set to %s l\n", Where(v.dispenser, v.nozzle).c_str(),
              AmountText(v.amount).c_str());
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
  if (const auto refusal = ParamNumberRefusal(v.dispenser, number, s.nozzles())) {
    throw UsageError(*refusal);
  }
  Guarded(s, "parameter write",
          [&] { s.driver().SetParam(s.channel(), v.dispenser, number, value); });
  // A common switch goes to every controller and is never answered.
  if (number < kParamAddressProgramming && number >= 0) {
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
  Guarded(s, "address programming", [&] {
    s.driver().SetParam(s.channel(), 1, kParamAddressProgramming,
                        identification * kParamAddressFactor + a);
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

int RunDecodeTrace(const std::string& path, const std::optional<std::string>& pcap) {
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
  if (pcap) {
    try {
      monitor::PcapFile capture(*pcap);
      for (const monitor::CaptureRecord& record : monitor::CaptureOfTrace(records))
        capture.Write(record);
      std::fprintf(stderr, "kavo5000 decode: %zu records written to %s\n", capture.Records(),
                   pcap->c_str());
    } catch (const std::runtime_error& e) {
      throw ToolError(e.what());
    }
  }
  return kExitOk;
}

}  // namespace kavo5000::tool
