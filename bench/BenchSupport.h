// BenchSupport.h — what the benchmarks share: the line's yardstick (ten bits
// a byte at the line rate), the configuration their driver objects take, and
// the rows of the table `make bench` prints. The module comes from the kit's
// loader and served simulators from its SimProcess, as the tests get them.
#ifndef KAVO5000_BENCH_BENCHSUPPORT_H
#define KAVO5000_BENCH_BENCHSUPPORT_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kavo5000::bench {

inline constexpr int kBaud = 4800;
// Nozzles per dispenser, the low bits of the configuration byte GetVM30 takes.
inline constexpr std::uint32_t kConfigFourNozzles = 4;

// Milliseconds `bytes` bytes take on the line at `baud`, ten bits each.
inline double WireMs(std::size_t bytes, int baud = kBaud) {
  return static_cast<double>(bytes) * 10.0 * 1000.0 / baud;
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One row of the table: tab-separated after "ROW", gathered by
// bench/table.sh. Milliseconds; "-" where a column does not apply.
inline void Row(const std::string& operation, const std::string& median, const std::string& wire,
                double ratio, const std::string& goal, bool met) {
  std::printf("ROW\t%s\t%s\t%s\t%.4g\t%s\t%s\n", operation.c_str(), median.c_str(), wire.c_str(),
              ratio, goal.c_str(), met ? "met" : "not met");
  std::fflush(stdout);
}

// A row that reports a count beside its yardstick, with no goal of its own.
inline void Note(const std::string& operation, const std::string& value,
                 const std::string& beside) {
  std::printf("ROW\t%s\t%s\t%s\t-\tcounted\t-\n", operation.c_str(), value.c_str(), beside.c_str());
  std::fflush(stdout);
}

inline std::string Ms(double ms) {
  char text[32];
  if (ms >= 100) {
    std::snprintf(text, sizeof text, "%.1f ms", ms);
  } else if (ms >= 0.01) {
    std::snprintf(text, sizeof text, "%.3f ms", ms);
  } else {
    std::snprintf(text, sizeof text, "%.1f ns", ms * 1e6);
  }
  return text;
}

}  // namespace kavo5000::bench

#endif  // KAVO5000_BENCH_BENCHSUPPORT_H
