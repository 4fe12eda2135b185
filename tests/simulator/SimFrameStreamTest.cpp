// The simulator's reassembly of frames from a byte stream, and the time the
// line needs for bytes at a baud rate.
#include <gtest/gtest.h>

#include "FrameStream.h"
#include "Frames.h"

namespace kavo5000::sim {
namespace {

using wire::FrameVerdict;
using wire::ParseFrame;

TEST(SimFrameStream, ReassemblesFramesAcrossReadsAndSkipsNoise) {
  const Bytes type = {0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x55};
  FrameStream stream;
  Bytes first = {0x00, 0xFF};
  first.insert(first.end(), type.begin(), type.begin() + 4);
  EXPECT_TRUE(stream.Feed(first).empty());
  EXPECT_TRUE(stream.Pending());
  Bytes rest(type.begin() + 4, type.end());
  rest.insert(rest.end(), type.begin(), type.end());  // a second frame in the same read
  const auto frames = stream.Feed(rest);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], type);
  EXPECT_EQ(frames[1], type);
  EXPECT_FALSE(stream.Pending());
}

TEST(SimFrameStream, GivesUpABrokenFrameAndFindsTheNext) {
  const Bytes type = {0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x55};
  Bytes bytes = {0x7F, 0x02, 0x21, 0x00};  // a complement that is wrong
  bytes.insert(bytes.end(), type.begin(), type.end());
  FrameStream stream;
  const auto frames = stream.Feed(bytes);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_NE(ParseFrame(frames[0]).verdict, FrameVerdict::kGood);
  EXPECT_EQ(frames[1], type);
}

TEST(SimWireTime, TenBitsPerByte) {
  EXPECT_EQ(WireTime(1, 4800).count(), 2083333);
  EXPECT_EQ(WireTime(48, 4800), std::chrono::milliseconds(100));
  EXPECT_EQ(WireTime(10, 0).count(), 0);
}

}  // namespace
}  // namespace kavo5000::sim
