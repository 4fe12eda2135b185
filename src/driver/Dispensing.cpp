// Dispensing.cpp — running a delivery on one nozzle: price, presets by volume
// and by money, the plain and the extended start, stop, and closing the
// nozzle's transaction. A refusal by the controller becomes the operation's
// code in ChannelStatus; a failed exchange raises ESerialIO.
#include <cmath>

#include "Bounds.h"
#include "Messages.h"
#include "VM30.h"

namespace kavo5000::driver {

namespace {

// Digit fields of the amounts, in hundredths.
constexpr int kPriceDigits = 4;   // 'Q'
constexpr int kVolumeDigits = 5;  // 'T'
constexpr int kMoneyDigits = 6;   // 'S'

// Every dispensing command awaits a one-byte answer.
constexpr Byte kControlReplySize = 2;
constexpr Byte kPlainReplyMode = 0;

// A money preset sent as a volume: what is added before cutting to hundredths,
// so that an amount a hair below a whole hundredth still reaches it.
constexpr double kMoneyRoundUp = 0.0049;
constexpr double kHundredths = 100.0;

// The nozzle state that asks for the confirming 'V' after a start.
constexpr Byte kStateAwaitingConfirm = 0xE1;

}  // namespace

std::int32_t TVM30::CloseNozzle(Byte channel, std::int32_t dispenser, std::int32_t nozzle) {
  ChannelLock lock = LockChannel(channel);
  CommandBuffer buffer{};
  return Exchange(channel, buffer, Compose(NozzleAddress(dispenser, nozzle), kCmdClose),
                  kControlReplySize, kPlainReplyMode);
}

ReplyOutcome TVM30::DispensingCommand(Byte channel, std::int32_t dispenser, std::int32_t nozzle,
                                      Byte command, std::string_view arguments,
                                      const char* failureMessage, std::optional<Byte> refusalCode) {
  CommandBuffer buffer{};
  ExchangeOrRaise(channel, buffer, Compose(NozzleAddress(dispenser, nozzle), command, arguments),
                  kControlReplySize, kPlainReplyMode, failureMessage);
  const ReplyOutcome outcome = Outcome(channel, buffer);
  if (outcome == ReplyOutcome::Refused && refusalCode) ChannelStatus[channel].store(*refusalCode);
  return outcome;
}

std::optional<Byte> TVM30::StartRefusalCode() const {
  if (NoStartRefusal) return std::nullopt;
  return kStatusStartRefused;
}

void KAVO5000_CALL TVM30::StartPump(std::int32_t channel, std::int32_t dispenser,
                                    std::int32_t nozzle) {
  ChannelLock lock = LockChannel(channel);
  const Byte ch = static_cast<Byte>(channel);
  CheckDispenser(dispenser);
  const int n = CheckNozzle(nozzle);
  Tables.ActiveNozzles[ch][dispenser] = static_cast<Byte>(n);
  DispensingCommand(ch, dispenser, n, kCmdStart, {}, kMsgStartPump, StartRefusalCode());
}

void KAVO5000_CALL TVM30::StartPumpEx(std::int32_t channel, std::int32_t dispenser,
                                      std::int32_t nozzle, bool skipPreparation) {
  ChannelLock lock = LockChannel(channel);
  const Byte ch = static_cast<Byte>(channel);
  CheckDispenser(dispenser);
  const int n = CheckNozzle(nozzle);
  if (!skipPreparation) {
    // Whatever the dispenser still holds open is closed first; its outcome
    // does not matter to the start.
    CloseNozzle(ch, dispenser, Tables.ActiveNozzles[ch][dispenser]);
    const ReplyOutcome prepared =
        DispensingCommand(ch, dispenser, n, kCmdPrepare, {}, kMsgStartPump,
                          NoStartRefusal ? std::nullopt : std::optional(kStatusPrepareRefused));
    if (!NoStartRefusal && prepared == ReplyOutcome::None) return;
  }
  Tables.ActiveNozzles[ch][dispenser] = static_cast<Byte>(n);
  DispensingCommand(ch, dispenser, n, kCmdStart, {}, kMsgStartPump, StartRefusalCode());
  if (StartConfirmV && Tables.NozzleStates[ch][dispenser][n] == kStateAwaitingConfirm) {
    DispensingCommand(ch, dispenser, n, kCmdConfirm, {}, kMsgStartPump, StartRefusalCode());
  }
}

void KAVO5000_CALL TVM30::StopPump(std::int32_t channel, std::int32_t dispenser,
                                   std::int32_t nozzle, bool doStop) {
  if (!doStop) return;
  ChannelLock lock = LockChannel(channel);
  CheckDispenser(dispenser);
  const int n = CheckNozzle(nozzle);
  // A refused stop is recorded whatever the start refusals are set to.
  DispensingCommand(static_cast<Byte>(channel), dispenser, n, kCmdStop, {}, kMsgStopPump,
                    kStatusStopRefused);
}

bool KAVO5000_CALL TVM30::StopActiveNozzle(std::int32_t channel, std::int32_t dispenser,
                                           bool doStop) {
  if (!doStop) return false;
  ChannelLock lock = LockChannel(channel);
  CheckDispenser(dispenser);
  Slots().StopPump(channel, dispenser, Tables.ActiveNozzles[channel][dispenser], true);
  return false;
}

std::int32_t KAVO5000_CALL TVM30::StopAndClose(std::int32_t channel, std::int32_t dispenser,
                                               std::int32_t nozzle, bool doStop) {
  ChannelLock lock = LockChannel(channel);
  CheckDispenser(dispenser);
  const int n = CheckNozzle(nozzle);
  Slots().StopPump(channel, dispenser, n, doStop);
  return CloseNozzle(static_cast<Byte>(channel), dispenser, n);
}

void KAVO5000_CALL TVM30::PresetVolume(std::int32_t channel, std::int32_t dispenser,
                                       std::int32_t nozzle, std::int32_t /*unused*/,
                                       double litres) {
  ChannelLock lock = LockChannel(channel);
  const Byte ch = static_cast<Byte>(channel);
  CheckDispenser(dispenser);
  const int n = CheckNozzle(nozzle);
  CheckAmount(litres, kVolumeDigits);
  if (DispensingCommand(ch, dispenser, n, kCmdPresetVolume, AmountDigits(litres, kVolumeDigits),
                        kMsgPresetVolume, kStatusVolumeRefused) == ReplyOutcome::Accepted) {
    Tables.PresetVolumes[ch][dispenser] = litres;  // as passed, not the hundredths sent
  }
}

void KAVO5000_CALL TVM30::PresetMoney(std::int32_t channel, std::int32_t dispenser,
                                      std::int32_t nozzle, std::int32_t passOn, double money) {
  ChannelLock lock = LockChannel(channel);
  const Byte ch = static_cast<Byte>(channel);
  CheckDispenser(dispenser);
  const int n = CheckNozzle(nozzle);
  if (!std::isfinite(money) || money < 0.0) throw Exception(kMsgInvalidValue);
  if (!MoneyAsVolume) CheckAmount(money, kMoneyDigits);
  const double price = Tables.Prices[ch][dispenser][n];
  if (price <= 0.0) throw Exception(kMsgNoPrice);

  if (MoneyAsVolume) {
    // Stored before it is scaled, so that the sum is cut as a double also
    // where the arithmetic runs wider.
    const volatile double roundedUp = money + kMoneyRoundUp;
    const double litres = std::trunc(roundedUp * kHundredths / price) / kHundredths;
    Slots().PresetVolume(channel, dispenser, nozzle, passOn, litres);
    return;
  }
  if (DispensingCommand(ch, dispenser, n, kCmdPresetMoney, AmountDigits(money, kMoneyDigits),
                        kMsgPresetMoney, kStatusMoneyRefused) == ReplyOutcome::Accepted) {
    Tables.PresetVolumes[ch][dispenser] = RoundHalfEven(money / price);  // whole litres
  }
}

void KAVO5000_CALL TVM30::SetPrice(std::int32_t channel, std::int32_t dispenser,
                                   std::int32_t nozzle, std::int32_t /*unused1*/,
                                   std::int32_t /*unused2*/, double price) {
  ChannelLock lock = LockChannel(channel);
  const Byte ch = static_cast<Byte>(channel);
  CheckDispenser(dispenser);
  const int n = CheckNozzle(nozzle);
  CheckAmount(price, kPriceDigits);
  // Kept even when the exchange fails: a later money preset prices with it.
  Tables.Prices[ch][dispenser][n] = price;
  if (DispensingCommand(ch, dispenser, n, kCmdPrice, AmountDigits(price, kPriceDigits),
                        kMsgSetPrice, std::nullopt) == ReplyOutcome::Refused) {
    // A controller that refuses the new price must not go on selling at the
    // old one.
    Slots().StopAndClose(channel, dispenser, n, true);
    ChannelStatus[ch].store(kStatusPriceRefused);
  }
}

}  // namespace kavo5000::driver
