// StateQueries.cpp — what the host polls to follow its dispensers: every
// nozzle's state and the dispenser's summary, the dispenser type, the
// delivery in progress, the total counters (and setting one), and the state
// mapping that closes a finished delivery by itself.
#include <algorithm>
#include <cmath>
#include <string>

#include "Bounds.h"
#include "Messages.h"
#include "VM30.h"
#include "catalogue/ValueRules.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::driver {

namespace {

// How the summary is chosen among the host state codes.
constexpr Byte kDeliveringBits = kStateDelivering;  // code AND this = this: delivering or finished
constexpr Byte kClassNone = 0x00;                   // no summary chosen yet
constexpr Byte kIdleAboveBusy = 0xC6;               // an idle summary gives way to codes above this

// The mapping closes a delivery once it is within a litre of its preset, or
// when nothing worth counting has been dispensed.
constexpr double kNearPresetLitres = 1.0;
constexpr double kNothingDispensed = 0.005;

// Setting a total: the host parameter number read back afterwards.
constexpr std::int32_t kTotalReadBackNumber = 26;
constexpr double kMoneyHalfUp = 0.01;  // makes exact halves of a hundredth go up

// Restores the dispenser's active nozzle however the closing steps end.
class ActiveNozzleScope {
 public:
  ActiveNozzleScope(Byte& slot, Byte nozzle) : slot_(slot), saved_(slot) { slot_ = nozzle; }
  ~ActiveNozzleScope() { slot_ = saved_; }
  ActiveNozzleScope(const ActiveNozzleScope&) = delete;
  ActiveNozzleScope& operator=(const ActiveNozzleScope&) = delete;

 private:
  Byte& slot_;
  Byte saved_;
};

void StoreNozzleWord(StateRecord& record, int n, Byte code) {
  // Little-endian whatever the machine: the low byte first.
  auto* word = reinterpret_cast<Byte*>(&record.Nozzle[n - 1]);
  word[0] = code;
  word[1] = 0;
}

bool TakesOverSummary(Byte summary, Byte code) {
  const Byte k = summary & kStateClassMask;
  if (k == kClassNone) return true;
  if (k == kStateIdle) return code > kIdleAboveBusy;
  if (k == kStateBusy || k == kStateLifted) {
    return (code & kDeliveringBits) == kDeliveringBits || code == kStateBusy;
  }
  return false;  // delivering, finished, or a code of the controller's own
}

}  // namespace

NozzleReading VM30Driver::MapNozzleState(Byte r1, Byte r2, Byte channel, std::int32_t dispenser,
                                         std::int32_t nozzle) {
  const Byte n = static_cast<Byte>(nozzle & kStateNozzleMask);
  const auto mapped = [](Byte code) { return NozzleReading{code, kLineValid}; };
  switch (r1) {
    case kReplyIdle:
      return mapped(kStateIdle);
    case kReplyLifted:
      return mapped(static_cast<Byte>(kStateLifted + n));
    case kReplyAuthorised:
      return mapped(kStateBusy);
    case kReplyStopped:
      return mapped(static_cast<Byte>(kStateFinished + n));
    default:
      break;
  }
  if (r1 < kReplyDeliveringFirst || r1 > kReplyDeliveringLast) return mapped(r1);
  if (r2 == kEndByte) return mapped(kStateBusy);
  const double dispensed = tables_.DispensedVolumes[channel][dispenser];
  const double preset = tables_.PresetVolumes[channel][dispenser];
  if (r2 == kReplyRunning && dispensed > kNothingDispensed &&
      preset - kNearPresetLitres > dispensed) {
    return mapped(static_cast<Byte>(kStateDelivering + n));
  }
  // Near the preset (or nothing dispensed): read the counters and close the
  // transaction for this nozzle, then give the dispenser back its active one.
  ActiveNozzleScope scope(tables_.ActiveNozzles[channel][dispenser], static_cast<Byte>(nozzle));
  double litres = 0.0;
  double money = 0.0;
  Slots().GetDeliveryCounters(channel, dispenser, &litres, &money);
  const ExchangeResult closed = CloseNozzle(channel, dispenser, nozzle);
  return NozzleReading{kStateFinished, closed.lineState};
}

NozzleReading VM30Driver::GetNozzleState(Byte channel, std::int32_t dispenser,
                                         std::int32_t nozzle) {
  const ExchangeResult result =
      ExchangeOrRaise(channel, Compose(NozzleAddress(dispenser, nozzle), kCmdState),
                      kStateReplySize, kDataReplyMode, kMsgGetSost);
  if (!result.Valid()) return NozzleReading{0, result.lineState};
  const std::optional<Byte> r1 = DataByte(result.Reply(), 1);
  const std::optional<Byte> r2 = DataByte(result.Reply(), 2);
  if (!r1 || !r2) {
    MarkShortReply(channel);
    return NozzleReading{0, kLineMalformed};
  }
  return MapNozzleState(*r1, *r2, channel, dispenser, nozzle);
}

void KAVO5000_CALL VM30Driver::GetSost(Byte channel, Byte dispenser, Byte count,
                                       StateRecord* result) {
  StateRecord& record = *CheckResult(result);
  ChannelLock lock = LockChannel(channel);
  record.Summary = 0;
  record.Zero1 = 0;
  record.Zero15 = 0;
  CheckDispenser(dispenser);
  // A count above the dispenser's own nozzles would poll the next
  // dispenser's; hosts pass a count by habit, so it is cut, not refused.
  int nozzles = std::min<int>(count == 0 ? config_.NozzlesPerDispenser : count, kLastNozzle);
  if (config_.NozzlesPerDispenser != 0)
    nozzles = std::min<int>(nozzles, config_.NozzlesPerDispenser);
  for (int n = 1; n <= nozzles; ++n) {
    const NozzleReading reading = GetNozzleState(channel, dispenser, n);
    if (n <= kStateRecordNozzles) StoreNozzleWord(record, n, reading.code);
    tables_.NozzleStates[channel][dispenser][n] = reading.code;
    if (reading.lineState != kLineValid) return;
    if (TakesOverSummary(record.Summary, reading.code)) {
      record.Summary = reading.code;
      record.SummaryNozzle = static_cast<Byte>(n);
    }
  }
}

std::uint16_t KAVO5000_CALL VM30Driver::GetDispenserState(Byte channel, Byte dispenser) {
  StateRecord record{};
  Slots().GetSost(channel, dispenser, 0, &record);
  return record.Summary;
}

void VM30Driver::GetType(Byte channel, Byte dispenser) {
  const SlotEntry slot = Enter(channel, dispenser);
  const ExchangeResult result =
      ExchangeOrRaise(channel, Compose(NozzleAddress(dispenser, kFirstNozzle), kCmdType),
                      kTypeReplySize, kDataReplyMode, kMsgGetType);
  if (!result.Valid()) return;
  const std::optional<Byte> typeByte = DataByte(result.Reply(), 1);
  if (!typeByte) {
    MarkShortReply(channel);
    return;
  }
  const auto type = static_cast<Byte>(*typeByte - kTypeByteBase);
  tables_.DispenserTypes[channel][dispenser] = type > kLastDispenserType ? kFallbackType : type;
}

void KAVO5000_CALL VM30Driver::GetDeliveryCounters(std::int32_t channel, std::int32_t dispenser,
                                                   double* litres, double* money) {
  const SlotEntry slot = Enter(channel, dispenser);
  const Byte ch = slot.channel;
  CheckResult(litres);
  CheckResult(money);
  GetType(ch, static_cast<Byte>(dispenser));
  const TypeRow row = kDispenserTypes[tables_.DispenserTypes[ch][dispenser]];
  const auto replySize =
      static_cast<Byte>(2 * (row.otherDigits + row.moneyDigits) + kCountersReplyBase);
  const ExchangeResult result = ExchangeOrRaise(
      ch, Compose(NozzleAddress(dispenser, tables_.ActiveNozzles[ch][dispenser]), kCmdDelivery),
      replySize, kDataReplyMode, kMsgDelivery);
  *litres = 0.0;
  *money = 0.0;
  if (!result.Valid()) return;
  const std::optional<std::int64_t> volume = DigitField(result.Reply(), 1, row.volumeDigits);
  const std::optional<std::int64_t> amount =
      DigitField(result.Reply(), row.volumeDigits + 1, row.moneyDigits);
  if (!volume || !amount) {
    MarkShortReply(ch);
    return;
  }
  *litres = static_cast<double>(*volume) / kHundredths;
  tables_.DispensedVolumes[ch][dispenser] = *litres;
  *money = static_cast<double>(*amount) / kHundredths;
}

double KAVO5000_CALL VM30Driver::GetDeliveredVolume(std::int32_t channel, std::int32_t dispenser,
                                                    double* money) {
  const SlotEntry slot = Enter(channel, dispenser);
  const Byte ch = slot.channel;
  CheckResult(money);
  const Byte active = tables_.ActiveNozzles[ch][dispenser];
  const ExchangeResult result =
      ExchangeOrRaise(ch, Compose(NozzleAddress(dispenser, active), kCmdVolume), kVolumeReplySize,
                      kPlainReplyMode, kMsgDelivery);
  *money = 0.0;
  switch (Judge(ch, result)) {
    case ReplyOutcome::None:
      return 0.0;
    case ReplyOutcome::Refused:
      channelStatus_[ch].store(kStatusDeliveryRefused);
      return 0.0;
    case ReplyOutcome::Accepted:
      break;
  }
  // Data byte 1 is the controller's status; 2 … 6 the volume, 100 l to 0.01 l.
  int d[7] = {};
  for (int j = 2; j <= 6; ++j) {
    const std::optional<int> digit = DigitAt(result.Reply(), j);
    if (!digit) {
      MarkShortReply(ch);
      return 0.0;
    }
    d[j] = *digit;
  }
  const double litres = 100.0 * d[2] + 10.0 * d[3] + d[4] + d[5] / 10.0 + d[6] / 100.0;
  tables_.DispensedVolumes[ch][dispenser] = litres;
  const double price = tables_.Prices[ch][dispenser][active == 0 ? kFirstNozzle : active];
  *money = RoundHalfEven(litres * price * kHundredths + kMoneyHalfUp) / kHundredths;
  return litres;
}

void KAVO5000_CALL VM30Driver::GetTotalCounters(std::int32_t channel, std::int32_t dispenser,
                                                std::int32_t nozzle, double* volume, double* money,
                                                double /*unused*/) {
  const SlotEntry slot = Enter(channel, dispenser, nozzle);
  const Byte ch = slot.channel;
  CheckResult(volume);
  CheckResult(money);
  const ExchangeResult result =
      ExchangeOrRaise(ch, Compose(NozzleAddress(dispenser, slot.nozzle), kCmdTotals),
                      kTotalsReplySize, kDataReplyMode, kMsgDelivery);
  *volume = 0.0;
  *money = 0.0;
  if (result.Valid()) {
    // The last end byte within the reply tells how many digits the fields have.
    const ReplyBytes reply = result.Reply();
    const std::size_t searched = std::min<std::size_t>(reply.size(), kTotalsReplySize);
    int half = kTotalsDefaultHalf;
    for (std::size_t p = searched; p-- > 0;) {
      if (reply[p] == kEndByte) {
        half = static_cast<int>(RoundHalfEven((static_cast<double>(p) - 2.0) / 4.0)) - 1;
        break;
      }
    }
    const std::optional<std::int64_t> v = DigitField(reply, 1, half + 1);
    const std::optional<std::int64_t> m = DigitField(reply, half + 2, half);
    if (v && m) {
      *volume = static_cast<double>(*v) / kHundredths;
      *money = static_cast<double>(*m) / kHundredths;
    } else {
      MarkShortReply(ch);
    }
  }
  // A zero total, whatever the line said, is reported as such.
  if (*volume == 0.0) channelStatus_[ch].store(kStatusTotalsEmpty);
}

void KAVO5000_CALL VM30Driver::SetTotalCounter(std::int32_t channel, std::int32_t dispenser,
                                               std::int32_t nozzle, double value,
                                               double /*unused*/) {
  const SlotEntry slot = Enter(channel, dispenser, nozzle);
  const Byte ch = slot.channel;
  if (!AmountFits(value, kTotalCounterLimitDigits)) throw Exception(kMsgInvalidValue);
  // The password index is cleared before a total is written.
  WriteParamDigits(ch, dispenser, catalogue::kPasswordIndex, 0);
  std::string arguments(1, static_cast<char>(kSetTotalSubCode));
  arguments += AmountDigits(value, kTotalCounterDigits);
  ExchangeOrRaise(ch, Compose(NozzleAddress(dispenser, slot.nozzle), kCmdTotals, arguments),
                  kSetTotalReplySize, kPlainReplyMode, kMsgDelivery);
  Slots().GetParam(channel, dispenser, kTotalReadBackNumber);
}

}  // namespace kavo5000::driver
