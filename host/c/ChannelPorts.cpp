// ChannelPorts.cpp — each channel to the line port or to the host's callbacks.
#include "ChannelPorts.h"

namespace kavo5000::c {

namespace {

constexpr std::int32_t kNoCallback = host::kPortNotConfigured;  // the host gave no such function
constexpr std::int32_t kWholeReply = 1;                         // what a C check says of one

// One send's view of the driver's check, as the host's callbacks call it.
struct CheckContext {
  ReplyCheckRef check;
  Byte channel;
  Byte replySize;
  Byte replyMode;
  bool heard = false;     // a byte came
  bool accepted = false;  // the check took the bytes as a whole reply
};

std::int32_t KAVO5000_C_CALL CheckThunk(void* context, uint8_t* reply, int32_t* length) {
  auto& c = *static_cast<CheckContext*>(context);
  if (reply == nullptr || length == nullptr || *length < 0 || *length > c.replySize) return 0;
  if (*length > 0) c.heard = true;
  Byte bytes = static_cast<Byte>(*length);
  const bool whole = c.check.Code != nullptr &&
                     c.check.Code(c.check.Self, c.channel, reply, c.replySize, &bytes, c.replyMode);
  *length = bytes;
  if (whole) c.accepted = true;
  return whole ? kWholeReply : 0;
}

}  // namespace

void ChannelPorts::Bind(Byte channel, const kavo5000_port_callbacks& callbacks, void* context) {
  Own& own = own_[channel];
  own.bound = true;
  own.callbacks = callbacks;
  own.context = context;
}

std::int32_t KAVO5000_CALL ChannelPorts::GetLastError(Byte channel) {
  return own_[channel].bound ? own_[channel].error : line_.GetLastError(channel);
}

void KAVO5000_CALL ChannelPorts::SetLineError(Byte channel, std::int32_t code) {
  if (own_[channel].bound) {
    own_[channel].error = code;
  } else {
    line_.SetLineError(channel, code);
  }
}

void KAVO5000_CALL ChannelPorts::SetLineState(Byte channel, Byte state) {
  if (own_[channel].bound) {
    own_[channel].state = state;
  } else {
    line_.SetLineState(channel, state);
  }
}

Byte KAVO5000_CALL ChannelPorts::GetLineState(Byte channel) {
  return own_[channel].bound ? own_[channel].state : line_.GetLineState(channel);
}

std::int32_t KAVO5000_CALL ChannelPorts::Send(Byte channel, const Byte* frame, Byte frameLength,
                                              Byte* reply, Byte replySize, Byte replyMode) {
  Own& own = own_[channel];
  if (!own.bound) return line_.Send(channel, frame, frameLength, reply, replySize, replyMode);
  own.state = 0;
  own.error = 0;
  if (own.callbacks.send == nullptr) return own.error = kNoCallback;
  CheckContext context{own.check, channel, replySize, replyMode};
  const std::int32_t failed = own.callbacks.send(own.context, channel, frame, frameLength, reply,
                                                 replySize, &CheckThunk, &context);
  if (failed != 0) return own.error = failed;
  if (!context.accepted && own.state != kLineMalformed) {
    own.state = context.heard ? host::kLineIncomplete : host::kLineNoReply;
  }
  return 0;
}

std::int32_t KAVO5000_CALL ChannelPorts::Open(Byte channel, std::int32_t setting,
                                              std::int32_t baud) {
  Own& own = own_[channel];
  if (!own.bound) return line_.Open(channel, setting, baud);
  if (own.callbacks.open == nullptr) return own.error = kNoCallback;
  return own.error = own.callbacks.open(own.context, channel, baud);
}

void KAVO5000_CALL ChannelPorts::SetReplyCheck(Byte channel, ReplyCheckRef check) {
  own_[channel].check = check;
  line_.SetReplyCheck(channel, check);
}

}  // namespace kavo5000::c
