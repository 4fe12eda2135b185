// The figures read off data replies: what each reply holds, and nothing
// where a reply is too short, not digits, or of a type with no counters.
#include <gtest/gtest.h>

#include <string>

#include "Readings.h"

namespace kavo5000::wire {
namespace {

Bytes Data(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

TEST(WireReadings, EachReplyGivesItsFigureOrNothing) {
  EXPECT_EQ(StateReading(Data("41")), (StateBytes{'4', '1'}));
  EXPECT_EQ(StateReading(Data("4")), std::nullopt);
  EXPECT_EQ(RunningVolumeReading(Data("401250")), 1250u);
  EXPECT_EQ(RunningVolumeReading(Data("40125")), std::nullopt);
  EXPECT_EQ(RunningVolumeReading(Data("4012x0")), std::nullopt);
  EXPECT_EQ(TypeReading(Data("C")), 3);
  EXPECT_EQ(TypeReading(Data("Z")), kTypeFallback);
  EXPECT_EQ(TypeReading(Bytes{}), std::nullopt);
  struct Case {
    const char* data;
    int type;
    std::optional<DeliveryFigures> figures;
  };
  const Case cases[] = {
      {"0012500705005640", 1, DeliveryFigures{1250, 70500}},
      {"00125000070500564000", 2, DeliveryFigures{1250, 70500}},
      {"01250007050056400", 8, DeliveryFigures{1250, 70500}},
      {"001250070500", 1, DeliveryFigures{1250, 70500}},  // the rest is not read
      {"00125007050", 1, std::nullopt},                   // the money cut short
      {"0012500705x05640", 1, std::nullopt},
      {"5640", 0, std::nullopt},  // type 0 carries no volume or money
      {"0012500705005640", 9, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DeliveryReading(Data(c.data), c.type), c.figures) << c.data << " type " << c.type;
  }
}

TEST(WireReadings, ATransactionIsOpenFromTheStartUntilTheClose) {
  struct Case {
    StateBytes state;
    bool open;
    bool flowing;
  };
  const Case cases[] = {
      {{'0', '0'}, false, false}, {{'1', '0'}, false, false}, {{'2', '0'}, true, false},
      {{'3', '0'}, true, false},  {{'4', '0'}, true, true},   {{'4', '1'}, true, false},
      {{'6', '0'}, true, true},   {{'7', '0'}, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TransactionOpen(c.state), c.open) << c.state.r1 << c.state.r2;
    EXPECT_EQ(FuelFlowing(c.state), c.flowing) << c.state.r1 << c.state.r2;
  }
}

}  // namespace
}  // namespace kavo5000::wire
