// c_interface_bench — what the C interface costs a host per call: a state
// query of four nozzles through kavo5000_get_state, against the same query
// through the driver's slot, both on a port that answers in no time (the C
// one as a host's own callbacks), so that only the interface's own work
// differs. Prints the figures and a row of the table; never fails a run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Collector.h"
#include "InstantPort.h"
#include "ModuleLoader.h"
#include "kavo5000/kavo5000_c.h"

namespace {

using kavo5000::Byte;
using kavo5000::bench::InstantPort;

constexpr Byte kChannel = 1;
constexpr Byte kNozzles = 4;
constexpr double kGoalNs = 1000.0;  // at most this much more per state query

// The same instant answers, handed to the driver's check as a C host's port does.
struct CallbackPort {
  InstantPort answers;

  static std::int32_t KAVO5000_C_CALL Open(void*, std::uint8_t, std::int32_t) { return 0; }
  static std::int32_t KAVO5000_C_CALL Send(void* context, std::uint8_t, const std::uint8_t* frame,
                                           std::int32_t frameLength, std::uint8_t* reply,
                                           std::int32_t capacity, kavo5000_reply_check check,
                                           void* checkContext) {
    auto& self = *static_cast<CallbackPort*>(context);
    const std::vector<Byte>& answer =
        self.answers.Answer(std::vector<Byte>(frame, frame + frameLength));
    std::int32_t length =
        std::min<std::int32_t>(static_cast<std::int32_t>(answer.size()), capacity);
    std::memcpy(reply, answer.data(), static_cast<std::size_t>(length));
    check(checkContext, reply, &length);
    return 0;
  }
};

struct Fixture {
  kavo5000::loader::Module module{std::string(KAVO5000_MODULE_PATH)};
  InstantPort slotPort;
  std::unique_ptr<kavo5000::TVM30> driver =
      module.Create(kavo5000::bench::kConfigFourNozzles, &slotPort);
  CallbackPort callbackPort;
  kavo5000_port_callbacks callbacks{&CallbackPort::Open, &CallbackPort::Send};
  kavo5000_driver* cDriver = nullptr;

  Fixture() {
    driver->OpenChannel(kChannel);
    const kavo5000_channel line{kChannel, nullptr, &callbacks, &callbackPort};
    kavo5000_open(KAVO5000_MODULE_PATH, kavo5000::bench::kConfigFourNozzles, &line, 1, 0, &cDriver);
  }
  ~Fixture() { kavo5000_close(cDriver); }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_Slot(benchmark::State& state) {
  Fixture& f = Shared();
  kavo5000::StateRecord records{};
  for (auto _ : state) {
    f.driver->GetSost(kChannel, 1, kNozzles, &records);
    benchmark::DoNotOptimize(records);
  }
}
BENCHMARK(BM_Slot)->Name("slot GetSost(4 nozzles)");

void BM_CInterface(benchmark::State& state) {
  Fixture& f = Shared();
  kavo5000_state states{};
  for (auto _ : state) {
    if (kavo5000_get_state(f.cDriver, kChannel, 1, kNozzles, &states) != KAVO5000_OK) {
      state.SkipWithError(kavo5000_last_error());
      break;
    }
    benchmark::DoNotOptimize(states);
  }
}
BENCHMARK(BM_CInterface)->Name("kavo5000_get_state(4 nozzles)");

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Shared();
  kavo5000::bench::Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();
  constexpr double kNsPerMs = 1e6;
  const double slot = collector.ms["slot GetSost(4 nozzles)"] * kNsPerMs;
  const double c = collector.ms["kavo5000_get_state(4 nozzles)"] * kNsPerMs;
  if (slot <= 0 || c <= 0) return 0;
  const double more = c - slot;
  std::printf("C interface: %.1f ns per state query, %.1f ns more than the slot's %.1f ns\n", c,
              more, slot);
  kavo5000::bench::Row("c interface: get_state(4 nozzles), more than the slot",
                       kavo5000::bench::Ms(more / kNsPerMs), kavo5000::bench::Ms(slot / kNsPerMs),
                       more / kGoalNs, "<= 1 us more", more <= kGoalNs);
  return 0;
}
