// ScriptedPort.cpp — the scripted host port's bookkeeping and its playing of
// replies through the driver's reply check.
#include "ScriptedPort.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace kavo5000::testing {

namespace {
constexpr Byte kReplyStart = 0x02;
constexpr Byte kEnd = 0x03;
constexpr Byte kComplement = 0x7F;
constexpr Byte kChecksumBit = 0x40;
constexpr Byte kNoReplyState = 2;     // nothing arrived in time
constexpr Byte kIncompleteState = 4;  // bytes arrived, no complete reply
}  // namespace

Bytes DataReply(const Bytes& data) {
  Bytes out{kReplyStart};
  Byte sum = kEnd;
  for (Byte b : data) {
    out.push_back(b);
    out.push_back(static_cast<Byte>(b ^ kComplement));
    sum ^= b;
  }
  out.push_back(kEnd);
  out.push_back(kEnd);
  out.push_back(static_cast<Byte>(sum | kChecksumBit));
  return out;
}

Bytes CommandOf(const Bytes& frame) {
  Bytes out;
  if (frame.size() < 5) return out;
  out.push_back(frame[1]);
  for (std::size_t i = 2; i + 3 < frame.size(); i += 2) out.push_back(frame[i]);
  return out;
}

Bytes Ascii(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

bool PlayThroughCheck(const ReplyCheckRef& check, Byte channel, const Bytes& incoming,
                      const std::vector<std::size_t>& chunks, Byte* buffer) {
  const std::vector<std::size_t> whole = {incoming.size()};
  std::size_t next = 0;  // next incoming byte
  std::size_t held = 0;  // bytes the buffer holds for the check
  for (std::size_t chunk : chunks.empty() ? whole : chunks) {
    const std::size_t take = std::min(chunk, incoming.size() - next);
    for (std::size_t i = 0; i < take && held < kavo5000::kMaxReplyLength; ++i)
      buffer[held++] = incoming[next + i];
    next += take;
    if (check.Code != nullptr) {
      Byte length = static_cast<Byte>(held);
      if (check.Code(check.Self, channel, buffer, 0, &length, 0)) return true;
      held = length;
    }
    if (next >= incoming.size()) break;
  }
  return false;
}

void ScriptedPort::Queue(Byte channel, Reply reply) {
  std::lock_guard lock(mutex_);
  lines_[channel].queue.push_back(std::move(reply));
}

void ScriptedPort::SetResponder(Responder responder) {
  std::lock_guard lock(mutex_);
  responder_ = std::move(responder);
}

std::vector<PortCall> ScriptedPort::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<std::string> ScriptedPort::CallNames() const {
  std::vector<std::string> names;
  for (const PortCall& c : Calls()) names.push_back(c.name);
  return names;
}

std::vector<Bytes> ScriptedPort::Frames(Byte channel) const {
  std::vector<Bytes> frames;
  for (const PortCall& c : Calls()) {
    if (c.name == "Send" && (channel == 0 || c.channel == channel)) frames.push_back(c.frame);
  }
  return frames;
}

std::vector<Bytes> ScriptedPort::Commands(Byte channel) const {
  std::vector<Bytes> commands;
  for (const Bytes& f : Frames(channel)) commands.push_back(CommandOf(f));
  return commands;
}

std::size_t ScriptedPort::SendCount() const {
  return Frames().size();
}

std::size_t ScriptedPort::Pending(Byte channel) const {
  std::lock_guard lock(mutex_);
  auto it = lines_.find(channel);
  return it == lines_.end() ? 0 : it->second.queue.size();
}

void ScriptedPort::ClearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

void ScriptedPort::Record(PortCall call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}

std::int32_t KAVO5000_CALL ScriptedPort::GetLastError(Byte channel) {
  Record({"GetLastError", channel});
  return lastErrorValue_;
}

void KAVO5000_CALL ScriptedPort::SetLineError(Byte channel, std::int32_t code) {
  Record({"SetLineError", channel, code});
  std::lock_guard lock(mutex_);
  lines_[channel].error = code;
}

void KAVO5000_CALL ScriptedPort::SetLineState(Byte channel, Byte state) {
  Record({"SetLineState", channel, state});
  std::lock_guard lock(mutex_);
  lines_[channel].state = state;
}

Byte KAVO5000_CALL ScriptedPort::GetLineState(Byte channel) {
  Record({"GetLineState", channel});
  std::lock_guard lock(mutex_);
  Line& line = lines_[channel];
  if (line.throwInLineState) {
    line.throwInLineState = false;
    throw std::runtime_error("line state unavailable");
  }
  return line.state;
}

std::int32_t KAVO5000_CALL ScriptedPort::Open(Byte channel, std::int32_t setting,
                                              std::int32_t baudRate) {
  PortCall call{"Open", channel, setting};
  call.arg2 = baudRate;
  Record(std::move(call));
  return openResult_;
}

void KAVO5000_CALL ScriptedPort::SetReplyCheck(Byte channel, ReplyCheckRef check) {
  Record({"SetReplyCheck", channel});
  std::lock_guard lock(mutex_);
  lines_[channel].check = check;
}

std::int32_t KAVO5000_CALL ScriptedPort::Send(Byte channel, const Byte* frame, Byte frameLength,
                                              Byte* reply, Byte replySize, Byte replyMode) {
  PortCall call{"Send", channel};
  call.frame.assign(frame, frame + frameLength);
  call.replySize = replySize;
  call.replyMode = replyMode;
  std::optional<Reply> scripted;
  Line* line = nullptr;
  Responder responder;
  {
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
    line = &lines_[channel];
    if (line->sending) ++overlaps_;
    line->sending = true;
    line->state = 0;
    if (!line->queue.empty()) {
      scripted = std::move(line->queue.front());
      line->queue.pop_front();
    } else {
      responder = responder_;
    }
  }
  for (int i = 0; i < sendYields_; ++i) std::this_thread::yield();
  if (!scripted && responder) scripted = responder(channel, call.frame);
  struct Done {
    ScriptedPort* port;
    Line* line;
    ~Done() {
      std::lock_guard lock(port->mutex_);
      line->sending = false;
    }
  } done{this, line};

  const Reply r = scripted.value_or(Reply::Silence());
  if (r.throwStd) throw std::runtime_error("port failure");
  if (r.throwDriver) throw ESerialIO("port failure");
  if (r.throwOther) throw 42;
  if (r.sendResult != 0) return r.sendResult;
  if (replySize == 0) return 0;  // nothing is awaited: back right after writing
  Play(*line, channel, r, reply);
  std::lock_guard lock(mutex_);
  if (r.lineState) line->state = *r.lineState;
  line->throwInLineState = r.throwInLineState;
  return 0;
}

void ScriptedPort::Play(Line& line, Byte channel, const Reply& reply, Byte* buffer) {
  Bytes incoming = reply.garbage;
  incoming.insert(incoming.end(), reply.bytes.begin(), reply.bytes.end());
  if (incoming.empty()) {
    std::lock_guard lock(mutex_);
    line.state = kNoReplyState;
    return;
  }
  ReplyCheckRef check;
  {
    std::lock_guard lock(mutex_);
    check = line.check;
  }
  const bool accepted = PlayThroughCheck(check, channel, incoming, reply.chunks, buffer);
  std::lock_guard lock(mutex_);
  if (!accepted && line.state == 0) line.state = kIncompleteState;
}

}  // namespace kavo5000::testing
