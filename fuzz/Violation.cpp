// Violation.cpp — how a fuzz target reports a broken invariant: a message on
// stderr and an abort, which libFuzzer and the replay both count as a crash.
#include <cstdio>
#include <cstdlib>

#include "FuzzInput.h"

namespace kavo5000::fuzz {

void Violation(const char* what) {
  std::fputs("invariant broken: ", stderr);
  std::fputs(what, stderr);
  std::fputs("\n", stderr);
  std::abort();
}

}  // namespace kavo5000::fuzz
