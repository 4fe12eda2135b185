// NoisyLine.cpp — the noisy line: the simulator answers, the dice spoil.
#include "NoisyLine.h"

#include "FrameStream.h"

namespace kavo5000::soak {

namespace {
constexpr int kBaud = 4800;                                 // the line's rate
constexpr auto kTurnaround = std::chrono::milliseconds(5);  // a controller's pause before answering
constexpr int kMaxGarbage = 4;                              // noise bytes before an answer
constexpr unsigned kByteValues = 256;
}  // namespace

NoisyTransport::NoisyTransport(std::shared_ptr<sim::Line> line, sim::VirtualClock& clock,
                               NoiseSettings noise)
    : line_(std::move(line)), clock_(clock), noise_(noise), random_(noise.seed) {}

std::int32_t NoisyTransport::Open() {
  open_ = true;
  return host::kPortOk;
}

void NoisyTransport::Close() {
  open_ = false;
  pending_.clear();
}

void NoisyTransport::DiscardInput() {
  const sim::Instant now = clock_.Now();
  while (!pending_.empty() && pending_.front().at <= now) pending_.pop_front();
}

host::Nanos NoisyTransport::WireTime(std::size_t bytes) const {
  return sim::WireTime(bytes, kBaud);
}

bool NoisyTransport::Chance(double p) {
  return std::bernoulli_distribution(p)(random_);
}

sim::Duration NoisyTransport::Spoil(LineExchange& exchange) {
  Bytes answer = exchange.clean;
  if (quiet_ || answer.empty()) {
    exchange.sent = answer;
    return sim::Duration::zero();
  }
  if (Chance(noise_.drop)) {
    exchange.faults |= kFaultDrop;
    answer.clear();
  } else if (answer.size() > 1 && Chance(noise_.truncate)) {
    // A lone control byte cut short is a lost answer; only longer ones are cut.
    exchange.faults |= kFaultTruncate;
    answer.resize(std::uniform_int_distribution<std::size_t>(1, answer.size() - 1)(random_));
  }
  std::uniform_int_distribution<unsigned> anyByte(0, kByteValues - 1);
  std::uniform_int_distribution<unsigned> anyChange(1, kByteValues - 1);
  for (std::uint8_t& b : answer) {
    if (!Chance(noise_.byteCorruption)) continue;
    exchange.faults |= kFaultCorrupt;
    ++exchange.corruptedBytes;
    b = static_cast<std::uint8_t>(b ^ anyChange(random_));
  }
  if (!answer.empty() && Chance(noise_.garbage)) {
    exchange.faults |= kFaultGarbage;
    Bytes noise(std::uniform_int_distribution<int>(1, kMaxGarbage)(random_));
    for (std::uint8_t& b : noise) b = static_cast<std::uint8_t>(anyByte(random_));
    answer.insert(answer.begin(), noise.begin(), noise.end());
  }
  exchange.sent = answer;
  if (answer.empty()) return sim::Duration::zero();
  if (Chance(noise_.lateBeyond)) {
    exchange.faults |= kFaultLateBeyond;
    return noise_.lateBeyondBy;
  }
  if (Chance(noise_.lateWithin)) {
    exchange.faults |= kFaultLateWithin;
    return noise_.lateWithinBy;
  }
  return sim::Duration::zero();
}

std::int32_t NoisyTransport::Write(std::span<const std::uint8_t> bytes) {
  if (!open_) return Fail(host::kPortNotOpen, "not open");
  // A controller that hears a new frame drops the answer it still owed.
  pending_.clear();
  const sim::Instant heard = clock_.Now() + sim::WireTime(bytes.size(), kBaud);
  const sim::LineReply reply = line_->Receive(bytes, heard);
  last_ = LineExchange{};
  last_.frame.assign(bytes.begin(), bytes.end());
  last_.clean = reply.bytes;
  const sim::Duration late = Spoil(last_);
  const sim::Instant begin = heard + kTurnaround + reply.delay + late;
  for (std::size_t i = 0; i < last_.sent.size(); ++i) {
    pending_.push_back({begin + sim::WireTime(i + 1, kBaud), last_.sent[i]});
  }
  return host::kPortOk;
}

host::ReadResult NoisyTransport::Read(std::span<std::uint8_t> into, host::Nanos timeout) {
  if (!open_) return {host::ReadStatus::kFailed, 0, Fail(host::kPortNotOpen, "not open")};
  const sim::Instant deadline = clock_.Now() + timeout;
  if (pending_.empty() || pending_.front().at > deadline) {
    clock_.WaitUntil(deadline);
    return {host::ReadStatus::kTimeout, 0, host::kPortOk};
  }
  clock_.WaitUntil(pending_.front().at);
  const sim::Instant now = clock_.Now();
  std::size_t count = 0;
  while (count < into.size() && !pending_.empty() && pending_.front().at <= now) {
    into[count++] = pending_.front().byte;
    pending_.pop_front();
  }
  return {host::ReadStatus::kData, count, host::kPortOk};
}

}  // namespace kavo5000::soak
