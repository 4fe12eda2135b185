// line_bench — the driver and LineHostPort against `kavo5000 simulate`
// processes, measured against what the line itself needs: the wire time of
// every byte at ten bits plus the controller's turnaround. Sections:
//   line     a station's poll loop on one pseudo-terminal at 4800 baud
//   scaling  1, 2, 4, 8, 16 and 20 lines in parallel, one thread a line
//   station  20 lines × 128 nozzles, cycle time and the host's CPU share set
//            against the floor, the bare exchange on the same lines
//            (FloorLine.h), and the system calls an exchange of each
//   smoke    a few exchanges of each kind, to show the binary runs
// Each section prints its figures and "ROW" lines for bench/table.sh.
// Prints figures; never fails a run (the exit code is 0 unless it cannot start).
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <barrier>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "FloorLine.h"
#include "LineHostPort.h"
#include "ModuleLoader.h"
#include "PortSpec.h"
#include "SimProcess.h"
#include "Simulation.h"
#include "SyscallCounter.h"
#include "WireCheck.h"

namespace {

using kavo5000::Byte;
using namespace kavo5000;
using Clock = std::chrono::steady_clock;

constexpr int kTurnaroundMs = 5;
// A state query: a 9-byte frame and its reply.
constexpr std::size_t kStateExchangeBytes = 9 + bench::kStateReplyBytes;
constexpr double kLineGoal = 0.97;
constexpr double kScalingGoal = 0.9;
constexpr double kStationGoal = 0.97;
constexpr double kCpuOverFloorGoal = 1.1;  // the station's CPU share over the floor's
// Rounds of the station section, a cycle of each contender per round (about
// 16 s): an odd number, so that the median of rounds is one round's ratio.
constexpr int kStationRounds = 7;

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

double StateExchangeMs() {
  return bench::WireMs(kStateExchangeBytes) + kTurnaroundMs;
}

std::vector<std::string> PtyArgs(int controllers) {
  return {"--pty",
          "--baud",
          std::to_string(bench::kBaud),
          "--turnaround",
          std::to_string(kTurnaroundMs),
          "--controllers",
          std::to_string(controllers)};
}

// Calls into the driver, whatever it raises: a refused operation is still an
// exchange on the line.
template <typename F>
void Quietly(F&& f) {
  try {
    f();
  } catch (const std::exception&) {
  }
}

struct Rig {
  loader::Module module{std::string(KAVO5000_MODULE_PATH)};
  std::vector<std::unique_ptr<host::SimProcess>> sims;
  host::LineHostPort port;
  std::unique_ptr<TVM30> driver;

  // One `kavo5000 simulate` process per line, channels 1..lines.
  Rig(int lines, const std::vector<std::string>& args)
      : Rig(lines, [&] {
          return std::make_unique<host::SimProcess>(KAVO5000_TOOL_PATH, args,
                                                    host::SimProcess::Banner::kHidden);
        }) {}
  // One simulator process per line, as `start` makes them.
  Rig(int lines, const std::function<std::unique_ptr<host::SimProcess>()>& start)
      : Rig([&] {
          std::vector<std::unique_ptr<host::SimProcess>> started;
          started.reserve(lines);
          for (int i = 0; i < lines; ++i) started.push_back(start());
          return started;
        }()) {}
  // Simulator processes already running, channels 1..their number.
  explicit Rig(std::vector<std::unique_ptr<host::SimProcess>> running) : sims(std::move(running)) {
    const int lines = static_cast<int>(sims.size());
    for (int i = 0; i < lines; ++i) port.Bind(static_cast<Byte>(i + 1), sims[i]->spec());
    driver = module.Create(bench::kConfigFourNozzles, &port);
    for (int i = 0; i < lines; ++i) driver->OpenChannel(static_cast<Byte>(i + 1));
  }
};

// A station's poll loop on one line: each operation timed alone, next to the
// wire time and turnarounds of the exchanges it made.
void Line(int rounds) {
  Rig rig(1, PtyArgs(4));
  TVM30& d = *rig.driver;
  std::atomic<std::size_t> bytes{0};
  std::atomic<int> exchanges{0};
  rig.port.AddObserver([&](const host::ExchangeRecord& r) {
    bytes += r.frame.size() + r.received.size();
    ++exchanges;
  });
  struct Op {
    const char* name;
    std::function<void()> call;
  };
  const Op ops[] = {
      {"GetSost(4 nozzles)",
       [&] {
         StateRecord record{};
         d.GetSost(1, 1, 4, &record);
       }},
      {"GetDeliveredVolume",
       [&] {
         double money = 0;
         d.GetDeliveredVolume(1, 1, &money);
       }},
      {"GetTotalCounters",
       [&] {
         double volume = 0;
         double money = 0;
         d.GetTotalCounters(1, 1, 1, &volume, &money, 0);
       }},
  };
  std::printf("line: one pty at %d baud, turnaround %d ms, %d rounds\n", bench::kBaud,
              kTurnaroundMs, rounds);
  for (const Op& op : ops) Quietly(op.call);  // first exchanges out of the way
  for (const Op& op : ops) {
    std::vector<double> measured;
    std::vector<double> needed;
    std::vector<double> efficiency;
    for (int i = 0; i < rounds; ++i) {
      bytes = 0;
      exchanges = 0;
      const auto begin = Clock::now();
      Quietly(op.call);
      const double ms = MsSince(begin);
      const double wire = bench::WireMs(bytes.load()) + exchanges.load() * kTurnaroundMs;
      measured.push_back(ms);
      needed.push_back(wire);
      efficiency.push_back(wire / ms);
    }
    const double e = bench::Median(efficiency);
    std::printf("  %-20s median %8.2f ms, wire + turnaround %8.2f ms, efficiency %.4f\n", op.name,
                bench::Median(measured), bench::Median(needed), e);
    bench::Row(std::string("line: ") + op.name, bench::Ms(bench::Median(measured)),
               bench::Ms(bench::Median(needed)), e, ">= 0.97 (wire/measured)", e >= kLineGoal);
  }
}

// Polls lines 1..n in parallel, one thread a line, for `seconds`; returns
// state exchanges per second over all lines.
double PollInParallel(Rig& rig, int n, double seconds) {
  std::vector<double> rates(n, 0);
  std::barrier start(n);
  std::vector<std::thread> threads;
  for (int i = 0; i < n; ++i) {
    threads.emplace_back([&, i] {
      const auto channel = static_cast<Byte>(i + 1);
      StateRecord record{};
      Quietly([&] { rig.driver->GetSost(channel, 1, 4, &record); });
      start.arrive_and_wait();
      const auto begin = Clock::now();
      const auto until = begin + std::chrono::duration<double>(seconds);
      long calls = 0;
      while (Clock::now() < until) {
        Quietly([&] { rig.driver->GetSost(channel, 1, 4, &record); });
        ++calls;
      }
      rates[i] = 4.0 * calls / (MsSince(begin) / 1000.0);
    });
  }
  for (std::thread& t : threads) t.join();
  double total = 0;
  for (double r : rates) total += r;
  return total;
}

void Scaling(double seconds) {
  std::printf("scaling: GetSost(4 nozzles) round after round, %.1f s a run\n", seconds);
  double single = 0;
  for (int n : {1, 2, 4, 8, 16, 20}) {
    Rig rig(n, PtyArgs(4));
    const double rate = PollInParallel(rig, n, seconds);
    if (n == 1) single = rate;
    const double ratio = rate / (n * single);
    std::printf("  %2d lines: %8.1f exchanges/s = %.3f x N x one line (%.1f/s)\n", n, rate, ratio,
                single);
    char name[64];
    std::snprintf(name, sizeof name, "scaling: %d lines, exchanges/s", n);
    char median[32];
    std::snprintf(median, sizeof median, "%.1f/s", rate);
    char wire[32];
    std::snprintf(wire, sizeof wire, "%.1f/s (N x 1)", n * single);
    bench::Row(name, median, wire, ratio, ">= 0.9 x N", ratio >= kScalingGoal);
  }
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// What running a piece of work on every line at once cost the host.
struct LinesRun {
  double cpu = 0;   // seconds of this process's CPU (the simulators are others)
  double wall = 0;  // seconds
  std::optional<std::uint64_t> syscalls;  // made by the work, over all lines, when counted

  double Share() const { return cpu / wall; }  // of one core
};

// Runs `work(line)` for lines 0..n−1, one thread each, once every thread has
// done `prepare(line)`; measures from the moment all are prepared until all
// are done, counting the work's system calls when asked.
LinesRun OnEveryLine(int lines, bool countSyscalls, const std::function<void(int)>& prepare,
                     const std::function<void(int)>& work) {
  std::barrier start(lines + 1);
  std::barrier end(lines + 1);
  std::atomic<std::uint64_t> syscalls{0};
  std::atomic<bool> counted{countSyscalls};
  std::vector<std::thread> threads;
  threads.reserve(lines);
  for (int i = 0; i < lines; ++i) {
    threads.emplace_back([&, i] {
      prepare(i);
      start.arrive_and_wait();
      std::optional<bench::SyscallCounter> counter;
      if (countSyscalls) counter.emplace();
      work(i);
      const std::optional<std::uint64_t> n = counter ? counter->Count() : std::nullopt;
      if (n) syscalls += *n;
      if (!n) counted = false;
      end.arrive_and_wait();
    });
  }
  start.arrive_and_wait();
  const double cpu0 = CpuSeconds();
  const auto wall0 = Clock::now();
  end.arrive_and_wait();
  LinesRun run;
  run.cpu = CpuSeconds() - cpu0;
  run.wall = MsSince(wall0) / 1000.0;
  for (std::thread& t : threads) t.join();
  if (counted) run.syscalls = syscalls.load();
  return run;
}

std::string PerExchange(const std::optional<std::uint64_t>& syscalls, double exchanges) {
  if (!syscalls) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(*syscalls) / exchanges);
  return text;
}

std::string ShareText(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f%% core", share * 100);
  return text;
}

// Round-by-round ratios, as "1.041 0.987 …".
std::string RatiosText(const std::vector<double>& ratios) {
  std::string text;
  for (double r : ratios) {
    char one[16];
    std::snprintf(one, sizeof one, "%s%.3f", text.empty() ? "" : " ", r);
    text += one;
  }
  return text;
}

// The device path of a served line's port string.
std::string DeviceOf(const std::string& port) {
  return host::ParsePortSpec(port).path;
}

// 20 lines of 32 dispensers × 4 nozzles, every dispenser polled in turn, a
// cycle at a time by the floor (the bare exchange, FloorLine.h), by
// LineHostPort alone and by the driver through LineHostPort, on the same
// simulator processes, `rounds` times over; each timed, then the floor and
// the station counted over a shorter run.
void Station(int rounds) {
  constexpr int kLines = 20;
  constexpr int kDispensers = 32;
  constexpr int kPerDispenser = 4;  // nozzles, as the driver's configuration has them
  constexpr int kNozzles = kDispensers * kPerDispenser;
  constexpr int kCountedDispensers = 8;  // the short run that counts system calls
  const double limit = kNozzles * StateExchangeMs();
  const double exchanges = static_cast<double>(kLines) * rounds * kNozzles;
  const double countedExchanges = static_cast<double>(kLines) * kCountedDispensers * kPerDispenser;
  std::printf(
      "station: %d lines x %d dispensers x 4 nozzles, %d rounds of a cycle each; limit %.1f ms a "
      "cycle\n",
      kLines, kDispensers, rounds, limit);
  // The tool serves at most 99 controllers a line; a child process serves
  // the 128 of a full line on the same simulator, paced the same way.
  std::vector<std::unique_ptr<host::SimProcess>> sims;
  sims.reserve(kLines);
  for (int i = 0; i < kLines; ++i) {
    sims.push_back(std::make_unique<host::SimProcess>(
        [] {
          host::SimulationSettings settings;
          settings.controllers = kNozzles;
          settings.baud = bench::kBaud;
          settings.turnaroundMs = kTurnaroundMs;
          host::Simulation simulation(settings);
          // Straight to the pipe: stdio's buffer holds the parent's unwritten output.
          const std::string spec = simulation.OpenPty() + "\n";
          if (write(STDOUT_FILENO, spec.data(), spec.size()) < 0) return;
          const std::atomic<bool> stop{false};
          simulation.Serve(stop);
        },
        host::SimProcess::Banner::kHidden));
  }

  // Both hold every line open; they take turns on it, never at once. The
  // floor opens first: the port's exclusive mark turns later openers away.
  std::vector<std::unique_ptr<bench::FloorLine>> floor;
  floor.reserve(kLines);
  for (const auto& sim : sims) {
    floor.push_back(std::make_unique<bench::FloorLine>(DeviceOf(sim->spec()), kNozzles));
  }
  Rig rig(std::move(sims));
  const auto floorPoll = [&](int dispensers) {
    return [&, dispensers](int i) {
      for (int v = 1; v <= dispensers * kPerDispenser; ++v) floor[i]->Exchange(v);
    };
  };
  std::vector<std::vector<double>> cycleMs(kLines);
  const auto stationPoll = [&](int dispensers, bool timed) {
    return [&, dispensers, timed](int i) {
      const auto channel = static_cast<Byte>(i + 1);
      StateRecord record{};
      const auto begin = Clock::now();
      for (int d = 1; d <= dispensers; ++d) {
        Quietly(
            [&] { rig.driver->GetSost(channel, static_cast<Byte>(d), kPerDispenser, &record); });
      }
      if (timed) cycleMs[i].push_back(MsSince(begin));
    };
  };
  // The port alone, without the driver: its share of the gap to the floor.
  std::vector<wire::Bytes> queries;
  queries.reserve(kNozzles);
  for (int v = 1; v <= kNozzles; ++v) queries.push_back(bench::StateQuery(v));
  bench::WireCheck check{&rig.port};
  const auto portPoll = [&](int i) {
    const auto channel = static_cast<Byte>(i + 1);
    std::array<Byte, 256> reply{};
    for (const wire::Bytes& query : queries) {
      rig.port.SetReplyCheck(channel, check.Ref());
      rig.port.Send(channel, query.data(), static_cast<Byte>(query.size()), reply.data(),
                    static_cast<Byte>(bench::kStateReplyBytes), 0);
    }
  };
  // First exchanges out of the way: the port learns the reply's length.
  OnEveryLine(
      kLines, false,
      [&](int i) {
        floor[i]->Exchange(1);
        stationPoll(1, false)(i);
      },
      [](int) {});
  // A cycle of each in turn, the order reversed every round, so that what
  // the machine does meanwhile falls on all alike. A share near 1 % of a
  // core swings by several per cent from one cycle to the next here; each round's
  // share is set against the floor's in the same round, and the median of
  // those ratios is what a contender is judged by.
  struct Contender {
    std::function<void(int)> cycle;  // one cycle on line i
    LinesRun total;
    std::vector<double> overFloor;  // its share ÷ the floor's, round by round
  };
  std::array<Contender, 3> contenders{{{floorPoll(kDispensers), {}, {}},
                                       {portPoll, {}, {}},
                                       {stationPoll(kDispensers, true), {}, {}}}};
  for (int round = 0; round < rounds; ++round) {
    std::array<double, 3> share{};
    for (std::size_t k = 0; k < contenders.size(); ++k) {
      const std::size_t next = round % 2 == 0 ? k : contenders.size() - 1 - k;
      const LinesRun run = OnEveryLine(
          kLines, false, [](int) {}, contenders[next].cycle);
      contenders[next].total.cpu += run.cpu;
      contenders[next].total.wall += run.wall;
      share[next] = run.Share();
    }
    for (std::size_t k = 0; k < contenders.size(); ++k) {
      contenders[k].overFloor.push_back(share[k] / share[0]);
    }
  }
  const LinesRun& bare = contenders[0].total;
  const LinesRun& alone = contenders[1].total;
  const LinesRun& station = contenders[2].total;
  const LinesRun bareCounted = OnEveryLine(
      kLines, true, [](int) {}, floorPoll(kCountedDispensers));
  const LinesRun stationCounted = OnEveryLine(
      kLines, true, [](int) {}, stationPoll(kCountedDispensers, false));

  double worst = 0;
  for (const std::vector<double>& line : cycleMs) worst = std::max(worst, bench::Median(line));
  const double ratio = limit / worst;
  const double floorShare = bare.Share();
  const double share = station.Share();
  const double overFloor = bench::Median(contenders[2].overFloor);
  const double aloneShare = alone.Share();
  const double aloneOverFloor = bench::Median(contenders[1].overFloor);
  std::printf(
      "  floor (bare exchange): host CPU %.3f s in %.1f s = %.2f %% of a core, %.1f us "
      "an exchange, %s system calls an exchange\n",
      bare.cpu, bare.wall, floorShare * 100, bare.cpu * 1e6 / exchanges,
      PerExchange(bareCounted.syscalls, countedExchanges).c_str());
  std::printf(
      "  station: slowest line's cycle %.1f ms (limit %.1f ms): %.4f; host CPU %.3f s in %.1f s "
      "= %.2f %% of a core, %.1f us a state exchange, %s system calls an exchange; %.3f x "
      "the floor (median of rounds: %s)\n",
      worst, limit, ratio, station.cpu, station.wall, share * 100, station.cpu * 1e6 / exchanges,
      PerExchange(stationCounted.syscalls, countedExchanges).c_str(), overFloor,
      RatiosText(contenders[2].overFloor).c_str());
  std::printf(
      "  the port alone (no driver): %.2f %% of a core, %.1f us an exchange; %.3f x the "
      "floor (median of rounds: %s)\n",
      aloneShare * 100, alone.cpu * 1e6 / exchanges, aloneOverFloor,
      RatiosText(contenders[1].overFloor).c_str());
  bench::Row("station: cycle, slowest of 20 lines", bench::Ms(worst), bench::Ms(limit), ratio,
             ">= 0.97 (limit/cycle)", ratio >= kStationGoal);
  bench::Row("station floor: bare exchange CPU share", ShareText(floorShare), "-", floorShare,
             "reference", true);
  bench::Row("station: host CPU share", ShareText(share), ShareText(floorShare) + " (floor)",
             overFloor, "<= 1.1 x floor", overFloor <= kCpuOverFloorGoal);
  bench::Row("station: port alone, CPU share", ShareText(aloneShare),
             ShareText(floorShare) + " (floor)", aloneOverFloor, "<= 1.1 x floor",
             aloneOverFloor <= kCpuOverFloorGoal);
  bench::Note("station: system calls per exchange",
              PerExchange(stationCounted.syscalls, countedExchanges),
              PerExchange(bareCounted.syscalls, countedExchanges) + " (floor)");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string section = argc > 1 ? argv[1] : "all";
  const bool all = section == "all";
  try {
    if (section == "smoke") {
      Line(1);
      return 0;
    }
    if (all || section == "line") Line(15);
    if (all || section == "scaling") Scaling(2.5);
    if (all || section == "station") Station(kStationRounds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "line_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
