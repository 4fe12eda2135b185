// FloorLine.h — the floor under a station's CPU share: what any port that
// blocks a thread per line must do for a state exchange, and nothing else —
// write the frame, wait for the reply's first byte, sleep through the rest of
// its wire time, read it. No driver, no reply check, no trace, no record: the
// least a synchronous port can spend per exchange on this machine, which the
// station's share is measured against.
#ifndef KAVO5000_BENCH_FLOORLINE_H
#define KAVO5000_BENCH_FLOORLINE_H

#include <array>
#include <string>
#include <vector>

#include "LineProtocol.h"

namespace kavo5000::bench {

// A state reply: 02, r1 and r2 each with its complement, 03 03, the sum.
inline constexpr std::size_t kStateReplyBytes = 8;

// The state query of linear nozzle number `nozzle`, framed.
wire::Bytes StateQuery(int nozzle);

class FloorLine {
 public:
  // Opens the serial device (a served simulator's pseudo-terminal) raw at
  // the benchmark's rate, with the state query of every linear nozzle
  // number 1..nozzles ready. Throws std::system_error.
  FloorLine(const std::string& device, int nozzles);
  ~FloorLine();
  FloorLine(const FloorLine&) = delete;
  FloorLine& operator=(const FloorLine&) = delete;

  // One state query to linear nozzle `nozzle`; true when the whole reply came.
  bool Exchange(int nozzle);

 private:
  int fd_ = -1;
  std::vector<wire::Bytes> frames_;  // by linear nozzle number − 1
  std::array<wire::Byte, wire::kMaxFrame> reply_{};
};

}  // namespace kavo5000::bench

#endif  // KAVO5000_BENCH_FLOORLINE_H
