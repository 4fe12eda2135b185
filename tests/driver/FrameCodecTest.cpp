// Nozzle addressing and command framing, as byte vectors.
#include <gtest/gtest.h>

#include <vector>

#include "FrameCodec.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::driver {
namespace {

using Bytes = std::vector<Byte>;

struct AddressCase {
  int nozzlesPerDispenser;
  int dispenser;
  int nozzle;
  Byte group;
  Byte address;
};

class NozzleAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(NozzleAddressTest, GivesGroupAndAddressBytes) {
  const AddressCase& c = GetParam();
  const AddressBytes got =
      NozzleAddress(static_cast<Byte>(c.nozzlesPerDispenser), c.dispenser, c.nozzle);
  EXPECT_EQ(got.group, c.group);
  EXPECT_EQ(got.address, c.address);
}

INSTANTIATE_TEST_SUITE_P(Addresses, NozzleAddressTest,
                         ::testing::Values(
                             // Four nozzles per dispenser.
                             AddressCase{4, 1, 1, 0x02, 0x21}, AddressCase{4, 1, 0, 0x02, 0x21},
                             AddressCase{4, 4, 3, 0x02, 0x2F}, AddressCase{4, 4, 4, 0x07, 0x21},
                             AddressCase{4, 8, 2, 0x07, 0x20},
                             // Fifteen per dispenser: v = 15, 16, 29, 30, 31, 45, 46.
                             AddressCase{15, 1, 15, 0x02, 0x2F}, AddressCase{15, 2, 1, 0x07, 0x21},
                             AddressCase{15, 2, 14, 0x07, 0x2E}, AddressCase{15, 2, 15, 0x07, 0x20},
                             AddressCase{15, 3, 1, 0x08, 0x21}, AddressCase{15, 3, 15, 0x08, 0x20},
                             AddressCase{15, 4, 1, 0x09, 0x21},
                             // No nozzles configured: the nozzle number alone places it.
                             AddressCase{0, 7, 3, 0x02, 0x23}));

TEST(LinearNozzleNumberTest, CountsNozzleZeroAsOne) {
  EXPECT_EQ(LinearNozzleNumber(4, 3, 0), 9);
  EXPECT_EQ(LinearNozzleNumber(4, 3, 1), 9);
  EXPECT_EQ(LinearNozzleNumber(15, 3, 15), 45);
  // Typed numbers of any size: 4 × 536870912 + 1 does not fit 32 bits.
  EXPECT_EQ(LinearNozzleNumber(4, 536870913, 1), 2147483649);
  EXPECT_EQ(LinearNozzleNumber(15, -2147483647 - 1, 0), -32212254734);
}

struct FrameCase {
  const char* name;
  Bytes command;
  Bytes frame;
};

class BuildFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(BuildFrameTest, FramesCommandBytes) {
  const FrameCase& c = GetParam();
  const Frame frame = BuildFrame(c.command);
  EXPECT_EQ(Bytes(frame.view().begin(), frame.view().end()), c.frame);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, BuildFrameTest,
    ::testing::Values(
        FrameCase{
            "type", {0x02, 0x21, '7'}, {0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x55}},
        FrameCase{
            "state", {0x02, 0x21, '1'}, {0x7F, 0x02, 0x21, 0x5E, 0x31, 0x4E, 0x03, 0x03, 0x53}},
        FrameCase{
            "start", {0x02, 0x21, '2'}, {0x7F, 0x02, 0x21, 0x5E, 0x32, 0x4D, 0x03, 0x03, 0x50}},
        FrameCase{"single", {0x09}, {0x7F, 0x09, 0x03, 0x03, 0x43}},
        FrameCase{"presetVolume",
                  {0x02, 0x21, 0x54, 0x30, 0x31, 0x32, 0x35, 0x30},
                  {0x7F, 0x02, 0x21, 0x5E, 0x54, 0x2B, 0x30, 0x4F, 0x31, 0x4E, 0x32, 0x4D, 0x35,
                   0x4A, 0x30, 0x4F, 0x03, 0x03, 0x40}},
        FrameCase{"readParam",
                  {0x02, 0x21, 0x4E, 0x4A},
                  {0x7F, 0x02, 0x21, 0x5E, 0x4E, 0x31, 0x4A, 0x35, 0x03, 0x03, 0x66}},
        FrameCase{"commonSwitch",
                  {0x02, 0x57, 0x33, 0x31},
                  {0x7F, 0x02, 0x57, 0x28, 0x33, 0x4C, 0x31, 0x4E, 0x03, 0x03, 0x56}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuildFrameLimitsTest, TakesUpTo126CommandBytes) {
  const Bytes command(126, 0x31);
  const Frame frame = BuildFrame(command);
  EXPECT_EQ(frame.length, 255);
  // 125 bytes 0x31 after c0 XOR to 0x31; with the seed 0x03 and bit 0x40: 0x72.
  EXPECT_EQ(frame.bytes[254], 0x72);
}

TEST(BuildFrameLimitsTest, RefusesLongerOrEmptyCommands) {
  EXPECT_THROW(BuildFrame(Bytes(127, 0x31)), kavo5000::Exception);
  EXPECT_THROW(BuildFrame(Bytes{}), kavo5000::Exception);
}

TEST(RoundHalfEvenTest, SendsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(12.5), 12.0);
  EXPECT_EQ(RoundHalfEven(37.5), 38.0);
  EXPECT_EQ(RoundHalfEven(0.125 * 100), 12.0);
  EXPECT_EQ(RoundHalfEven(1.15 * 100), 115.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(2.4999), 2.0);
}

}  // namespace
}  // namespace kavo5000::driver
