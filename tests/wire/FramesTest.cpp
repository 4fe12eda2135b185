// Frames and replies against bytes written out by hand, byte for byte:
// nozzle addresses, framing, checksums and digit fields.
#include <gtest/gtest.h>

#include "Frames.h"

namespace kavo5000::wire {
namespace {

TEST(WireAddress, LinearNumbersAndPairsCorrespond) {
  struct Case {
    int v;
    AddressPair pair;
  };
  const Case cases[] = {
      {1, {0x02, 0x21}},  {15, {0x02, 0x2F}}, {16, {0x07, 0x21}}, {29, {0x07, 0x2E}},
      {30, {0x07, 0x20}}, {31, {0x08, 0x21}}, {45, {0x08, 0x20}}, {46, {0x09, 0x21}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AddressOf(c.v), c.pair) << "v = " << c.v;
    EXPECT_EQ(LinearOf(c.pair), c.v) << "v = " << c.v;
  }
}

TEST(WireAddress, PairsOfNoNozzleAreRejected) {
  const AddressPair none[] = {{0x02, 0x20}, {0x02, 0x30}, {0x03, 0x21},
                              {0x06, 0x21}, {0x07, 0x2F}, {0x02, 'W'}};
  for (const AddressPair& p : none)
    EXPECT_FALSE(LinearOf(p)) << int(p.group) << "/" << int(p.address);
}

TEST(WireFrame, ParsesHandWrittenFrames) {
  const Bytes type = {0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x55};
  ParsedFrame f = ParseFrame(type);
  EXPECT_EQ(f.verdict, FrameVerdict::kGood);
  EXPECT_EQ(f.command, (Bytes{0x02, 0x21, '7'}));
  EXPECT_EQ(f.length, type.size());

  const Bytes lone = {0x7F, 0x05, 0x03, 0x03, 0x43};  // a single command byte
  f = ParseFrame(lone);
  EXPECT_EQ(f.verdict, FrameVerdict::kGood);
  EXPECT_EQ(f.command, (Bytes{0x05}));

  Bytes badSum = type;
  badSum.back() = 0x56;
  EXPECT_EQ(ParseFrame(badSum).verdict, FrameVerdict::kBadChecksum);

  Bytes badComplement = type;
  badComplement[3] = 0x5F;
  EXPECT_EQ(ParseFrame(badComplement).verdict, FrameVerdict::kBadComplement);

  for (std::size_t n = 1; n < type.size(); ++n) {
    EXPECT_EQ(ParseFrame(std::span<const Byte>(type.data(), n)).verdict, FrameVerdict::kIncomplete)
        << n << " bytes";
  }
  EXPECT_EQ(ParseFrame(Bytes{0x02, 0x21}).verdict, FrameVerdict::kNotAFrame);
}

TEST(WireFrame, EncodesTheBytesAHostSends) {
  EXPECT_EQ(EncodeFrame(Bytes{0x02, 0x21, '1'}),
            (Bytes{0x7F, 0x02, 0x21, 0x5E, 0x31, 0x4E, 0x03, 0x03, 0x53}));
  EXPECT_EQ(EncodeFrame(Bytes{0x02, 0x21, 'T', '0', '1', '2', '5', '0'}),
            (Bytes{0x7F, 0x02, 0x21, 0x5E, 0x54, 0x2B, 0x30, 0x4F, 0x31, 0x4E, 0x32, 0x4D, 0x35,
                   0x4A, 0x30, 0x4F, 0x03, 0x03, 0x40}));
}

TEST(WireReply, EncodesAndParsesDataReplies) {
  const Bytes state = {0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x42};
  EXPECT_EQ(EncodeDataReply(Bytes{'1', '0'}), state);
  EXPECT_EQ(EncodeDataReply(Bytes{}), (Bytes{0x02, 0x03, 0x03, 0x43}));

  ParsedReply r = ParseReply(state);
  EXPECT_EQ(r.verdict, ReplyVerdict::kData);
  EXPECT_EQ(r.data, (Bytes{'1', '0'}));

  Bytes badSum = state;
  badSum.back() = 0x43;
  EXPECT_EQ(ParseReply(badSum).verdict, ReplyVerdict::kBadChecksum);
  Bytes badComplement = state;
  badComplement[2] = 0x4F;
  EXPECT_EQ(ParseReply(badComplement).verdict, ReplyVerdict::kMalformed);
  EXPECT_EQ(ParseReply(Bytes{0x02, 0x31, 0x4E}).verdict, ReplyVerdict::kIncomplete);
  EXPECT_EQ(ParseReply(Bytes{0x18}).verdict, ReplyVerdict::kControl);
  EXPECT_EQ(ParseReply(Bytes{0x18}).control, 0x18);
  EXPECT_EQ(ParseReply(Bytes{0xFF, 0x06}).verdict, ReplyVerdict::kNotAReply);
}

TEST(WireDigits, FixedWidthFieldsKeepTheLowDigits) {
  EXPECT_EQ(Digits(42, 4), (Bytes{'0', '0', '4', '2'}));
  EXPECT_EQ(Digits(123456, 3), (Bytes{'4', '5', '6'}));
  EXPECT_TRUE(Digits(7, 0).empty());
  EXPECT_EQ(ParseDigits(Bytes{'0', '1', '2', '5', '0'}), 1250u);
  EXPECT_EQ(ParseDigits(Bytes{}), 0u);
  EXPECT_FALSE(ParseDigits(Bytes{'1', ':'}));
}

}  // namespace
}  // namespace kavo5000::wire
