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
#include "Collector.h"
#include "FrameCodec.h"
#include "Frames.h"
#include "InstantPort.h"
#include "ModuleLoader.h"
#include "NumberFormat.h"
#include "ParameterUnit.h"

namespace {

using kavo5000::bench::InstantPort;

using kavo5000::Byte;
using namespace kavo5000;

constexpr Byte kChannel = 1;
// The driver's own work on an exchange should stay below this share of its wire time.
constexpr double kShareGoal = 0.01;

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

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Fixture& f = Shared();
  bench::Collector collector;
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
