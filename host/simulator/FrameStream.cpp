// FrameStream.cpp — assembling command frames from a byte stream.
#include "FrameStream.h"

#include <algorithm>

#include "Frames.h"

namespace kavo5000::sim {

namespace {
constexpr std::int64_t kBitsPerByte = 10;  // start bit, eight data bits, stop bit
constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
}  // namespace

std::vector<Bytes> FrameStream::Feed(std::span<const Byte> bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  std::vector<Bytes> frames;
  for (;;) {
    const auto start = std::find(pending_.begin(), pending_.end(), wire::kFrameStart);
    pending_.erase(pending_.begin(), start);
    if (pending_.empty()) break;
    const wire::ParsedFrame parsed = wire::ParseFrame(pending_);
    if (parsed.verdict == wire::FrameVerdict::kIncomplete) break;
    if (parsed.verdict == wire::FrameVerdict::kGood ||
        parsed.verdict == wire::FrameVerdict::kBadChecksum) {
      const auto end = pending_.begin() + static_cast<std::ptrdiff_t>(parsed.length);
      frames.emplace_back(pending_.begin(), end);
      pending_.erase(pending_.begin(), end);
    } else {
      // A broken frame: hand it on as far as it went, and look for the next
      // start byte after this one.
      frames.emplace_back(pending_.begin(), pending_.begin() + 1);
      pending_.erase(pending_.begin());
    }
  }
  return frames;
}

std::chrono::nanoseconds WireTime(std::size_t bytes, int baud) {
  if (baud <= 0) return std::chrono::nanoseconds::zero();
  return std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) * kBitsPerByte *
                                  kNanosPerSecond / baud);
}

}  // namespace kavo5000::sim
