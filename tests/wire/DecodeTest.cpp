// The decoder's annotations of frames and replies, sound and broken.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kavo5000::wire
