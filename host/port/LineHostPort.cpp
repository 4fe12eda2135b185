// LineHostPort.cpp — binding channels, and one exchange: write, read byte by
// byte through the driver's check, time out, report.
#include "LineHostPort.h"

#include <stdexcept>

namespace kavo5000::host {

namespace {
constexpr std::size_t kMaxReply = 255;  // the driver lends 256 bytes; never write more than this

std::string Verdict(bool accepted, std::size_t received, Byte state, std::int32_t error) {
  if (accepted) return "valid";
  if (received == 0) return "no reply";
  if (error == kLineErrorChecksum) return "bad checksum";
  if (error == kLineErrorNoStart) return "no start byte";
  if (error == kLineErrorMalformed || state == kLineMalformed) return "malformed";
  return "incomplete";
}

std::unique_ptr<Transport> TransportFor(const PortSpec& spec) {
  switch (spec.kind) {
    case PortSpec::Kind::kSim:
      return MakeDefaultSimTransport();
    case PortSpec::Kind::kDevice:
      return MakeSerialTransport(spec.path, spec.serial);
    case PortSpec::Kind::kTcp:
      return MakeTcpTransport(spec.host, spec.port);
  }
  return nullptr;
}
}  // namespace

PortTimeouts PortTimeouts::FromMilliseconds(std::int64_t firstByteMs, std::int64_t interByteMs) {
  if (firstByteMs < 0 || interByteMs < 0)
    throw std::invalid_argument("a timeout is a number of milliseconds ≥ 0");
  return {std::chrono::milliseconds(firstByteMs), std::chrono::milliseconds(interByteMs)};
}

LineHostPort::LineHostPort(PortTimeouts timeouts)
    : firstByte_(timeouts.firstByte),
      interByte_(timeouts.interByte),
      start_(std::chrono::steady_clock::now()) {}

LineHostPort::~LineHostPort() = default;

void LineHostPort::Bind(Byte channel, const std::string& spec) {
  Bind(channel, TransportFor(ParsePortSpec(spec)));
}

void LineHostPort::Bind(Byte channel, std::unique_ptr<Transport> transport) {
  Channel& c = channels_[channel];
  std::lock_guard lock(c.io);
  c.transport = std::move(transport);
  c.errorText.clear();
}

void LineHostPort::AddObserver(Observer observer) {
  std::lock_guard lock(observersMutex_);
  observers_.push_back(std::move(observer));
}

void LineHostPort::TraceTo(const std::string& path) {
  auto file = std::make_shared<TraceFile>(path);
  AddObserver([file](const ExchangeRecord& r) { file->Write(r); });
}

void LineHostPort::SetTraceContext(std::string context) {
  std::lock_guard lock(contextMutex_);
  context_ = std::move(context);
}

void LineHostPort::SetTimeouts(PortTimeouts timeouts) {
  firstByte_.store(timeouts.firstByte);
  interByte_.store(timeouts.interByte);
}

PortTimeouts LineHostPort::Timeouts() const {
  return {firstByte_.load(), interByte_.load()};
}

std::string LineHostPort::ErrorText(Byte channel) const {
  const Channel& c = channels_[channel];
  std::lock_guard lock(c.io);
  return c.errorText;
}

std::string LineHostPort::Describe(Byte channel) const {
  const Channel& c = channels_[channel];
  std::lock_guard lock(c.io);
  return c.transport ? c.transport->Describe() : "unbound";
}

std::int32_t KAVO5000_CALL LineHostPort::GetLastError(Byte channel) {
  return channels_[channel].lastError.load();
}

void KAVO5000_CALL LineHostPort::SetLineError(Byte channel, std::int32_t code) {
  channels_[channel].lineError.store(code);
}

void KAVO5000_CALL LineHostPort::SetLineState(Byte channel, Byte state) {
  channels_[channel].state.store(state);
}

Byte KAVO5000_CALL LineHostPort::GetLineState(Byte channel) {
  return channels_[channel].state.load();
}

void KAVO5000_CALL LineHostPort::SetReplyCheck(Byte channel, kavo5000::ReplyCheckRef check) {
  Channel& c = channels_[channel];
  std::lock_guard lock(c.checkMutex);
  c.check = check;
}

std::int32_t KAVO5000_CALL LineHostPort::Open(Byte channel, std::int32_t /*setting*/,
                                              std::int32_t /*baudRate*/) {
  // The protocol asks for its usual settings; the channel's port spec tells
  // what this line really runs at.
  Channel& c = channels_[channel];
  std::lock_guard lock(c.io);
  if (!c.transport)
    return Failed(c, kPortNotConfigured, "channel " + std::to_string(channel) + " has no port");
  const std::int32_t code = c.transport->Open();
  if (code != kPortOk) return Failed(c, code, c.transport->ErrorText());
  c.errorText.clear();
  c.lastError.store(kPortOk);
  return kPortOk;
}

std::int32_t LineHostPort::Failed(Channel& c, std::int32_t code, std::string text) {
  c.errorText = std::move(text);
  c.lastError.store(code);
  return code;
}

double LineHostPort::Timestamp() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void LineHostPort::Notify(const ExchangeRecord& record) {
  std::vector<Observer> observers;
  {
    std::lock_guard lock(observersMutex_);
    observers = observers_;
  }
  for (const Observer& o : observers) o(record);
}

std::int32_t KAVO5000_CALL LineHostPort::Send(Byte channel, const Byte* frame, Byte frameLength,
                                              Byte* reply, Byte replySize, Byte /*replyMode*/) {
  Channel& c = channels_[channel];
  std::unique_lock lock(c.io);
  // A state left from the last exchange must never pass for this one's.
  c.state.store(0);
  c.lineError.store(0);
  ExchangeRecord record;
  record.time = Timestamp();
  record.wall = std::chrono::system_clock::now();
  record.channel = channel;
  {
    std::lock_guard contextLock(contextMutex_);
    record.command = context_;
  }
  record.frame.assign(frame, frame + frameLength);
  auto finish = [&](std::int32_t result, std::string verdict) {
    record.result = result;
    record.verdict = std::move(verdict);
    record.lineState = c.state.load();
    record.lineError = c.lineError.load();
    lock.unlock();
    Notify(record);
    return result;
  };

  if (!c.transport || !c.transport->IsOpen()) {
    const std::int32_t code = c.transport ? kPortNotOpen : kPortNotConfigured;
    return finish(Failed(c, code, "channel " + std::to_string(channel) + " is not open"),
                  "transport failure");
  }
  Transport& t = *c.transport;
  t.DiscardInput();
  const Nanos began = t.Now();
  if (const std::int32_t code = t.Write(record.frame); code != kPortOk) {
    t.Close();
    return finish(Failed(c, code, t.ErrorText()), "transport failure");
  }
  if (replySize == 0) return finish(kPortOk, "not awaited");

  kavo5000::ReplyCheckRef check;
  {
    std::lock_guard checkLock(c.checkMutex);
    check = c.check;
  }
  std::size_t held = 0;
  bool accepted = false;
  const std::size_t expected = c.replyLengths[replySize];
  // The controller cannot answer before it has heard the whole frame.
  Nanos timeout = firstByte_.load() + t.WireTime(record.frame.size());
  std::array<Byte, kMaxReply> chunk{};
  // The limit counts what arrived, not what the check kept: a check drops
  // noise before a start byte, and a line that babbles must still end.
  while (!accepted && record.received.size() < kMaxReply) {
    const ReadResult r =
        t.Read(std::span<Byte>(chunk.data(), kMaxReply - record.received.size()), timeout);
    if (r.status == ReadStatus::kFailed) {
      record.milliseconds = std::chrono::duration<double, std::milli>(t.Now() - began).count();
      return finish(Failed(c, r.error, t.ErrorText()), "transport failure");
    }
    if (r.status == ReadStatus::kTimeout) break;
    // The check sees the reply grow one byte at a time, so it accepts at the
    // reply's last byte and nothing after it can spoil the verdict.
    for (std::size_t i = 0; i < r.count && !accepted; ++i) {
      record.received.push_back(chunk[i]);
      reply[held++] = chunk[i];
      if (check.Code == nullptr) continue;
      // Only the check's word on everything received counts: what it said
      // of a shorter prefix (malformed, for want of end bytes) is stale.
      c.state.store(0);
      Byte length = static_cast<Byte>(held);
      accepted = check.Code(check.Self, channel, reply, 0, &length, 0);
      held = length;
    }
    if (!accepted && held + 1 < expected) {
      // The rest of the reply is on its way, a byte per wire time: sleep
      // through it and take it in one read. Waking for every byte costs a
      // station of twenty lines several times the CPU of the exchanges
      // proper. The pause ends as the expected last byte lands, and that
      // byte alone is waited for as it comes, so it is not slept past. A
      // reply shorter than the last one is taken when the pause ends, a few
      // byte times late but whole; a first exchange of its kind is read as
      // it comes.
      t.Pause(t.WireTime(expected - held));
    }
    // The next byte needs its own wire time to arrive (33 ms at 300 baud):
    // the pause allowed between bytes comes on top of it.
    timeout = interByte_.load() + t.WireTime(1);
  }
  record.milliseconds = std::chrono::duration<double, std::milli>(t.Now() - began).count();
  record.reply.assign(reply, reply + held);
  if (accepted) c.replyLengths[replySize] = static_cast<Byte>(held);
  if (!accepted && c.state.load() != kLineMalformed) {
    c.state.store(record.received.empty() ? kLineNoReply : kLineIncomplete);
  }
  c.lastError.store(kPortOk);
  return finish(kPortOk,
                Verdict(accepted, record.received.size(), c.state.load(), c.lineError.load()));
}

}  // namespace kavo5000::host
