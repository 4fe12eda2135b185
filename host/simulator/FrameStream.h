// FrameStream.h — cuts the bytes a controller hears into command frames:
// noise before a start byte is skipped, a frame split over several reads is
// put together, a broken frame is given up so that the next one is found.
#ifndef KAVO5000_SIM_FRAMESTREAM_H
#define KAVO5000_SIM_FRAMESTREAM_H

#include <chrono>
#include <span>
#include <vector>

#include "Protocol.h"

namespace kavo5000::sim {

class FrameStream {
 public:
  // Takes received bytes; returns the frames they complete, in order, each
  // as its raw bytes (sound or not: the line judges them).
  std::vector<Bytes> Feed(std::span<const Byte> bytes);
  // Forgets a frame begun but not finished (after a pause on the line).
  void Reset() { pending_.clear(); }
  bool Pending() const { return !pending_.empty(); }

 private:
  Bytes pending_;
};

// Time the line needs for `bytes` bytes at `baud`, ten bits per byte (start,
// eight data bits, stop). Zero when baud is 0 (no pacing).
std::chrono::nanoseconds WireTime(std::size_t bytes, int baud);

}  // namespace kavo5000::sim

#endif  // KAVO5000_SIM_FRAMESTREAM_H
