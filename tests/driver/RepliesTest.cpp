// The reply readers on buffers exactly as long as the reply, so that the
// sanitizer sees any read beyond the bytes a reply holds.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "Replies.h"
#include "ScriptedPort.h"

namespace kavo5000::driver {
namespace {

using Bytes = std::vector<Byte>;

class ExactReply {
 public:
  explicit ExactReply(const Bytes& bytes)
      : size_(bytes.size()), bytes_(std::make_unique<Byte[]>(bytes.size())) {
    std::copy(bytes.begin(), bytes.end(), bytes_.get());
  }
  ReplyBytes view() const { return {bytes_.get(), size_}; }

 private:
  std::size_t size_;
  std::unique_ptr<Byte[]> bytes_;
};

TEST(RepliesTest, OutcomeNeedsAValidLineAndAByte) {
  EXPECT_EQ(OutcomeOf(1, ExactReply({0x18}).view()), ReplyOutcome::Refused);
  EXPECT_EQ(OutcomeOf(1, ExactReply({0x06}).view()), ReplyOutcome::Accepted);
  EXPECT_EQ(OutcomeOf(1, ExactReply({0x15}).view()), ReplyOutcome::Accepted);
  EXPECT_EQ(OutcomeOf(1, ExactReply(testing::DataReply({'1'})).view()), ReplyOutcome::Accepted);
  EXPECT_EQ(OutcomeOf(3, ExactReply({0x06}).view()), ReplyOutcome::None);
  EXPECT_EQ(OutcomeOf(1, ExactReply({}).view()), ReplyOutcome::None);
}

TEST(RepliesTest, ALoneAckHoldsNoField) {
  const ExactReply ack({0x06});
  EXPECT_EQ(DataByte(ack.view(), 1), std::nullopt);
  EXPECT_EQ(DigitAt(ack.view(), 2), std::nullopt);
  EXPECT_EQ(DigitField(ack.view(), 1, 6), std::nullopt);
  EXPECT_EQ(DigitField(ack.view(), 1, 0), 0);  // an empty field needs no byte
  EXPECT_EQ(ParamValue(ack.view()), std::nullopt);
}

TEST(RepliesTest, FieldsEndWithTheReply) {
  const ExactReply r(testing::DataReply({'1', '2', '3'}));  // 10 bytes
  EXPECT_EQ(DigitField(r.view(), 1, 3), 123);
  // Data byte 4 is the first end byte, 5 the checksum: inside the reply, read
  // as the digits they are not.
  EXPECT_EQ(DataByte(r.view(), 4), 0x03);
  EXPECT_EQ(DigitAt(r.view(), 4), 0x03 - '0');
  EXPECT_EQ(DataByte(r.view(), 6), std::nullopt);
  EXPECT_EQ(DataByte(r.view(), 0), std::nullopt);
}

TEST(RepliesTest, ParamValueStopsAtTheEndOfTheReply) {
  // Digits up to the last byte and no end to them: too short, not a value.
  EXPECT_EQ(ParamValue(ExactReply({0x02, 0x21, 0x5E, '1', 0x4E}).view()), std::nullopt);
  EXPECT_EQ(ParamValue(ExactReply({0x02, 0x21, 0x5E, '1', 0x4E, 0x03}).view()), 1);
}

}  // namespace
}  // namespace kavo5000::driver
