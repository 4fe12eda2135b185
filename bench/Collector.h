// Collector.h — a Google Benchmark reporter that prints as the console one
// does and keeps each benchmark's real time per iteration, in milliseconds,
// for the rows a benchmark program prints after its runs.
#ifndef KAVO5000_BENCH_COLLECTOR_H
#define KAVO5000_BENCH_COLLECTOR_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace kavo5000::bench {

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

}  // namespace kavo5000::bench

#endif  // KAVO5000_BENCH_COLLECTOR_H
