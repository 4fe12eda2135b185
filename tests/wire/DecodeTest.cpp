// The decoder's annotations of frames and replies, sound and broken.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Decode.h"
#include "Frames.h"

namespace kavo5000::wire {
namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

TEST(WireDecode, AnnotatesWhatGoesWrong) {
  struct Case {
    Bytes bytes;
    const char* expected;
  };
  const Case cases[] = {
      {{0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x56}, "checksum 56: bad (should be 55)"},
      {{0x7F, 0x02, 0x21, 0x5F, 0x37, 0x48, 0x03, 0x03, 0x55}, "complement 5F should be 5E"},
      {{0x7F, 0x02, 0x21, 0x5E}, "incomplete"},
      {{0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x42}, "2 data bytes: 31 30  \"10\""},
      {{0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x43}, "checksum 43: bad (should be 42)"},
      {{0x18}, "control reply 18: refused"},
      {{0x06}, "control reply 06: accepted"},
      {{0x7F, 0x07, 0x20, 0x5F, 0x31, 0x4E, 0x03, 0x03, 0x52}, "nozzle address 30"},
      {{0x7F, 0x02, 0x21, 0x5E, 0x54, 0x2B, 0x30, 0x4F, 0x31, 0x4E, 0x32, 0x4D, 0x35, 0x4A, 0x30,
        0x4F, 0x03, 0x03, 0x40},
       "digits 01250 (12.50)"},
      {{0x7F, 0x02, 0x57, 0x28, 0x33, 0x4C, 0x31, 0x4E, 0x03, 0x03, 0x56},
       "switch code 3, value 1"},
      {{0xAA, 0x06}, "neither a command frame"},
      {EncodeFrame(Bytes{0x02, 0x21, 'O', 'C', '1', '0', '7'}),
       "parameter index 19 'C' (43)\n  value digits 107"},
      {EncodeFrame(Bytes{0x02, 0x21, '6', 0x01, '1', '2', '3'}),
       "set the volume total: digits 123"},
      {EncodeFrame(Bytes{0x02, 0x21}),
       "nozzle address 1 (group 02, address byte 21)\n  no command byte"},
      {{0x7F, 0x02, 0x03, 0x03, 0x43}, "group byte 02 only, no address"},
  };
  for (const Case& c : cases) {
    const std::string text = Joined(Decode(c.bytes));
    EXPECT_NE(text.find(c.expected), std::string::npos) << text;
  }
  const std::string program = Joined(Decode(EncodeFrame(
      Bytes{0x02, ']', '0', '0', '0', '0', '5', '0', '0', '7', '6', '7', '8', '9', '0'})));
  EXPECT_NE(program.find("identification 0000567890, new address 007"), std::string::npos)
      << program;
}

Bytes Ask(int address, std::string command) {
  const AddressPair pair = AddressOf(address);
  Bytes bytes{pair.group, pair.address};
  bytes.insert(bytes.end(), command.begin(), command.end());
  return EncodeFrame(bytes);
}

Bytes Answer(std::string data) {
  return EncodeDataReply(Bytes(data.begin(), data.end()));
}

// A reply read as the answer to its command: states in words, counters split
// into volume and money by the dispenser type's layout.
TEST(WireDecode, ReadsAReplyAsTheAnswerToItsCommand) {
  struct Case {
    std::string command;
    std::string data;
    std::optional<int> type;
    const char* expected;
  };
  const Case cases[] = {
      {"1", "00", {}, "state r1 '0' (30) r2 '0' (30): idle"},
      {"1", "10", {}, "nozzle lifted, not authorised"},
      {"1", "20", {}, "authorised, waiting for the nozzle"},
      {"1", "40", {}, "delivering, fuel flowing"},
      {"1", "41", {}, "delivery finished"},
      {"1", "9", {}, "unknown state '9' (39)"},
      {"4", "401250", {}, "state r1 '4' (34): a delivery, running or ended; volume 12.50 l"},
      {"5",
       "0012500705005640",
       {},
       "volume 12.50 l, money 705.00 (type unknown, read by the default type 1's layout: 6 volume "
       "digits, 6 money digits)"},
      {"5",
       "00125000070500564000",
       {},
       "volume 12.50 l, money 705.00 (type unknown; 20 digits fit the layout of types 2, 6, 7"},
      {"5", "01250007050056400", 8, "volume 12.50 l, money 705.00 (type 8's layout"},
      {"5", "0012500705005640", 2,
       "16 digits do not fit type 2's layout (20); 16 digits fit the layout of types 1, 3, 4, 5"},
      {"5", "564000", 0, "no volume or money (type 0's layout)"},
      {"5", "123456789", {}, "9 digits fit no dispenser type's layout"},
      {"6", "000001048235000472905120", {}, "volume total 10482.35 l, money total 472905.12"},
      {"6", "0000010482", {}, "10 bytes do not hold the totals"},
      {"7", "A", {}, "dispenser type 1 (delivery counters: 6 volume digits, 6 money digits)"},
      {"7", "Z", {}, "no dispenser type"},
      {"NC", "#107", {}, "parameter 19 = 107"},
      {"NC", "#0107", {}, "parameter 19 = 107 (4 digits; the parameter has 3)"},
      {"NC", "#", {}, "parameter 19: the value is not digits"},
  };
  for (const Case& c : cases) {
    const std::string text = Joined(ReplyMeaning(Ask(3, c.command), Answer(c.data), c.type));
    EXPECT_NE(text.find(c.expected), std::string::npos)
        << c.command << " " << c.data << ": " << text;
  }
  // Nothing to read in a control reply, a broken one, or an answer to no frame.
  EXPECT_TRUE(ReplyMeaning(Ask(3, "1"), Bytes{0x18}).empty());
  EXPECT_TRUE(ReplyMeaning(Ask(3, "1"), Bytes{0x02, 0x34, 0x4B, 0x30}).empty());
  EXPECT_TRUE(ReplyMeaning(Bytes{0x7F, 0x02}, Answer("40")).empty());
}

TEST(WireDecode, AnExchangeIsTheFrameTheReplyAndItsMeaning) {
  const std::string answered = Joined(DecodeExchange(Ask(2, "1"), Answer("41")));
  const auto frame = answered.find("nozzle address 2");
  const auto reply = answered.find("data reply, 8 bytes");
  const auto meaning = answered.find("delivery finished");
  EXPECT_TRUE(frame < reply && reply < meaning) << answered;
  const std::string silent = Joined(DecodeExchange(Ask(2, "1"), {}));
  EXPECT_NE(silent.find("command '1' (31): nozzle state\n"), std::string::npos) << silent;
  EXPECT_NE(silent.find("no reply"), std::string::npos) << silent;
}

}  // namespace
}  // namespace kavo5000::wire
