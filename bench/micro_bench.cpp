// micro_bench — the driver's own work per operation, with nothing of the line
// in it: framing a command, judging a reply, addressing a nozzle, a GetSost of
// four nozzles through the module against a port that answers at once, and
// the catalogue's text for a value. Each is printed also as a fraction of the
// wire time of the exchange it serves at 4800 baud, the yardstick it has to
// stay far below. Prints figures; never fails a run.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "FrameCodec.h"
#include "Frames.h"
#include "ModuleLoader.h"
#include "NumberFormat.h"
#include "ParameterUnit.h"
#include "Simulation.h"

namespace {

using kavo5000::Byte;
using namespace kavo5000;

constexpr Byte kChannel = 1;
// The driver's own work on an exchange should stay below this share of its wire time.
constexpr double kShareGoal = 0.01;

// A port that answers in no time: each distinct frame is put once to an
// unpaced in-process simulator, and its answer is replayed from then on
// through the driver's installed check, as a real port hands bytes over.
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

struct Fixture {
  loader::Module module{std::string(KAVO5000_MODULE_PATH)};
  InstantPort port;
  std::unique_ptr<TVM30> driver = module.Create(bench::kConfigFourNozzles, &port);
  std::vector<Byte> stateCommand;
  std::vector<Byte> stateReply;  // a state reply as the controller sends it
  std::map<std::string, double> wireMs;

  Fixture() {
    driver->OpenChannel(kChannel);
    const wire::AddressPair a = wire::AddressOf(1);
    stateCommand = {a.group, a.address, '1'};
    const wire::Bytes frame = wire::EncodeFrame(stateCommand);
    stateReply = port.Answer(std::vector<Byte>(frame.begin(), frame.end()));
    StateRecord record{};
    const double state = bench::WireMs(frame.size() + stateReply.size());
    wireMs["BuildFrame"] = state;
    wireMs["ReplyCheck"] = state;
    wireMs["NozzleAddress"] = state;
    driver->GetSost(kChannel, 1, 4, &record);
    wireMs["GetSost(4 nozzles)"] = 4 * state;
    try {
      driver->GetParam(kChannel, 1, 1);
    } catch (const std::exception&) {
      // The exchange went out all the same; its size is what counts here.
    }
    wireMs["ValueToText"] = bench::WireMs(port.lastFrameBytes + port.lastReplyBytes);
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_BuildFrame(benchmark::State& state) {
  const std::vector<Byte>& command = Shared().stateCommand;
  for (auto _ : state) {
    driver::Frame f = driver::BuildFrame(command);
    benchmark::DoNotOptimize(f);
  }
}
BENCHMARK(BM_BuildFrame)->Name("BuildFrame");

void BM_ReplyCheck(benchmark::State& state) {
  const std::vector<Byte>& reply = Shared().stateReply;
  std::array<Byte, 64> buffer{};
  for (auto _ : state) {
    std::memcpy(buffer.data(), reply.data(), reply.size());
    driver::ReplyVerdict v = driver::CheckReply(std::span<Byte>(buffer.data(), reply.size()));
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_ReplyCheck)->Name("ReplyCheck");

void BM_NozzleAddress(benchmark::State& state) {
  std::int32_t dispenser = 1;
  for (auto _ : state) {
    driver::AddressBytes a = driver::NozzleAddress(4, dispenser, 4);
    benchmark::DoNotOptimize(a);
    dispenser = dispenser == 32 ? 1 : dispenser + 1;
  }
}
BENCHMARK(BM_NozzleAddress)->Name("NozzleAddress");

void BM_GetSost(benchmark::State& state) {
  Fixture& f = Shared();
  StateRecord record{};
  for (auto _ : state) {
    f.driver->GetSost(kChannel, 1, 4, &record);
    benchmark::DoNotOptimize(record);
  }
}
BENCHMARK(BM_GetSost)->Name("GetSost(4 nozzles)");

void BM_ValueToText(benchmark::State& state) {
  const catalogue::CParameter p(1, 6, 2, "Цена", "руб", 0, 0, 999999, catalogue::pkNumber, 0);
  const catalogue::NumberFormat format = catalogue::NumberFormat::C();
  std::int32_t raw = 123456;
  for (auto _ : state) {
    std::string text = p.ValueToText(raw, format);
    benchmark::DoNotOptimize(text);
    raw = raw == 999999 ? 0 : raw + 7;
  }
}
BENCHMARK(BM_ValueToText)->Name("ValueToText");

// Keeps each benchmark's time per iteration next to the console output.
class Collector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> ms;  // real time per iteration

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0) continue;
      ms[r.benchmark_name()] = r.real_accumulated_time * 1000.0 / static_cast<double>(r.iterations);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Fixture& f = Shared();
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();
  for (const auto& [name, ms] : collector.ms) {
    const auto wire = f.wireMs.find(name);
    if (wire == f.wireMs.end() || wire->second <= 0) continue;
    const double share = ms / wire->second;
    std::printf("%-20s %12.1f ns  = %.2e of the wire time %.1f ms\n", name.c_str(), ms * 1e6, share,
                wire->second);
    bench::Row("micro: " + name, bench::Ms(ms), bench::Ms(wire->second), share, "<= 0.01 of wire",
               share <= kShareGoal);
  }
  return 0;
}
