// SimTransport.cpp — the in-process simulator as a channel's transport. Time
// is the simulator's clock: waiting for a reply moves a virtual clock to the
// moment the bytes arrive, or past the timeout when none come, so tests run
// the port's real timing logic without sleeping.
#include <deque>

#include "Clock.h"
#include "FrameStream.h"
#include "Line.h"
#include "SimTransport.h"

namespace kavo5000::host {

namespace {

class SimTransport final : public Transport {
 public:
  SimTransport(std::shared_ptr<sim::Line> line, sim::Clock& clock, SimPacing pacing)
      : line_(std::move(line)), clock_(clock), pacing_(pacing) {}

  std::int32_t Open() override {
    open_ = true;
    return kPortOk;
  }
  void Close() override {
    open_ = false;
    pending_.clear();
  }
  bool IsOpen() const override { return open_; }

  void DiscardInput() override {
    const sim::Instant now = clock_.Now();
    while (!pending_.empty() && pending_.front().at <= now) pending_.pop_front();
  }

  std::int32_t Write(std::span<const Byte> bytes) override {
    if (!open_) return Fail(kPortNotOpen, "not open");
    // The controller hears the frame once its last byte is through, and a
    // new frame makes it drop any answer it still owed.
    pending_.clear();
    const sim::Instant heard = clock_.Now() + sim::WireTime(bytes.size(), pacing_.baud);
    sim::LineReply reply = line_->Receive(bytes, heard);
    const sim::Instant begin = heard + pacing_.turnaround + reply.delay;
    for (std::size_t i = 0; i < reply.bytes.size(); ++i) {
      pending_.push_back({begin + sim::WireTime(i + 1, pacing_.baud), reply.bytes[i]});
    }
    return kPortOk;
  }

  ReadResult Read(std::span<Byte> into, Nanos timeout) override {
    if (!open_) return {ReadStatus::kFailed, 0, Fail(kPortNotOpen, "not open")};
    const sim::Instant deadline = clock_.Now() + timeout;
    if (pending_.empty() || pending_.front().at > deadline) {
      clock_.WaitUntil(deadline);
      return {ReadStatus::kTimeout, 0, kPortOk};
    }
    clock_.WaitUntil(pending_.front().at);
    const sim::Instant now = clock_.Now();
    std::size_t count = 0;
    while (count < into.size() && !pending_.empty() && pending_.front().at <= now) {
      into[count++] = pending_.front().byte;
      pending_.pop_front();
    }
    return {ReadStatus::kData, count, kPortOk};
  }

  Nanos Now() const override { return clock_.Now().time_since_epoch(); }
  void Pause(Nanos d) override { clock_.WaitUntil(clock_.Now() + d); }
  Nanos WireTime(std::size_t bytes) const override { return sim::WireTime(bytes, pacing_.baud); }
  std::string Describe() const override { return "sim"; }

 private:
  struct Arrival {
    sim::Instant at;  // when the byte's last bit has arrived
    Byte byte;
  };
  std::shared_ptr<sim::Line> line_;
  sim::Clock& clock_;
  SimPacing pacing_;
  bool open_ = false;
  std::deque<Arrival> pending_;
};

}  // namespace

std::unique_ptr<Transport> MakeSimTransport(std::shared_ptr<sim::Line> line, sim::Clock& clock,
                                            SimPacing pacing) {
  return std::make_unique<SimTransport>(std::move(line), clock, pacing);
}

}  // namespace kavo5000::host
