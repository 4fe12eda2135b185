// sweep_main.cpp — the bad-input sweep for `make reliability`: prints its
// count as rows of the reliability table and every input answered otherwise
// than documented. Exits non-zero when there is one.
#include <cstdio>
#include <cstdlib>

#include "BadInputSweep.h"

int main(int argc, char** argv) {
  constexpr int kDefaultRandomPerSlot = 1000;
  const int randomPerSlot = argc > 1 ? std::atoi(argv[1]) : kDefaultRandomPerSlot;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  const kavo5000::sweep::SweepResult r = kavo5000::sweep::RunSweep(seed, randomPerSlot);
  for (const std::string& f : r.failures) std::fprintf(stderr, "%s\n", f.c_str());
  const bool ok = r.failures.empty();
  std::printf("ROW\tsweep: inputs tried\t%llu\t\t\n", static_cast<unsigned long long>(r.inputs));
  std::printf("ROW\tsweep: refused as documented, nothing sent\t%llu\t\t\n",
              static_cast<unsigned long long>(r.refused));
  std::printf("ROW\tsweep: carried out, none to refuse\t%llu\t\t\n",
              static_cast<unsigned long long>(r.handled));
  std::printf("ROW\tsweep: answered otherwise than documented\t%zu\t0\t%s\n", r.failures.size(),
              ok ? "yes" : "NO");
  return ok ? 0 : 1;
}
