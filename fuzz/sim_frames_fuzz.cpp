// sim_frames_fuzz.cpp — the simulator's side of the line on arbitrary bytes:
// the frame stream cuts them (arriving in chunks of the input's choosing)
// into frames, and a line of controllers answers each. Every frame handed on
// must begin with the frame start byte and be no longer than a frame can be,
// every answer no longer than a reply can be, and nothing may be left
// pending that a complete frame would have taken.
#include <cstdint>

#include "Clock.h"
#include "FrameStream.h"
#include "Frames.h"
#include "FuzzInput.h"
#include "Line.h"

namespace {

using kavo5000::fuzz::FuzzInput;
using kavo5000::fuzz::Violation;
namespace sim = kavo5000::sim;
namespace wire = kavo5000::wire;

constexpr int kControllers = 8;
constexpr auto kBetweenChunks = std::chrono::milliseconds(30);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  sim::LineConfig config = sim::DefaultLineConfig(kControllers);
  config.behaviour.customer.liftAfter = sim::Seconds(in.Byte() % 4);
  config.behaviour.customer.hangAfter = sim::Seconds(in.Byte() % 4);
  sim::Line line(config);
  sim::FrameStream stream;
  sim::Instant now{};
  while (!in.Empty()) {
    const std::size_t chunk = 1 + in.Byte() % 32;
    for (const wire::Bytes& frame : stream.Feed(in.Take(chunk))) {
      if (frame.empty() || frame.front() != wire::kFrameStart)
        Violation("a frame handed on does not begin with the start byte");
      if (frame.size() > wire::kMaxFrame) Violation("a frame handed on is longer than any frame");
      const sim::LineReply reply = line.Receive(frame, now);
      if (reply.bytes.size() > wire::kMaxFrame) Violation("an answer longer than any reply");
    }
    now += kBetweenChunks;
    line.Advance(now);
  }
  return 0;
}
