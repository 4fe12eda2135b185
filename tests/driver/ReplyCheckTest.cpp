// Judging replies: the pure verdict on byte vectors, and what the driver's
// check reports to the port while a reply arrives.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "DriverProbe.h"
#include "FrameCodec.h"
#include "ScriptedPort.h"
#include "VM30.h"

namespace kavo5000::driver {
namespace {

using Bytes = std::vector<Byte>;

// Exactly `bytes.size()` bytes on the heap, so that the sanitizer sees any
// read beyond them.
std::unique_ptr<Byte[]> ExactCopy(const Bytes& bytes) {
  auto copy = std::make_unique<Byte[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), copy.get());
  return copy;
}

Bytes SixtyDataBytes() {
  Bytes data;
  for (int i = 0; i < 60; ++i) data.push_back(static_cast<Byte>('0' + i % 10));
  return testing::DataReply(data);
}

struct VerdictCase {
  const char* name;
  Bytes received;
  bool accepted;
  std::optional<Byte> state;
  std::int32_t error;
  Bytes kept;  // the buffer's first `length` bytes afterwards
};

class CheckReplyTest : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(CheckReplyTest, JudgesTheBytesReceived) {
  const VerdictCase& c = GetParam();
  auto buffer = ExactCopy(c.received);
  const ReplyVerdict v = CheckReply(std::span<Byte>(buffer.get(), c.received.size()));
  EXPECT_EQ(v.accepted, c.accepted);
  EXPECT_EQ(v.lineState, c.state);
  EXPECT_EQ(v.lineError, c.error);
  ASSERT_EQ(v.length, c.kept.size());
  EXPECT_EQ(Bytes(buffer.get(), buffer.get() + v.length), c.kept);
}

const Bytes kTwoDigits{0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x42};

INSTANTIATE_TEST_SUITE_P(
    Verdicts, CheckReplyTest,
    ::testing::Values(
        VerdictCase{"ackAfterNoise", {0xFF, 0xFF, 0x06}, true, 1, 0, {0x06}},
        VerdictCase{"nak", {0x15}, true, 1, 0, {0x15}},
        VerdictCase{"refusal", {0x18}, true, 1, 0, {0x18}},
        VerdictCase{
            "emptyDataReply", {0x02, 0x03, 0x03, 0x43}, true, 1, 0, {0x02, 0x03, 0x03, 0x43}},
        VerdictCase{"twoDataBytes", kTwoDigits, true, 1, 0, kTwoDigits},
        VerdictCase{"noiseBeforeData",
                    {0xFF, 0x00, 0x7F, 0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x42},
                    true,
                    1,
                    0,
                    kTwoDigits},
        VerdictCase{"wrongChecksum",
                    {0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x43},
                    false,
                    std::nullopt,
                    222,
                    {0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x43}},
        VerdictCase{"wrongComplement",
                    {0x02, 0x31, 0x4F, 0x30, 0x4F, 0x03, 0x03, 0x42},
                    false,
                    3,
                    246,
                    {0x02, 0x31, 0x4F, 0x30, 0x4F, 0x03, 0x03, 0x42}},
        VerdictCase{"thirdLastNotEnd",
                    {0x02, 0x31, 0x4E, 0x30, 0x4F, 0x04, 0x03, 0x42},
                    false,
                    3,
                    246,
                    {0x02, 0x31, 0x4E, 0x30, 0x4F, 0x04, 0x03, 0x42}},
        VerdictCase{"secondLastNotEnd",
                    {0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x04, 0x42},
                    false,
                    3,
                    246,
                    {0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x04, 0x42}},
        VerdictCase{"noStartByte", {0x01, 0x07, 0xFF, 0x7F}, false, std::nullopt, 223, {}},
        VerdictCase{"nothingReceived", {}, false, std::nullopt, 223, {}},
        VerdictCase{"onlyReplyStart", {0x02}, false, 3, 246, {0x02}},
        VerdictCase{"startAndOneEnd", {0x02, 0x03}, false, 3, 246, {0x02, 0x03}},
        VerdictCase{"threeBytes", {0x02, 0x03, 0x03}, false, 3, 246, {0x02, 0x03, 0x03}},
        VerdictCase{"noiseThenShortStart", {0x00, 0x02, 0x03}, false, 3, 246, {0x02, 0x03}},
        VerdictCase{"sixtyDataBytes", SixtyDataBytes(), true, 1, 0, SixtyDataBytes()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckReplyTest, SixtyDataBytesStandAtOddPositions) {
  Bytes reply = SixtyDataBytes();
  ASSERT_EQ(reply.size(), 124u);
  const ReplyVerdict v = CheckReply(reply);
  ASSERT_TRUE(v.accepted);
  for (int j = 1; j <= 60; ++j) EXPECT_EQ(reply[2 * j - 1], '0' + (j - 1) % 10) << j;
}

// What the driver's check tells the port, in order.
struct PortReportCase {
  const char* name;
  Bytes received;
  std::vector<std::pair<std::string, std::int32_t>> reports;
  bool accepted;
};

class DriverReplyCheckTest : public ::testing::TestWithParam<PortReportCase> {};

TEST_P(DriverReplyCheckTest, ReportsStateAndErrorToThePort) {
  const PortReportCase& c = GetParam();
  testing::ScriptedPort port;
  VM30Driver driver(0, 0, &port);
  auto buffer = ExactCopy(c.received);
  Byte length = static_cast<Byte>(c.received.size());
  EXPECT_EQ(DriverProbe(driver).ReplyCheck(3, buffer.get(), &length), c.accepted);
  std::vector<std::pair<std::string, std::int32_t>> reports;
  for (const auto& call : port.Calls()) {
    EXPECT_EQ(call.channel, 3);
    reports.emplace_back(call.name, call.arg);
  }
  EXPECT_EQ(reports, c.reports);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, DriverReplyCheckTest,
    ::testing::Values(
        PortReportCase{"accepted", kTwoDigits, {{"SetLineState", 1}, {"SetLineError", 0}}, true},
        PortReportCase{"malformed",
                       {0x02, 0x31, 0x4F, 0x30, 0x4F, 0x03, 0x03, 0x42},
                       {{"SetLineState", 3}, {"SetLineError", 246}},
                       false},
        PortReportCase{"checksum",
                       {0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x43},
                       {{"SetLineError", 222}},
                       false},
        PortReportCase{"noStart", {0x55}, {{"SetLineError", 223}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DriverReplyCheckLengthTest, WritesBackTheLengthKept) {
  testing::ScriptedPort port;
  VM30Driver driver(0, 0, &port);
  Byte buffer[3] = {0xFF, 0xFF, 0x06};
  Byte length = 3;
  std::size_t accepted = 0;
  EXPECT_TRUE(DriverProbe(driver).ReplyCheck(1, buffer, &length, &accepted));
  EXPECT_EQ(length, 1);
  EXPECT_EQ(buffer[0], 0x06);
  EXPECT_EQ(accepted, 1u);
}

}  // namespace
}  // namespace kavo5000::driver
