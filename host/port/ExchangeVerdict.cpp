// ExchangeVerdict.cpp — the one place a verdict's trace text is spelt.
#include "ExchangeVerdict.h"

#include <array>
#include <cstddef>

namespace kavo5000::host {

namespace {
struct Spelling {
  ExchangeVerdict verdict;
  std::string_view text;
};

// In the enum's order, so that a verdict is its own index here.
constexpr std::array kSpellings = {
    Spelling{ExchangeVerdict::kValid, "valid"},
    Spelling{ExchangeVerdict::kNoReply, "no reply"},
    Spelling{ExchangeVerdict::kBadChecksum, "bad checksum"},
    Spelling{ExchangeVerdict::kNoStartByte, "no start byte"},
    Spelling{ExchangeVerdict::kMalformed, "malformed"},
    Spelling{ExchangeVerdict::kIncomplete, "incomplete"},
    Spelling{ExchangeVerdict::kTransportFailure, "transport failure"},
    Spelling{ExchangeVerdict::kNotAwaited, "not awaited"},
};

constexpr bool EveryVerdictInItsPlace() {
  for (std::size_t i = 0; i < kSpellings.size(); ++i) {
    if (static_cast<std::size_t>(kSpellings[i].verdict) != i) return false;
  }
  return static_cast<std::size_t>(ExchangeVerdict::kNotAwaited) + 1 == kSpellings.size();
}
static_assert(EveryVerdictInItsPlace(), "a verdict without its trace text, or out of order");
}  // namespace

std::string_view VerdictText(ExchangeVerdict verdict) {
  return kSpellings[static_cast<std::size_t>(verdict)].text;
}

std::optional<ExchangeVerdict> VerdictFromText(std::string_view text) {
  for (const Spelling& s : kSpellings) {
    if (s.text == text) return s.verdict;
  }
  return std::nullopt;
}

}  // namespace kavo5000::host
