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

namespace kavo5000::driver {

namespace {

// Digit layout of the delivery counters, by dispenser type.
struct TypeRow {
  int volumeDigits;  // a
  int otherDigits;   // b: carried in the reply, not read
  int moneyDigits;   // c
};
constexpr TypeRow kDispenserTypes[] = {
    {0, 0, 0}, {6, 4, 6}, {6, 6, 8}, {6, 4, 6}, {6, 4, 6},
    {6, 4, 6}, {6, 6, 8}, {6, 6, 8}, {5, 4, 7},
};
constexpr Byte kLastDispenserType = 8;
constexpr Byte kFallbackType = 1;       // what an unknown type byte is taken as
constexpr Byte kTypeByteBase = 0x40;    // '@' + type
constexpr int kCountersReplyBase = 16;  // reply size 2 × (b + c) + this

// Reply sizes and modes of the queries.
constexpr Byte kStateReplySize = 8;
constexpr Byte kTypeReplySize = 6;
constexpr Byte kVolumeReplySize = 17;
constexpr Byte kTotalsReplySize = 52;
constexpr Byte kSetTotalReplySize = 1;
constexpr Byte kDataReplyMode = 2;
constexpr Byte kPlainReplyMode = 0;

// Host state codes; in those written with + n the low three bits carry the
// nozzle number.
constexpr Byte kCodeIdle = 0xC0;
constexpr Byte kCodeBusy = 0xC8;
constexpr Byte kCodeDelivering = 0xD0;  // + n
constexpr Byte kCodeFinished = 0xD8;    // + n; without n: closed by the driver
constexpr Byte kCodeLifted = 0xE0;      // + n
constexpr Byte kClassMask = 0xF8;
constexpr Byte kNozzleBits = 0x07;
constexpr Byte kDeliveringBits = 0xD0;  // code AND this = this: delivering or finished
constexpr Byte kClassNone = 0x00;
constexpr Byte kIdleAboveBusy = 0xC6;  // an idle summary gives way to codes above this

// Controller state characters (first data byte of the reply to '1').
constexpr Byte kStateIdle = '0';
constexpr Byte kStateLifted = '1';
constexpr Byte kStateAuthorised = '2';
constexpr Byte kStateStopped = '3';
constexpr Byte kStateDeliveringFirst = '4';
constexpr Byte kStateDeliveringLast = '6';
constexpr Byte kStateRunning = '0';  // second data byte while the pump runs

// The mapping closes a delivery once it is within a litre of its preset, or
// when nothing worth counting has been dispensed.
constexpr double kNearPresetLitres = 1.0;
constexpr double kNothingDispensed = 0.005;

// Totals: the volume field ends where the last end byte says; without one it
// has 8 digits.
constexpr int kTotalsDefaultHalf = 7;
constexpr int kTotalCounterDigits = 8;         // padded to this, longer numbers keep their digits
constexpr double kTotalCounterLimit = 1e12;    // 12 digits of hundredths
constexpr std::int32_t kTotalResetIndex = 26;  // written 0 before a total is set
constexpr std::int32_t kTotalReadBackNumber = 26;  // host number read after setting

constexpr double kHundredths = 100.0;
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
  const Byte k = summary & kClassMask;
  if (k == kClassNone) return true;
  if (k == kCodeIdle) return code > kIdleAboveBusy;
  if (k == kCodeBusy || k == kCodeLifted) {
    return (code & kDeliveringBits) == kDeliveringBits || code == kCodeBusy;
  }
  return false;  // delivering, finished, or a code of the controller's own
}

}  // namespace

Byte TVM30::MapNozzleState(Byte r1, Byte r2, Byte channel, std::int32_t dispenser,
                           std::int32_t nozzle) {
  const Byte n = static_cast<Byte>(nozzle & kNozzleBits);
  switch (r1) {
    case kStateIdle:
      return kCodeIdle;
    case kStateLifted:
      return static_cast<Byte>(kCodeLifted + n);
    case kStateAuthorised:
      return kCodeBusy;
    case kStateStopped:
      return static_cast<Byte>(kCodeFinished + n);
    default:
      break;
  }
  if (r1 < kStateDeliveringFirst || r1 > kStateDeliveringLast) return r1;
  if (r2 == kEndByte) return kCodeBusy;
  const double dispensed = Tables.DispensedVolumes[channel][dispenser];
  const double preset = Tables.PresetVolumes[channel][dispenser];
  if (r2 == kStateRunning && dispensed > kNothingDispensed &&
      preset - kNearPresetLitres > dispensed) {
    return static_cast<Byte>(kCodeDelivering + n);
  }
  // Near the preset (or nothing dispensed): read the counters and close the
  // transaction for this nozzle, then give the dispenser back its active one.
  ActiveNozzleScope scope(Tables.ActiveNozzles[channel][dispenser], static_cast<Byte>(nozzle));
  double litres = 0.0;
  double money = 0.0;
  Slots().GetDeliveryCounters(channel, dispenser, &litres, &money);
  CloseNozzle(channel, dispenser, nozzle);
  return kCodeFinished;
}

Byte TVM30::GetNozzleState(Byte channel, std::int32_t dispenser, std::int32_t nozzle) {
  CommandBuffer buffer{};
  ExchangeOrRaise(channel, buffer, Compose(NozzleAddress(dispenser, nozzle), kCmdState),
                  kStateReplySize, kDataReplyMode, kMsgGetSost);
  if (ChannelStatus[channel].load() != kLineValid) return 0;
  const ReplyBytes reply = HeldReply(channel, buffer);
  const std::optional<Byte> r1 = DataByte(reply, 1);
  const std::optional<Byte> r2 = DataByte(reply, 2);
  if (!r1 || !r2) {
    MarkShortReply(channel);
    return 0;
  }
  return MapNozzleState(*r1, *r2, channel, dispenser, nozzle);
}

void KAVO5000_CALL TVM30::GetSost(Byte channel, Byte dispenser, Byte count, StateRecord* result) {
  StateRecord& record = *CheckResult(result);
  ChannelLock lock = LockChannel(channel);
  record.Summary = 0;
  record.Zero1 = 0;
  record.Zero15 = 0;
  CheckDispenser(dispenser);
  const int nozzles = std::min<int>(count == 0 ? NozzlesPerDispenser : count, kLastNozzle);
  for (int n = 1; n <= nozzles; ++n) {
    const Byte code = GetNozzleState(channel, dispenser, n);
    if (n <= kStateRecordNozzles) StoreNozzleWord(record, n, code);
    Tables.NozzleStates[channel][dispenser][n] = code;
    if (ChannelStatus[channel].load() != kLineValid) return;
    if (TakesOverSummary(record.Summary, code)) {
      record.Summary = code;
      record.SummaryNozzle = static_cast<Byte>(n);
    }
  }
}

std::uint16_t KAVO5000_CALL TVM30::GetDispenserState(Byte channel, Byte dispenser) {
  StateRecord record{};
  Slots().GetSost(channel, dispenser, 0, &record);
  return record.Summary;
}

void TVM30::GetType(Byte channel, Byte dispenser) {
  ChannelLock lock = LockChannel(channel);
  CheckDispenser(dispenser);
  CommandBuffer buffer{};
  ExchangeOrRaise(channel, buffer, Compose(NozzleAddress(dispenser, kFirstNozzle), kCmdType),
                  kTypeReplySize, kDataReplyMode, kMsgGetType);
  if (ChannelStatus[channel].load() != kLineValid) return;
  const std::optional<Byte> typeByte = DataByte(HeldReply(channel, buffer), 1);
  if (!typeByte) {
    MarkShortReply(channel);
    return;
  }
  const auto type = static_cast<Byte>(*typeByte - kTypeByteBase);
  Tables.DispenserTypes[channel][dispenser] = type > kLastDispenserType ? kFallbackType : type;
}

void KAVO5000_CALL TVM30::GetDeliveryCounters(std::int32_t channel, std::int32_t dispenser,
                                              double* litres, double* money) {
  ChannelLock lock = LockChannel(channel);
  const Byte ch = static_cast<Byte>(channel);
  CheckDispenser(dispenser);
  CheckResult(litres);
  CheckResult(money);
  GetType(ch, static_cast<Byte>(dispenser));
  const TypeRow row = kDispenserTypes[Tables.DispenserTypes[ch][dispenser]];
  const auto replySize =
      static_cast<Byte>(2 * (row.otherDigits + row.moneyDigits) + kCountersReplyBase);
  CommandBuffer buffer{};
  ExchangeOrRaise(
      ch, buffer,
      Compose(NozzleAddress(dispenser, Tables.ActiveNozzles[ch][dispenser]), kCmdDelivery),
      replySize, kDataReplyMode, kMsgDelivery);
  *litres = 0.0;
  *money = 0.0;
  if (ChannelStatus[ch].load() != kLineValid) return;
  const ReplyBytes reply = HeldReply(ch, buffer);
  const std::optional<std::int64_t> volume = DigitField(reply, 1, row.volumeDigits);
  const std::optional<std::int64_t> amount =
      DigitField(reply, row.volumeDigits + 1, row.moneyDigits);
  if (!volume || !amount) {
    MarkShortReply(ch);
    return;
  }
  *litres = static_cast<double>(*volume) / kHundredths;
  Tables.DispensedVolumes[ch][dispenser] = *litres;
  *money = static_cast<double>(*amount) / kHundredths;
}

double KAVO5000_CALL TVM30::GetDeliveredVolume(std::int32_t channel, std::int32_t dispenser,
                                               double* money) {
  ChannelLock lock = LockChannel(channel);
  const Byte ch = static_cast<Byte>(channel);
  CheckDispenser(dispenser);
  CheckResult(money);
  const Byte active = Tables.ActiveNozzles[ch][dispenser];
  CommandBuffer buffer{};
  ExchangeOrRaise(ch, buffer, Compose(NozzleAddress(dispenser, active), kCmdVolume),
                  kVolumeReplySize, kPlainReplyMode, kMsgDelivery);
  *money = 0.0;
  switch (Outcome(ch, buffer)) {
    case ReplyOutcome::None:
      return 0.0;
    case ReplyOutcome::Refused:
      ChannelStatus[ch].store(kStatusDeliveryRefused);
      return 0.0;
    case ReplyOutcome::Accepted:
      break;
  }
  // Data byte 1 is the controller's status; 2 … 6 the volume, 100 l to 0.01 l.
  const ReplyBytes reply = HeldReply(ch, buffer);
  int d[7] = {};
  for (int j = 2; j <= 6; ++j) {
    const std::optional<int> digit = DigitAt(reply, j);
    if (!digit) {
      MarkShortReply(ch);
      return 0.0;
    }
    d[j] = *digit;
  }
  const double litres = 100.0 * d[2] + 10.0 * d[3] + d[4] + d[5] / 10.0 + d[6] / 100.0;
  Tables.DispensedVolumes[ch][dispenser] = litres;
  const double price = Tables.Prices[ch][dispenser][active == 0 ? kFirstNozzle : active];
  *money = RoundHalfEven(litres * price * kHundredths + kMoneyHalfUp) / kHundredths;
  return litres;
}

void KAVO5000_CALL TVM30::GetTotalCounters(std::int32_t channel, std::int32_t dispenser,
                                           std::int32_t nozzle, double* volume, double* money,
                                           double /*unused*/) {
  ChannelLock lock = LockChannel(channel);
  const Byte ch = static_cast<Byte>(channel);
  CheckDispenser(dispenser);
  const int n = CheckNozzle(nozzle);
  CheckResult(volume);
  CheckResult(money);
  CommandBuffer buffer{};
  ExchangeOrRaise(ch, buffer, Compose(NozzleAddress(dispenser, n), kCmdTotals), kTotalsReplySize,
                  kDataReplyMode, kMsgDelivery);
  *volume = 0.0;
  *money = 0.0;
  if (ChannelStatus[ch].load() == kLineValid) {
    // The last end byte within the reply tells how many digits the fields have.
    const ReplyBytes reply = HeldReply(ch, buffer);
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
  if (*volume == 0.0) ChannelStatus[ch].store(kStatusTotalsEmpty);
}

void KAVO5000_CALL TVM30::SetTotalCounter(std::int32_t channel, std::int32_t dispenser,
                                          std::int32_t nozzle, double value, double /*unused*/) {
  ChannelLock lock = LockChannel(channel);
  const Byte ch = static_cast<Byte>(channel);
  CheckDispenser(dispenser);
  const int n = CheckNozzle(nozzle);
  if (!std::isfinite(value) || value < 0.0 ||
      RoundHalfEven(value * kHundredths) >= kTotalCounterLimit) {
    throw Exception(kMsgInvalidValue);
  }
  WriteParamDigits(ch, dispenser, kTotalResetIndex, 0);
  std::string arguments(1, static_cast<char>(kSetTotalSubCode));
  arguments += AmountDigits(value, kTotalCounterDigits);
  CommandBuffer buffer{};
  ExchangeOrRaise(ch, buffer, Compose(NozzleAddress(dispenser, n), kCmdTotals, arguments),
                  kSetTotalReplySize, kPlainReplyMode, kMsgDelivery);
  Slots().GetParam(channel, dispenser, kTotalReadBackNumber);
}

}  // namespace kavo5000::driver
