// The scripted port itself: it must feed replies the way a real port does and
// notice overlapping sends, or the tests built on it prove nothing.
#include <gtest/gtest.h>

#include "ScriptedPort.h"

namespace kavo5000::testing {
namespace {

// A check that accepts once it holds `want` bytes, dropping a leading 0xFF
// the way a reply check drops noise.
struct CountingCheck {
  std::size_t want;
  std::vector<std::size_t> seen;
  static bool KAVO5000_CALL Call(void* self, Byte, Byte* buffer, std::int32_t, Byte* length,
                                 std::int32_t) {
    auto* c = static_cast<CountingCheck*>(self);
    c->seen.push_back(*length);
    if (*length > 0 && buffer[0] == 0xFF) {
      for (Byte i = 1; i < *length; ++i) buffer[i - 1] = buffer[i];
      --*length;
    }
    return *length >= c->want;
  }
};

TEST(ScriptedPortTest, FeedsChunksAndHonoursTheLengthTheCheckWritesBack) {
  ScriptedPort port;
  CountingCheck check{3, {}};
  port.SetReplyCheck(1, ReplyCheckRef{&CountingCheck::Call, &check});
  Reply r = Reply::Raw({0x01, 0x02, 0x03, 0x04});
  r.garbage = {0xFF};
  r.chunks = {1, 2, 2};
  port.Queue(1, r);
  Byte frame[1] = {0x7F};
  Byte reply[256] = {};
  EXPECT_EQ(port.Send(1, frame, 1, reply, 8, 0), 0);
  // 1 byte (noise, dropped), then 0 + 2, then 2 + 2: accepted, the last byte unread.
  EXPECT_EQ(check.seen, (std::vector<std::size_t>{1, 2, 4}));
  EXPECT_EQ(reply[0], 0x01);
  EXPECT_EQ(reply[2], 0x03);
}

TEST(ScriptedPortTest, ReportsStatesItSetsItself) {
  ScriptedPort port;
  CountingCheck check{9, {}};
  port.SetReplyCheck(1, ReplyCheckRef{&CountingCheck::Call, &check});
  Byte frame[1] = {0x7F};
  Byte reply[256] = {};
  port.Send(1, frame, 1, reply, 8, 0);
  EXPECT_EQ(port.GetLineState(1), 2);  // nothing arrived
  port.Queue(1, Reply::Raw({0x01}));
  port.Send(1, frame, 1, reply, 8, 0);
  EXPECT_EQ(port.GetLineState(1), 4);  // bytes, but never a complete reply
}

TEST(ScriptedPortTest, NoticesASendStartingWhileAnotherRuns) {
  ScriptedPort port;
  Byte frame[1] = {0x7F};
  Byte inner[256] = {};
  port.SetResponder([&](Byte channel, const Bytes&) -> std::optional<Reply> {
    if (port.SendCount() == 1) port.Send(channel, frame, 1, inner, 2, 0);
    return std::nullopt;
  });
  Byte reply[256] = {};
  port.Send(1, frame, 1, reply, 2, 0);
  EXPECT_EQ(port.Overlaps(), 1);
}

}  // namespace
}  // namespace kavo5000::testing
