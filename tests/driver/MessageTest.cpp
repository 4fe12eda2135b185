// The exceptions' Windows-1251 form of their messages.
#include <gtest/gtest.h>

#include <string>

#include "kavo5000/Kavo5000.h"

namespace kavo5000 {
namespace {

struct Cp1251Case {
  const char* utf8;
  std::string cp1251;
};

class MessageCp1251Test : public ::testing::TestWithParam<Cp1251Case> {};

TEST_P(MessageCp1251Test, ConvertsTheMessage) {
  const Exception e(GetParam().utf8);
  EXPECT_STREQ(e.what(), GetParam().utf8);
  EXPECT_EQ(e.MessageCp1251(), GetParam().cp1251);
}

INSTANTIATE_TEST_SUITE_P(Texts, MessageCp1251Test,
                         ::testing::Values(Cp1251Case{"Can't GetSost", "Can't GetSost"},
                                           Cp1251Case{"Цена", "\xD6\xE5\xED\xE0"},
                                           Cp1251Case{"АЯая", "\xC0\xDF\xE0\xFF"},
                                           Cp1251Case{"Ёё №5",
                                                      "\xA8\xB8 \xB9"
                                                      "5"},
                                           Cp1251Case{"€", "\x88"}, Cp1251Case{"日本", "??"},
                                           Cp1251Case{"a\xD0",
                                                      "a?"},  // cut off in the middle of a letter
                                           Cp1251Case{"\xFF"
                                                      "b",
                                                      "?b"},  // not UTF-8 at all
                                           Cp1251Case{"\xD0"
                                                      "b",
                                                      "?b"}));  // a lead byte without its follower

TEST(Cp1251ToUtf8Test, ReadsTheDescriptionsBytesBack) {
  EXPECT_EQ(Cp1251ToUtf8("v2.41#\xCF\xF0\xEE\xF2\xEE\xEA\xEE\xEB \xB9\xA8\xB8"),
            "v2.41#Протокол №Ёё");
  EXPECT_EQ(Cp1251ToUtf8("\x88\x98"), "€?");  // 0x98 is unassigned
  for (const char* text : {"Номер колонки выходит за допустимый диапозон", "Can't GetSost"}) {
    EXPECT_EQ(Cp1251ToUtf8(Exception(text).MessageCp1251()), text);
  }
}

TEST(ESerialIOTest, IsAnException) {
  try {
    throw ESerialIO("Can't GetType");
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Can't GetType");
  }
}

}  // namespace
}  // namespace kavo5000
