// Exchange.cpp — one command frame out and one reply back through the host's
// port: nozzle addressing for this driver's configuration, the reply check the
// port calls, and the per-channel lock that keeps exchanges on a line apart.
#include "Exchange.h"

#include <algorithm>
#include <exception>

#include "Bounds.h"
#include "Messages.h"
#include "VM30.h"

namespace kavo5000::driver {

AddressBytes VM30Driver::NozzleAddress(std::int32_t dispenser, std::int32_t nozzle) const {
  return driver::NozzleAddress(config_.NozzlesPerDispenser, dispenser, nozzle);
}

ChannelLock VM30Driver::LockChannel(std::int32_t channel) {
  const Byte checked = CheckChannel(channel);
  return ChannelLock(channelLocks_[checked]);
}

VM30Driver::SlotEntry VM30Driver::Enter(std::int32_t channel, std::int32_t dispenser) {
  ChannelLock lock = LockChannel(channel);
  CheckDispenser(dispenser);
  return SlotEntry{std::move(lock), static_cast<Byte>(channel), kFirstNozzle};
}

VM30Driver::SlotEntry VM30Driver::Enter(std::int32_t channel, std::int32_t dispenser,
                                        std::int32_t nozzle) {
  SlotEntry entry = Enter(channel, dispenser);
  entry.nozzle = CheckNozzle(nozzle, config_.NozzlesPerDispenser);
  return entry;
}

kavo5000::HostPort& VM30Driver::Port() const {
  if (port_ == nullptr) throw Exception(kMsgNoPort);
  return *port_;
}

ExchangeResult VM30Driver::Exchange(Byte channel, std::span<const Byte> command, Byte replySize,
                                    Byte replyMode) {
  ChannelLock lock = LockChannel(channel);
  const Frame frame = BuildFrame(command);
  kavo5000::HostPort& port = Port();
  ExchangeResult result;
  // The check is bound to this exchange alone: what it accepts lands here,
  // on this call's stack. The port calls it only while Send runs.
  ReplyCheckContext context{*this};
  port.SetReplyCheck(channel, ReplyCheckRef{&VM30Driver::ReplyCheckThunk, &context});
  try {
    result.transport = port.Send(channel, frame.bytes.data(), frame.length, result.buffer.data(),
                                 replySize, replyMode);
    result.lineState = port.GetLineState(channel);
    channelStatus_[channel].store(result.lineState);
  } catch (const std::exception&) {
    // The port raised instead of answering: its error code is the result,
    // and the channel keeps the state it had.
    result.transport = port.GetLastError(channel);
    result.lineState = channelStatus_[channel].load();
  }
  result.length = std::min(context.accepted, result.buffer.size());
  return result;
}

ExchangeResult VM30Driver::ExchangeOrRaise(Byte channel, std::span<const Byte> command,
                                           Byte replySize, Byte replyMode,
                                           const char* failureMessage) {
  ExchangeResult result = Exchange(channel, command, replySize, replyMode);
  if (result.transport != 0) throw ESerialIO(failureMessage);
  return result;
}

void VM30Driver::MarkShortReply(Byte channel) {
  if (IsTableChannel(channel)) channelStatus_[channel].store(kLineMalformed);
}

ReplyOutcome VM30Driver::Judge(Byte channel, const ExchangeResult& result) {
  if (IsShortReply(result)) MarkShortReply(channel);
  return OutcomeOf(result.lineState, result.Reply());
}

bool VM30Driver::ReplyCheck(Byte channel, Byte* buffer, Byte* length, std::size_t& accepted) {
  if (buffer == nullptr || length == nullptr) return false;
  const ReplyVerdict verdict = CheckReply(std::span<Byte>(buffer, *length));
  *length = verdict.length;
  // Installed only through Port(), so the port is there; the check never raises.
  kavo5000::HostPort& port = *port_;
  if (verdict.lineState) port.SetLineState(channel, *verdict.lineState);
  port.SetLineError(channel, verdict.lineError);
  if (verdict.accepted) accepted = verdict.length;
  return verdict.accepted;
}

bool KAVO5000_CALL VM30Driver::ReplyCheckThunk(void* self, Byte channel, Byte* buffer,
                                               std::int32_t /*x*/, Byte* length,
                                               std::int32_t /*y*/) {
  auto* context = static_cast<ReplyCheckContext*>(self);
  return context->driver.ReplyCheck(channel, buffer, length, context->accepted);
}

}  // namespace kavo5000::driver
