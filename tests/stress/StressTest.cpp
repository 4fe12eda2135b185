// Twenty-two threads on one driver object: no two exchanges ever meet on a
// channel, every answer reaches the thread that asked, nothing raises. The
// thread sanitizer build runs the same operations, and with it no data race
// may be reported.
#include <gtest/gtest.h>

#include "ChannelStress.h"

namespace kavo5000::stress {
namespace {

constexpr std::uint64_t kOperations = 50'000;

TEST(ChannelStressTest, ExchangesNeverMeetOnAChannel) {
  const StressResult r = RunStress(kOperations);
  EXPECT_EQ(r.operations, kOperations);
  EXPECT_EQ(r.overlaps, 0u);
  EXPECT_EQ(r.wrongAnswers, 0u);
  EXPECT_EQ(r.raised, 0u);
  EXPECT_GT(r.exchanges, kOperations);
}

}  // namespace
}  // namespace kavo5000::stress
