// Hex text as people type it and as traces print it.
#include <gtest/gtest.h>

#include "Hex.h"

namespace kavo5000::wire {
namespace {

TEST(WireHex, ReadsTheUsualSpellings) {
  EXPECT_EQ(ParseHex("7F 02 21"), (Bytes{0x7F, 0x02, 0x21}));
  EXPECT_EQ(ParseHex("7f0221"), (Bytes{0x7F, 0x02, 0x21}));
  EXPECT_EQ(ParseHex("0x7F,0x02"), (Bytes{0x7F, 0x02}));
  EXPECT_FALSE(ParseHex("7F 2"));
  EXPECT_FALSE(ParseHex("GG"));
  EXPECT_EQ(Hex(Bytes{0x7F, 0x02}), "7F 02");
}

}  // namespace
}  // namespace kavo5000::wire
