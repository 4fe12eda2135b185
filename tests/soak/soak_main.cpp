// soak_main.cpp — the full noisy-line soak for `make reliability`: runs it
// (100 000 exchanges unless told otherwise) and prints its figures as rows of
// the reliability table (tab-separated, after "ROW"): what, figure, goal,
// met. Exits non-zero when a goal is missed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Soak.h"

namespace {

bool Row(const std::string& what, std::uint64_t figure, const char* goal, bool met) {
  std::printf("ROW\tsoak: %s\t%llu\t%s\t%s\n", what.c_str(),
              static_cast<unsigned long long>(figure), goal, met ? "yes" : "NO");
  return met;
}

void Info(const std::string& what, std::uint64_t figure) {
  std::printf("ROW\tsoak: %s\t%llu\t\t\n", what.c_str(), static_cast<unsigned long long>(figure));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kavo5000::soak;
  SoakSettings settings;
  if (argc > 1) settings.exchanges = std::strtoull(argv[1], nullptr, 10);
  if (argc > 2) settings.noise.seed = settings.seed = std::strtoull(argv[2], nullptr, 10);
  const SoakTally t = RunSoak(settings);

  bool ok = true;
  Info("exchanges", t.exchanges);
  Info("operations", t.operations);
  Info("exchanges spoiled by the line", t.faultyExchanges);
  for (unsigned k = 0; k < kFaultKinds; ++k) Info(std::string("  ") + FaultName(k), t.byKind[k]);
  Info("  bytes corrupted (1 % per byte)", t.corruptedBytes);
  Info("spoiled, detected (reply refused)", t.detected);
  Info("spoiled, absorbed (reply intact)", t.absorbed);
  Info("spoiled, accepted: no check can see it", t.mistakenUndetectable);
  Info("  a lone control byte (it carries no check)", t.mistakenControlByte);
  Info("    a refusal read as acceptance, or back", t.outcomeTurned);
  Info("  a data reply, complements and checksum right",
       t.mistakenUndetectable - t.mistakenControlByte);
  ok &= Row("spoiled, accepted: driver fault", t.mistakenDriverFault, "0",
            t.mistakenDriverFault == 0);
  Info("values reported valid, checked", t.valuesChecked);
  Info("wrong values: no check can see it", t.wrongValuesUndetectable);
  ok &= Row("wrong values: driver fault", t.wrongValuesDriverFault, "0",
            t.wrongValuesDriverFault == 0);
  ok &= Row("crashes and operations that raised", t.operationsRaised, "0", t.operationsRaised == 0);
  ok &= Row("unrecovered lines", t.unrecovered, "0", t.unrecovered == 0);
  return ok ? 0 : 1;
}
