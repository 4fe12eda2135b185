// LineHostPort.cpp — binding channels, reopening one whose transport failed,
// and one exchange in three steps: the read loop through the driver's check,
// the pacing that sleeps through a reply of known length, and the record
// kept for the trace when someone observes the exchanges.
#include "LineHostPort.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace kavo5000::host {

namespace {

ExchangeVerdict Verdict(bool accepted, std::size_t received, Byte state, std::int32_t error) {
  if (accepted) return ExchangeVerdict::kValid;
  if (received == 0) return ExchangeVerdict::kNoReply;
  if (error == kLineErrorChecksum) return ExchangeVerdict::kBadChecksum;
  if (error == kLineErrorNoStart) return ExchangeVerdict::kNoStartByte;
  if (error == kLineErrorMalformed || state == kLineMalformed) return ExchangeVerdict::kMalformed;
  return ExchangeVerdict::kIncomplete;
}

// How long a reply is waited for, and how long it was the last time.
struct ReplyWaits {
  Nanos firstByte{};         // from the write, the frame's own wire time included
  Nanos interByte{};         // beyond the next byte's own wire time
  std::size_t expected = 0;  // the last valid reply's length to such an exchange (0: none yet)
  // On a line that hands bytes over in packets (a serial server): how long
  // the whole reply may take from its first byte, within which no pause
  // ends it.
  std::optional<Nanos> packetWindow;
};

// Every byte an exchange received, as it came, in a buffer of the exchange's
// own: the trace's account of the exchange, and what tells a reply from
// bytes that followed it.
struct Received {
  std::array<Byte, kMaxReplyLength> bytes;  // only the first `count` hold anything
  std::size_t count = 0;

  // Where the next read puts what it takes.
  std::span<Byte> Rest() { return {bytes.data() + count, kMaxReplyLength - count}; }
};

// How the read of a reply ended.
struct ReplyRead {
  bool accepted = false;                // the check took the reply
  std::size_t held = 0;                 // bytes of the reply buffer the check kept
  std::size_t shown = 0;                // bytes received that the check has seen
  std::optional<std::int32_t> failure;  // the transport's code when a read failed
};

// The pacing: the rest of a reply of known length is on its way, a byte per
// wire time, so sleep through it and take it in one read. Waking for every
// byte costs a station of twenty lines several times the CPU of the
// exchanges proper. The pause ends as the expected last byte lands. A reply
// shorter than the last one is taken when the pause ends, a few byte times
// late but whole; a first exchange of its kind is read as it comes. The
// first read of a known reply sleeps through it itself
// (Transport::ReadKnownReply); this is for a reply that paused on the way.
void SleepThroughKnownReply(Transport& t, std::size_t held, std::size_t expected) {
  if (held + 1 < expected) t.Pause(t.WireTime(expected - held));
}

// The read loop: reads until the check accepts, the line falls silent or the
// transport fails. The check sees the reply grow one byte at a time, so it
// accepts at the reply's last byte and nothing after it can spoil the
// verdict; bytes read beyond it stay unshown.
ReplyRead ReadReply(Transport& t, const kavo5000::ReplyCheckRef& check, Byte channel,
                    std::atomic<Byte>& lineState, const ReplyWaits& waits, Byte* reply,
                    Received& received) {
  ReplyRead read;
  Nanos timeout = waits.firstByte;
  // The next byte needs its own wire time to arrive (33 ms at 300 baud):
  // the pause allowed between bytes comes on top of it.
  const Nanos gap = waits.interByte + t.WireTime(1);
  std::optional<Nanos> wholeBy;  // a packetised line: the reply's window ends then
  // The limit counts what arrived, not what the check kept: a check drops
  // noise before a start byte, and a line that babbles must still end.
  while (!read.accepted && received.count < kMaxReplyLength) {
    const ReadResult r = received.count == 0 && waits.expected > 1
                             ? t.ReadKnownReply(received.Rest(), timeout, waits.expected)
                             : t.Read(received.Rest(), timeout);
    if (r.status == ReadStatus::kFailed) {
      read.failure = r.error;
      return read;
    }
    if (r.status == ReadStatus::kTimeout) break;
    if (waits.packetWindow && !wholeBy) wholeBy = t.Now() + *waits.packetWindow;
    received.count += r.count;
    while (read.shown < received.count && !read.accepted) {
      reply[read.held++] = received.bytes[read.shown++];
      if (check.Code == nullptr) continue;
      // Only the check's word on everything received counts: what it said
      // of a shorter prefix (malformed, for want of end bytes) is stale.
      lineState.store(0);
      Byte length = static_cast<Byte>(read.held);
      read.accepted = check.Code(check.Self, channel, reply, 0, &length, 0);
      read.held = length;
    }
    if (!read.accepted) {
      t.AcknowledgeNow();
      SleepThroughKnownReply(t, read.held, waits.expected);
    }
    timeout = gap;
    // A server's packet timer is no gap on the line: within the window only
    // the check ends the reply.
    if (wholeBy && !read.accepted) timeout = std::max(gap, *wholeBy - t.Now());
  }
  // Bytes came after the reply (garbage the check took for a whole reply, a
  // reply shorter than the last one's sleep): the line is still talking. Let
  // it finish, so that the rest does not land in the next exchange's reply.
  if (read.accepted && read.shown < received.count) {
    while (received.count < kMaxReplyLength) {
      const ReadResult r = t.Read(received.Rest(), gap);
      if (r.status != ReadStatus::kData) break;
      received.count += r.count;
    }
  }
  return read;
}

// Whether a channel that is down may try its transport again: the first
// exchange after the failure may, then one an interval.
bool ReopenDue(std::optional<Nanos> lastAttempt, Nanos now, Nanos interval) {
  return !lastAttempt || now - *lastAttempt >= interval;
}

std::string NotOpenText(Byte channel) {
  return "channel " + std::to_string(channel) + " is not open";
}

std::unique_ptr<Transport> TransportFor(const PortSpec& spec) {
  switch (spec.kind) {
    case PortSpec::Kind::kSim:
      // The simulator is a library of its own: a program that offers it binds
      // its transport (host/simtransport) rather than the text "sim".
      throw PortSpecError(FormatPortSpec(spec) + ": this program binds no built-in simulator");
    case PortSpec::Kind::kDevice:
      return MakeSerialTransport(spec);
    case PortSpec::Kind::kTcp:
      return MakeTcpTransport(spec);
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
  c.opened = false;
  c.lastReopen.reset();
  c.strayInput = true;
  c.recoveries.store(0);
}

void LineHostPort::AddObserver(Observer observer) {
  std::lock_guard lock(observersMutex_);
  observers_.push_back(std::move(observer));
  observed_.store(true);
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

void LineHostPort::SetReopenInterval(Nanos interval) {
  reopenInterval_.store(interval);
}

std::uint32_t LineHostPort::Recoveries(Byte channel) const {
  return channels_[channel].recoveries.load();
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
  std::lock_guard lock(c.io);
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
  const bool down = c.opened && !c.transport->IsOpen();
  const std::int32_t code = c.transport->Open();
  if (code != kPortOk) return Failed(c, code, c.transport->ErrorText());
  if (down) c.recoveries.fetch_add(1);
  c.opened = true;
  c.errorText.clear();
  c.lastError.store(kPortOk);
  return kPortOk;
}

std::int32_t LineHostPort::Reopen(Channel& c, Byte channel) {
  if (!c.opened) return Failed(c, kPortNotOpen, NotOpenText(channel));
  Transport& t = *c.transport;
  const Nanos now = t.Now();
  if (!ReopenDue(c.lastReopen, now, reopenInterval_.load())) {
    // Still down: the reason stays the one the transport gave.
    c.lastError.store(kPortNotOpen);
    return kPortNotOpen;
  }
  c.lastReopen = now;
  if (const std::int32_t code = t.Open(); code != kPortOk) return Failed(c, code, t.ErrorText());
  c.recoveries.fetch_add(1);
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

// The path of an exchange whose reply's length is known, on a line whose
// last exchange ended cleanly, takes no lock but the channel's, allocates
// nothing, makes no record unless someone observes the exchanges, and goes
// into the kernel four times: write, wait for the first byte, sleep through
// the rest, read.
std::int32_t KAVO5000_CALL LineHostPort::Send(Byte channel, const Byte* frame, Byte frameLength,
                                              Byte* reply, Byte replySize, Byte /*replyMode*/) {
  Channel& c = channels_[channel];
  std::unique_lock lock(c.io);
  // A state left from the last exchange must never pass for this one's.
  c.state.store(0);
  c.lineError.store(0);
  std::optional<ExchangeRecord> record = StartRecord(channel, frame, frameLength);
  const auto fail = [&](std::int32_t code) {
    c.strayInput = true;
    return FinishRecord(c, lock, record, code, ExchangeVerdict::kTransportFailure);
  };

  if (!c.transport) return fail(Failed(c, kPortNotConfigured, NotOpenText(channel)));
  if (!c.transport->IsOpen()) {
    if (const std::int32_t code = Reopen(c, channel); code != kPortOk) return fail(code);
  }
  Transport& t = *c.transport;
  // Input is dropped only when something may be waiting in it: a late
  // answer to an exchange that timed out, bytes that followed a reply. After
  // a clean exchange the line is quiet, and a flush is two trips into the
  // kernel a state poll does not need.
  if (c.strayInput) {
    t.DiscardInput();
    // Dropping it may find the line gone (a connection closed).
    if (!t.IsOpen()) return fail(Failed(c, t.ErrorCode(), t.ErrorText()));
    c.strayInput = false;
  }
  const Nanos began = record ? t.Now() : Nanos::zero();
  if (const std::int32_t code = t.Write(std::span<const Byte>(frame, frameLength));
      code != kPortOk) {
    t.Close();
    return fail(Failed(c, code, t.ErrorText()));
  }
  if (replySize == 0) {
    // Nobody knows what may still come back.
    c.strayInput = true;
    return FinishRecord(c, lock, record, kPortOk, ExchangeVerdict::kNotAwaited);
  }

  ReplyWaits waits;
  // The controller cannot answer before it has heard the whole frame.
  waits.firstByte = firstByte_.load() + t.WireTime(frameLength);
  waits.interByte = interByte_.load();
  waits.expected = c.replyLengths[replySize];
  waits.packetWindow = t.PacketWindow(replySize);
  Received received;
  const ReplyRead read = ReadReply(t, c.check, channel, c.state, waits, reply, received);
  if (record) {
    record->received.assign(received.bytes.data(), received.bytes.data() + received.count);
    record->milliseconds = std::chrono::duration<double, std::milli>(t.Now() - began).count();
  }
  if (read.failure) {
    // A line that failed a read (hung up, the device gone) is closed like
    // one that failed a write, so that a later exchange opens it afresh.
    t.Close();
    return fail(Failed(c, *read.failure, t.ErrorText()));
  }
  if (record) record->reply.assign(reply, reply + read.held);
  if (read.accepted) c.replyLengths[replySize] = static_cast<Byte>(read.held);
  if (!read.accepted && c.state.load() != kLineMalformed) {
    c.state.store(received.count == 0 ? kLineNoReply : kLineIncomplete);
  }
  c.strayInput = !read.accepted || read.shown < received.count;
  c.lastError.store(kPortOk);
  return FinishRecord(c, lock, record, kPortOk,
                      Verdict(read.accepted, received.count, c.state.load(), c.lineError.load()));
}

std::optional<ExchangeRecord> LineHostPort::StartRecord(Byte channel, const Byte* frame,
                                                        Byte frameLength) const {
  if (!observed_.load()) return std::nullopt;
  ExchangeRecord record;
  record.time = Timestamp();
  record.wall = std::chrono::system_clock::now();
  record.channel = channel;
  {
    std::lock_guard contextLock(contextMutex_);
    record.command = context_;
  }
  record.frame.assign(frame, frame + frameLength);
  return record;
}

std::int32_t LineHostPort::FinishRecord(Channel& c, std::unique_lock<std::mutex>& lock,
                                        std::optional<ExchangeRecord>& record, std::int32_t result,
                                        ExchangeVerdict verdict) {
  if (!record) return result;
  record->result = result;
  record->verdict = verdict;
  record->lineState = c.state.load();
  record->lineError = c.lineError.load();
  // The observers run with the channel free: one may well write a trace line.
  lock.unlock();
  Notify(*record);
  return result;
}

}  // namespace kavo5000::host
