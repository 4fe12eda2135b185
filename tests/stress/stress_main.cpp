// stress_main.cpp — the concurrency stress for `make reliability`: runs it
// and prints its figures as rows of the reliability table. Exits non-zero
// when exchanges met, an answer went astray or an operation raised.
#include <cstdio>
#include <cstdlib>

#include "ChannelStress.h"

int main(int argc, char** argv) {
  constexpr std::uint64_t kDefaultOperations = 50'000;
  const std::uint64_t operations =
      argc > 1 ? std::strtoull(argv[1], nullptr, 10) : kDefaultOperations;
  const kavo5000::stress::StressResult r = kavo5000::stress::RunStress(operations);
  const bool ok = r.overlaps == 0 && r.wrongAnswers == 0 && r.raised == 0;
  std::printf("ROW\tstress: threads (20 channels, 3 on channel 1)\t%d\t\t\n", r.threads);
  std::printf("ROW\tstress: operations / exchanges\t%llu / %llu\t\t\n",
              static_cast<unsigned long long>(r.operations),
              static_cast<unsigned long long>(r.exchanges));
  std::printf("ROW\tstress: run time\t%lld ms\t\t\n", static_cast<long long>(r.elapsed.count()));
  std::printf("ROW\tstress: exchanges that met on a channel\t%llu\t0\t%s\n",
              static_cast<unsigned long long>(r.overlaps), r.overlaps == 0 ? "yes" : "NO");
  std::printf("ROW\tstress: answers astray, operations raised\t%llu, %llu\t0, 0\t%s\n",
              static_cast<unsigned long long>(r.wrongAnswers),
              static_cast<unsigned long long>(r.raised),
              r.wrongAnswers == 0 && r.raised == 0 ? "yes" : "NO");
  return ok ? 0 : 1;
}
