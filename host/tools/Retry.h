// Retry.h — riding through a glitch on the line: a query that fails is asked
// again a few times, each failure said on stderr, before it is given up.
// Only what the line did is retried; a refusal of the numbers given is not.
#ifndef KAVO5000_TOOL_RETRY_H
#define KAVO5000_TOOL_RETRY_H

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "Cli.h"

namespace kavo5000::tool {

inline constexpr int kQueryAttempts = 5;  // a lost reply or two, not a line gone for good
inline constexpr auto kRetryPause = std::chrono::milliseconds(200);

// Runs `query` until it returns, or has failed kQueryAttempts times in a
// row; then its last failure is thrown on.
template <class F>
auto Retried(F&& query) -> decltype(query()) {
  for (int attempt = 1;; ++attempt) {
    try {
      return query();
    } catch (const ToolError& e) {
      if (attempt == kQueryAttempts) throw;
      std::fflush(stdout);
      std::fprintf(stderr, "kavo5000: %s; asking again (%d of %d)\n", e.what(), attempt + 1,
                   kQueryAttempts);
      std::this_thread::sleep_for(kRetryPause);
    }
  }
}

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_RETRY_H
