// ExchangeVerdict.cpp — the one place a verdict's trace text is spelt.
#include "ExchangeVerdict.h"

#include <array>

namespace kavo5000::host {

namespace {
// Every verdict, for reading a trace's text back.
constexpr std::array kEveryVerdict = {
    ExchangeVerdict::kValid,
    ExchangeVerdict::kNoReply,
    ExchangeVerdict::kBadChecksum,
    ExchangeVerdict::kNoStartByte,
    ExchangeVerdict::kMalformed,
    ExchangeVerdict::kIncomplete,
    ExchangeVerdict::kTransportFailure,
    ExchangeVerdict::kNotAwaited,
};
}  // namespace

std::string_view VerdictText(ExchangeVerdict verdict) {
  // No default: a verdict added without its text does not compile quietly.
  switch (verdict) {
    case ExchangeVerdict::kValid:
      return "valid";
    case ExchangeVerdict::kNoReply:
      return "no reply";
    case ExchangeVerdict::kBadChecksum:
      return "bad checksum";
    case ExchangeVerdict::kNoStartByte:
      return "no start byte";
    case ExchangeVerdict::kMalformed:
      return "malformed";
    case ExchangeVerdict::kIncomplete:
      return "incomplete";
    case ExchangeVerdict::kTransportFailure:
      return "transport failure";
    case ExchangeVerdict::kNotAwaited:
      return "not awaited";
  }
  return "unknown";
}

std::optional<ExchangeVerdict> VerdictFromText(std::string_view text) {
  for (const ExchangeVerdict verdict : kEveryVerdict) {
    if (VerdictText(verdict) == text) return verdict;
  }
  return std::nullopt;
}

}  // namespace kavo5000::host
