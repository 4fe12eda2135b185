// InstantPort.h — a port that answers in no time, for the benchmarks that
// measure the driver's own work: each distinct frame is put once to an
// unpaced in-process simulator, and its answer is replayed from then on
// through the driver's installed check, as a real port hands bytes over.
#ifndef KAVO5000_BENCH_INSTANTPORT_H
#define KAVO5000_BENCH_INSTANTPORT_H

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "Simulation.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::bench {

class InstantPort final : public HostPort {
 public:
  InstantPort() {
    host::SimulationSettings settings;
    settings.baud = 0;
    settings.turnaroundMs = 0;
    settings.controllers = 8;
    settings.liftAfter.reset();
    sim_ = std::make_unique<host::Simulation>(settings);
    transport_ = sim_->MakeTransport();
    transport_->Open();
  }

  std::size_t lastFrameBytes = 0;
  std::size_t lastReplyBytes = 0;

  std::int32_t KAVO5000_CALL GetLastError(Byte) override { return 0; }
  void KAVO5000_CALL SetLineError(Byte, std::int32_t) override {}
  void KAVO5000_CALL SetLineState(Byte, Byte s) override { state_ = s; }
  Byte KAVO5000_CALL GetLineState(Byte) override { return state_; }
  std::int32_t KAVO5000_CALL Send(Byte channel, const Byte* frame, Byte frameLength, Byte* reply,
                                  Byte replySize, Byte replyMode) override {
    const std::vector<Byte>& answer = Answer(std::vector<Byte>(frame, frame + frameLength));
    lastFrameBytes = frameLength;
    lastReplyBytes = answer.size();
    state_ = 2;  // no reply, until the check says otherwise
    Byte length = static_cast<Byte>(std::min<std::size_t>(answer.size(), replySize));
    std::memcpy(reply, answer.data(), length);
    check_.Code(check_.Self, channel, reply, replySize, &length, replyMode);
    return 0;
  }
  std::int32_t KAVO5000_CALL Open(Byte, std::int32_t, std::int32_t) override { return 0; }
  void KAVO5000_CALL SetReplyCheck(Byte, ReplyCheckRef c) override { check_ = c; }

  // The controller's answer to a frame, asked once.
  const std::vector<Byte>& Answer(const std::vector<Byte>& frame) {
    auto it = answers_.find(frame);
    if (it == answers_.end()) it = answers_.emplace(frame, Ask(frame)).first;
    return it->second;
  }

 private:
  std::vector<Byte> Ask(const std::vector<Byte>& frame) {
    transport_->DiscardInput();
    transport_->Write(frame);
    std::vector<Byte> answer;
    std::array<Byte, 256> buffer{};
    for (;;) {
      const host::ReadResult r = transport_->Read(buffer, std::chrono::milliseconds(20));
      if (r.status != host::ReadStatus::kData || r.count == 0) break;
      answer.insert(answer.end(), buffer.begin(), buffer.begin() + r.count);
    }
    return answer;
  }

  std::unique_ptr<host::Simulation> sim_;
  std::unique_ptr<host::Transport> transport_;
  std::map<std::vector<Byte>, std::vector<Byte>> answers_;
  ReplyCheckRef check_{nullptr, nullptr};
  Byte state_ = 0;
};

}  // namespace kavo5000::bench

#endif  // KAVO5000_BENCH_INSTANTPORT_H
