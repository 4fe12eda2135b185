// Exchange.cpp — one command frame out and one reply back through the host's
// port: nozzle addressing for this driver's configuration, the reply check the
// port calls, and the per-channel lock that keeps exchanges on a line apart.
#include <algorithm>
#include <exception>

#include "Bounds.h"
#include "Messages.h"
#include "VM30.h"

namespace kavo5000::driver {

AddressBytes TVM30::NozzleAddress(std::int32_t dispenser, std::int32_t nozzle) const {
  return driver::NozzleAddress(NozzlesPerDispenser, dispenser, nozzle);
}

ChannelLock TVM30::LockChannel(std::int32_t channel) {
  const Byte checked = CheckChannel(channel);
  return ChannelLock(channelLocks_[checked]);
}

std::size_t TVM30::ReplyLength(Byte channel) const {
  return IsTableChannel(channel) ? replyLengths_[channel].load() : 0;
}

kavo5000::HostPort& TVM30::Port() const {
  if (HostPort == nullptr) throw Exception(kMsgNoPort);
  return *HostPort;
}

std::int32_t TVM30::Exchange(Byte channel, CommandBuffer& buffer, Byte count, Byte replySize,
                             Byte replyMode) {
  ChannelLock lock = LockChannel(channel);
  const Frame frame = BuildFrame(std::span<const Byte>(buffer.data(), count));
  kavo5000::HostPort& port = Port();
  // The reply lands in the command's buffer; stale command bytes must never
  // pass for reply bytes.
  buffer.fill(0);
  replyLengths_[channel].store(0);
  port.SetReplyCheck(channel, ReplyCheckRef{&TVM30::ReplyCheckThunk, this});
  std::int32_t result = 0;
  try {
    result =
        port.Send(channel, frame.bytes.data(), frame.length, buffer.data(), replySize, replyMode);
    ChannelStatus[channel].store(port.GetLineState(channel));
  } catch (const std::exception&) {
    result = port.GetLastError(channel);
  }
  return result;
}

std::int32_t TVM30::Exchange(Byte channel, CommandBuffer& buffer, const CommandBytes& command,
                             Byte replySize, Byte replyMode) {
  if (command.size() > kMaxCommandBytes) throw Exception(kMsgCommandTooLong);
  std::copy(command.begin(), command.end(), buffer.begin());
  return Exchange(channel, buffer, static_cast<Byte>(command.size()), replySize, replyMode);
}

void TVM30::ExchangeOrRaise(Byte channel, CommandBuffer& buffer, const CommandBytes& command,
                            Byte replySize, Byte replyMode, const char* failureMessage) {
  if (Exchange(channel, buffer, command, replySize, replyMode) != 0) {
    throw ESerialIO(failureMessage);
  }
}

ReplyBytes TVM30::HeldReply(Byte channel, const CommandBuffer& buffer) const {
  return ReplyBytes(buffer.data(), std::min(ReplyLength(channel), buffer.size()));
}

void TVM30::MarkShortReply(Byte channel) {
  if (IsTableChannel(channel)) ChannelStatus[channel].store(kLineMalformed);
}

ReplyOutcome TVM30::Outcome(Byte channel, const CommandBuffer& buffer) {
  const Byte state = ChannelStatus[channel].load();
  const ReplyBytes reply = HeldReply(channel, buffer);
  if (state == kLineValid && reply.empty()) MarkShortReply(channel);
  return OutcomeOf(state, reply);
}

bool TVM30::ReplyCheck(Byte channel, Byte* buffer, Byte* length) {
  if (buffer == nullptr || length == nullptr) return false;
  const ReplyVerdict verdict = CheckReply(std::span<Byte>(buffer, *length));
  *length = verdict.length;
  kavo5000::HostPort& port = *HostPort;
  if (verdict.lineState) port.SetLineState(channel, *verdict.lineState);
  port.SetLineError(channel, verdict.lineError);
  if (verdict.accepted && IsTableChannel(channel)) replyLengths_[channel].store(verdict.length);
  return verdict.accepted;
}

bool KAVO5000_CALL TVM30::ReplyCheckThunk(void* self, Byte channel, Byte* buffer,
                                          std::int32_t /*x*/, Byte* length, std::int32_t /*y*/) {
  return static_cast<TVM30*>(self)->ReplyCheck(channel, buffer, length);
}

}  // namespace kavo5000::driver
