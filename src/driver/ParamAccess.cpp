// ParamAccess.cpp — a controller's own settings: reading and writing its
// per-nozzle parameters, switching the common parameters of a whole line,
// programming a controller's line address by its identification number and
// writing its calibration behind the password. The host's slots raise on
// failure; the parameter window's operations answer −1 or false instead.
#include <string>

#include "Bounds.h"
#include "Messages.h"
#include "VM30.h"
#include "catalogue/ValueRules.h"

namespace kavo5000::driver {

namespace {

using catalogue::CommandFamily;
using catalogue::kCoefficientIndex;
using catalogue::kParamCount;
using catalogue::ParamDigits;

// The largest linear nozzle number the tables can address: 32 dispensers of
// 15 nozzles.
constexpr std::int32_t kMaxLinearNozzle = kLastDispenser * kLastNozzle;

constexpr std::int32_t kNoValue = -1;

Byte ReadReplySize(std::int32_t index) {
  return static_cast<Byte>(2 * ParamDigits[static_cast<std::size_t>(index)] + kReadReplyOverhead);
}

// 'O' for one index with the value in k digits.
CommandBytes WriteCommand(AddressBytes address, std::int32_t index, std::int32_t value, int k) {
  std::string arguments(1, static_cast<char>(IndexChar(index)));
  arguments += ValueDigits(static_cast<std::uint32_t>(value), k);
  return Compose(address, kCmdWriteParam, arguments);
}

CommandBytes ReadCommand(AddressBytes address, std::int32_t index) {
  return Compose(address, kCmdReadParam, std::string(1, static_cast<char>(IndexChar(index))));
}

CommandBytes SwitchCommand(std::int32_t code, std::int32_t value) {
  const char arguments[] = {static_cast<char>(IndexChar(code)),
                            static_cast<char>(IndexChar(value))};
  return LineCommand(kCmdCommonSwitch, std::string_view(arguments, sizeof arguments));
}

// A nozzle parameter's number counted from nozzle 1's index 0 to (nozzle,
// index); the nozzle it names is checked as a nozzle given outright would be.
NozzleParamNumber SplitNumber(std::int32_t offset, Byte nozzlesPerDispenser) {
  const NozzleParamNumber p = SplitHostParamNumber(offset + kParamFirstNozzle);
  CheckNozzle(p.Nozzle, nozzlesPerDispenser);
  return p;
}

}  // namespace

std::int32_t VM30Driver::ParamReplyValue(Byte channel, const ExchangeResult& result) {
  switch (Judge(channel, result)) {
    case ReplyOutcome::None:
      return kNoValue;
    case ReplyOutcome::Refused:
      channelStatus_[channel].store(kStatusParamRefused);
      return kNoValue;
    case ReplyOutcome::Accepted:
      break;
  }
  const std::optional<std::int32_t> value = ParamValue(result.Reply());
  if (!value) MarkShortReply(channel);
  return value.value_or(kNoValue);
}

ReplyOutcome VM30Driver::WriteOutcome(Byte channel, const ExchangeResult& result) {
  const ReplyOutcome outcome = Judge(channel, result);
  if (outcome == ReplyOutcome::Refused) channelStatus_[channel].store(kStatusParamRefused);
  return outcome;
}

ReplyOutcome VM30Driver::WriteParamCommand(Byte channel, const CommandBytes& command) {
  return WriteOutcome(
      channel, ExchangeOrRaise(channel, command, kControlReplySize, kPlainReplyMode, kMsgGetParam));
}

std::int64_t VM30Driver::LinearNozzleNumber(std::int32_t dispenser, std::int32_t nozzle) const {
  return driver::LinearNozzleNumber(config_.NozzlesPerDispenser, dispenser, nozzle);
}

std::int32_t KAVO5000_CALL VM30Driver::GetParam(std::int32_t channel, std::int32_t dispenser,
                                                std::int32_t number) {
  const SlotEntry slot = Enter(channel, dispenser);
  CheckParamValue(number);
  if (number < kParamFirstNozzle) return kNoValue;  // the common switches cannot be read
  const NozzleParamNumber p = SplitNumber(number - kParamFirstNozzle, config_.NozzlesPerDispenser);
  const ExchangeResult result =
      ExchangeOrRaise(slot.channel, ReadCommand(NozzleAddress(dispenser, p.Nozzle), p.Index),
                      ReadReplySize(p.Index), kDataReplyMode, kMsgGetParam);
  return ParamReplyValue(slot.channel, result);
}

void KAVO5000_CALL VM30Driver::SetParam(std::int32_t channel, std::int32_t dispenser,
                                        std::int32_t number, std::int32_t value) {
  const SlotEntry slot = Enter(channel, dispenser);
  const Byte ch = slot.channel;
  // The nozzle a parameter number names is judged before the values, as
  // every slot judges its nozzle before its amounts.
  if (number >= kParamFirstNozzle)
    SplitNumber(number - kParamFirstNozzle, config_.NozzlesPerDispenser);
  CheckParamValue(number);
  CheckParamValue(value);
  if (number < kParamAddressProgramming) {
    // A switch value travels as one digit character to every controller on
    // the line; anything above 9 would be another character, or overflow.
    if (value > kMaxSwitchDigit) throw Exception(kMsgInvalidValue);
    ExchangeOrRaise(ch, SwitchCommand(number, value), kNoReplySize, kPlainReplyMode, kMsgSetPar);
  } else if (number > kParamAddressProgramming) {
    WriteParamDigits(ch, dispenser, number - kParamFirstNozzle, value);
  } else {
    ProgramNozzleAddress(ch, dispenser, value / kParamAddressFactor, value % kParamAddressFactor);
  }
}

void VM30Driver::WriteParamDigits(Byte channel, std::int32_t dispenser, std::int32_t number,
                                  std::int32_t value) {
  const SlotEntry slot = Enter(channel, dispenser);
  CheckParamValue(number);
  CheckParamValue(value);
  const NozzleParamNumber p = SplitNumber(number, config_.NozzlesPerDispenser);
  const int k = ParamDigits[static_cast<std::size_t>(p.Index)];
  WriteParamCommand(slot.channel,
                    WriteCommand(NozzleAddress(dispenser, p.Nozzle), p.Index, value, k));
}

bool VM30Driver::ProgramNozzleAddress(Byte channel, std::int32_t dispenser,
                                      std::int32_t identification, std::int32_t address) {
  const SlotEntry slot = Enter(channel, dispenser);
  CheckParamValue(identification);
  CheckParamValue(address);
  if (address > kMaxLineAddress) throw Exception(kMsgInvalidValue);
  std::string id = std::to_string(identification);
  const bool longForm = id.size() > kShortIdDigits;
  id = PaddedDecimal(static_cast<std::uint64_t>(identification),
                     longForm ? kLongIdDigits : static_cast<int>(kShortIdDigits));
  std::string arguments = id.substr(0, kShortIdDigits);
  arguments += PaddedDecimal(static_cast<std::uint64_t>(address), kAddressDigits);
  if (longForm) arguments += id.substr(kShortIdDigits);
  const ExchangeResult result =
      ExchangeOrRaise(slot.channel, LineCommand(kCmdProgramAddress, arguments), kControlReplySize,
                      kPlainReplyMode, kMsgSetClapan);
  const ReplyOutcome outcome = Judge(slot.channel, result);
  if (outcome == ReplyOutcome::None) throw ESerialIO(kMsgProgramAddress);
  if (outcome == ReplyOutcome::Refused) channelStatus_[slot.channel].store(kStatusAddressRefused);
  return outcome == ReplyOutcome::Accepted;
}

Calibration VM30Driver::WriteCalibration(Byte channel, std::int32_t v, std::int32_t coefficient) {
  ChannelLock lock = LockChannel(channel);
  CheckParamValue(coefficient);
  const AddressBytes address = AddressFromLinear(v);
  bool accepted = true;
  for (const catalogue::ParamWrite& write : catalogue::CalibrationWrites(coefficient)) {
    const int k = ParamDigits[static_cast<std::size_t>(write.Index)];
    accepted = WriteParamCommand(channel, WriteCommand(address, write.Index, write.Value, k)) ==
                   ReplyOutcome::Accepted &&
               accepted;
  }
  // The controller answers the password operation with a confirmation code.
  const ExchangeResult result =
      ExchangeOrRaise(channel, ReadCommand(address, catalogue::kConfirmationIndex),
                      ReadReplySize(catalogue::kConfirmationIndex), kDataReplyMode, kMsgGetParam);
  return Calibration{accepted, ParamReplyValue(channel, result)};
}

std::int32_t VM30Driver::WindowReadParam(CommandFamily family, std::int32_t channel, std::int32_t v,
                                         std::int32_t code, std::int32_t /*digitCount*/) {
  if (family != CommandFamily::Parameter || !IsTableChannel(channel)) return kNoValue;
  if (code < 0 || code >= kParamCount || v < 0 || v > kMaxLinearNozzle) return kNoValue;
  const ChannelLock lock = LockChannel(channel);
  const auto ch = static_cast<Byte>(channel);
  const ExchangeResult result =
      Exchange(ch, ReadCommand(AddressFromLinear(v), code), ReadReplySize(code), kDataReplyMode);
  if (result.transport != 0) return kNoValue;
  return ParamReplyValue(ch, result);
}

bool VM30Driver::WindowWriteParam(CommandFamily family, std::int32_t channel, std::int32_t v,
                                  std::int32_t code, std::int32_t digitCount, std::int32_t value) {
  if (!IsTableChannel(channel) || value < 0) return false;
  const ChannelLock lock = LockChannel(channel);
  const auto ch = static_cast<Byte>(channel);
  switch (family) {
    case CommandFamily::Parameter: {
      if (code < 0 || code >= kParamCount || v < 0 || v > kMaxLinearNozzle) return false;
      // Written means the controller took the value: a silent line or a
      // refusal must never read as done to the technician.
      if (code == kCoefficientIndex) return WriteCalibration(ch, v, value).Taken();
      if (digitCount < 0 || digitCount > static_cast<int>(kMaxCommandBytes) - kWriteCommandHead) {
        return false;
      }
      const ExchangeResult result =
          Exchange(ch, WriteCommand(AddressFromLinear(v), code, value, digitCount),
                   kControlReplySize, kPlainReplyMode);
      return result.transport == 0 && WriteOutcome(ch, result) == ReplyOutcome::Accepted;
    }
    case CommandFamily::CommonCommand:
      // 'W' goes to every controller and none answers: sent is all there is.
      if (code < 0 || code > kMaxSwitchDigit || value > kMaxSwitchDigit) return false;
      return Exchange(ch, SwitchCommand(code, value), kNoReplySize, kPlainReplyMode).transport == 0;
    case CommandFamily::AddressProgramming:
      // Here the typed address is the dispenser the command is checked
      // against, and the code carries the identification number.
      if (code < 0) return false;
      return ProgramNozzleAddress(ch, v, code, value % kParamAddressFactor);
    default:
      return false;
  }
}

}  // namespace kavo5000::driver
