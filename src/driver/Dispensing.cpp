// Dispensing.cpp — running a delivery on one nozzle: price, presets by volume
// and by money, the plain and the extended start, stop, and closing the
// nozzle's transaction. A refusal by the controller becomes the operation's
// code in ChannelStatus; a failed exchange raises ESerialIO.
#include <cmath>

#include "Bounds.h"
#include "Messages.h"
#include "VM30.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::driver {

namespace {

// The nozzle state that asks for the confirming 'V' after a start.
constexpr Byte kStateAwaitingConfirm = kStateLifted + 1;  // nozzle 1 lifted

}  // namespace

// Closes the nozzle's transaction; what came of it is the caller's to judge.
ExchangeResult VM30Driver::CloseNozzle(Byte channel, std::int32_t dispenser, std::int32_t nozzle) {
  return Exchange(channel, Compose(NozzleAddress(dispenser, nozzle), kCmdClose), kControlReplySize,
                  kPlainReplyMode);
}

ReplyOutcome VM30Driver::DispensingCommand(Byte channel, std::int32_t dispenser,
                                           std::int32_t nozzle, Byte command,
                                           std::string_view arguments, const char* failureMessage,
                                           std::optional<Byte> refusalCode) {
  const ExchangeResult result =
      ExchangeOrRaise(channel, Compose(NozzleAddress(dispenser, nozzle), command, arguments),
                      kControlReplySize, kPlainReplyMode, failureMessage);
  const ReplyOutcome outcome = Judge(channel, result);
  if (outcome == ReplyOutcome::Refused && refusalCode) channelStatus_[channel].store(*refusalCode);
  return outcome;
}

std::optional<Byte> VM30Driver::StartRefusalCode() const {
  if (config_.NoStartRefusal) return std::nullopt;
  return kStatusStartRefused;
}

void KAVO5000_CALL VM30Driver::StartPump(std::int32_t channel, std::int32_t dispenser,
                                         std::int32_t nozzle) {
  const SlotEntry slot = Enter(channel, dispenser, nozzle);
  const Byte ch = slot.channel;
  const int n = slot.nozzle;
  tables_.ActiveNozzles[ch][dispenser] = static_cast<Byte>(n);
  DispensingCommand(ch, dispenser, n, kCmdStart, {}, kMsgStartPump, StartRefusalCode());
}

void KAVO5000_CALL VM30Driver::StartPumpEx(std::int32_t channel, std::int32_t dispenser,
                                           std::int32_t nozzle, bool skipPreparation) {
  const SlotEntry slot = Enter(channel, dispenser, nozzle);
  const Byte ch = slot.channel;
  const int n = slot.nozzle;
  if (!skipPreparation) {
    // Whatever the dispenser still holds open is closed first; its outcome
    // does not matter to the start.
    CloseNozzle(ch, dispenser, tables_.ActiveNozzles[ch][dispenser]);
    const ReplyOutcome prepared = DispensingCommand(
        ch, dispenser, n, kCmdPrepare, {}, kMsgStartPump,
        config_.NoStartRefusal ? std::nullopt : std::optional(kStatusPrepareRefused));
    if (!config_.NoStartRefusal && prepared == ReplyOutcome::None) return;
  }
  tables_.ActiveNozzles[ch][dispenser] = static_cast<Byte>(n);
  DispensingCommand(ch, dispenser, n, kCmdStart, {}, kMsgStartPump, StartRefusalCode());
  if (config_.StartConfirmV && tables_.NozzleStates[ch][dispenser][n] == kStateAwaitingConfirm) {
    DispensingCommand(ch, dispenser, n, kCmdConfirm, {}, kMsgStartPump, StartRefusalCode());
  }
}

void KAVO5000_CALL VM30Driver::StopPump(std::int32_t channel, std::int32_t dispenser,
                                        std::int32_t nozzle, bool doStop) {
  if (!doStop) return;
  const SlotEntry slot = Enter(channel, dispenser, nozzle);
  const int n = slot.nozzle;
  // A refused stop is recorded whatever the start refusals are set to.
  DispensingCommand(slot.channel, dispenser, n, kCmdStop, {}, kMsgStopPump, kStatusStopRefused);
}

bool KAVO5000_CALL VM30Driver::StopActiveNozzle(std::int32_t channel, std::int32_t dispenser,
                                                bool doStop) {
  if (!doStop) return false;
  const SlotEntry slot = Enter(channel, dispenser);
  Slots().StopPump(channel, dispenser, tables_.ActiveNozzles[channel][dispenser], true);
  return false;
}

std::int32_t KAVO5000_CALL VM30Driver::StopAndClose(std::int32_t channel, std::int32_t dispenser,
                                                    std::int32_t nozzle, bool doStop) {
  const SlotEntry slot = Enter(channel, dispenser, nozzle);
  const int n = slot.nozzle;
  Slots().StopPump(channel, dispenser, n, doStop);
  return CloseNozzle(slot.channel, dispenser, n).transport;
}

void KAVO5000_CALL VM30Driver::PresetVolume(std::int32_t channel, std::int32_t dispenser,
                                            std::int32_t nozzle, std::int32_t /*unused*/,
                                            double litres) {
  const SlotEntry slot = Enter(channel, dispenser, nozzle);
  const Byte ch = slot.channel;
  const int n = slot.nozzle;
  CheckAmount(litres, kVolumeDigits);
  if (DispensingCommand(ch, dispenser, n, kCmdPresetVolume, AmountDigits(litres, kVolumeDigits),
                        kMsgPresetVolume, kStatusVolumeRefused) == ReplyOutcome::Accepted) {
    tables_.PresetVolumes[ch][dispenser] = litres;  // as passed, not the hundredths sent
  }
}

void KAVO5000_CALL VM30Driver::PresetMoney(std::int32_t channel, std::int32_t dispenser,
                                           std::int32_t nozzle, std::int32_t passOn, double money) {
  const SlotEntry slot = Enter(channel, dispenser, nozzle);
  const Byte ch = slot.channel;
  const int n = slot.nozzle;
  if (!std::isfinite(money) || money < 0.0) throw Exception(kMsgInvalidValue);
  if (!config_.MoneyAsVolume) CheckAmount(money, kMoneyDigits);
  const double price = tables_.Prices[ch][dispenser][n];
  if (price <= 0.0) throw Exception(kMsgNoPrice);

  if (config_.MoneyAsVolume) {
    Slots().PresetVolume(channel, dispenser, nozzle, passOn, MoneyPresetLitres(money, price));
    return;
  }
  if (DispensingCommand(ch, dispenser, n, kCmdPresetMoney, AmountDigits(money, kMoneyDigits),
                        kMsgPresetMoney, kStatusMoneyRefused) == ReplyOutcome::Accepted) {
    tables_.PresetVolumes[ch][dispenser] = RoundHalfEven(money / price);  // whole litres
  }
}

void KAVO5000_CALL VM30Driver::SetPrice(std::int32_t channel, std::int32_t dispenser,
                                        std::int32_t nozzle, std::int32_t /*unused1*/,
                                        std::int32_t /*unused2*/, double price) {
  const SlotEntry slot = Enter(channel, dispenser, nozzle);
  const Byte ch = slot.channel;
  const int n = slot.nozzle;
  CheckAmount(price, kPriceDigits);
  // Kept even when the exchange fails: a later money preset prices with it.
  tables_.Prices[ch][dispenser][n] = price;
  if (DispensingCommand(ch, dispenser, n, kCmdPrice, AmountDigits(price, kPriceDigits),
                        kMsgSetPrice, std::nullopt) == ReplyOutcome::Refused) {
    // A controller that refuses the new price must not go on selling at the
    // old one.
    Slots().StopAndClose(channel, dispenser, n, true);
    channelStatus_[ch].store(kStatusPriceRefused);
  }
}

}  // namespace kavo5000::driver
