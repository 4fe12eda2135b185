// State and transaction queries against replies built as a controller sends
// them: nozzle states and the dispenser's summary, the closing path, type,
// delivery and total counters, setting a total, and replies too short for
// their fields.
#include <cstring>

#include "DriverFixture.h"
#include "Messages.h"

namespace kavo5000::driver {
namespace {

class StateQueriesTest : public DriverTest {
 protected:
  // A record filled with a pattern, so that untouched bytes show.
  static StateRecord Patterned() {
    StateRecord r;
    std::memset(&r, 0xAB, sizeof r);
    return r;
  }
  static Byte At(const StateRecord& r, std::size_t offset) {
    return reinterpret_cast<const Byte*>(&r)[offset];
  }
};

TEST_F(StateQueriesTest, PollsEveryNozzleAndPicksTheLiftedOne) {
  for (Byte r1 : {'0', '1', '0', '0'}) Data({r1, '0'});
  StateRecord r = Patterned();
  driver->GetSost(1, 1, 0, &r);
  EXPECT_EQ(CommandChars(), "1111");
  const auto commands = port.Commands();
  for (int n = 0; n < 4; ++n) EXPECT_EQ(commands[n][1], 0x21 + n);
  EXPECT_EQ(r.Summary, 0xE2);
  EXPECT_EQ(r.SummaryNozzle, 2);
  EXPECT_EQ(r.Zero1, 0);
  EXPECT_EQ(r.Zero15, 0);
  const Byte words[] = {0xC0, 0, 0xE2, 0, 0xC0, 0, 0xC0, 0};  // little-endian
  for (std::size_t i = 0; i < sizeof words; ++i) EXPECT_EQ(At(r, 2 + i), words[i]) << i;
  EXPECT_EQ(At(r, 10), 0xAB);  // nozzles 5 and 6 were not queried
  EXPECT_EQ(At(r, 13), 0xAB);
  EXPECT_EQ(tables().NozzleStates[1][1][2], 0xE2);
  EXPECT_EQ(tables().NozzleStates[1][1][1], 0xC0);
}

struct SummaryCase {
  const char* name;
  std::vector<Bytes> answers;  // data bytes per nozzle, in order
  Byte summary;
  Byte summaryNozzle;
};

class SummaryTest : public StateQueriesTest, public ::testing::WithParamInterface<SummaryCase> {};

TEST_P(SummaryTest, ChoosesTheSummaryByClass) {
  // A delivery well under way: '4','0' maps to 0xD0 + n without closing.
  tables().DispensedVolumes[1][1] = 10.0;
  tables().PresetVolumes[1][1] = 20.0;
  for (const Bytes& a : GetParam().answers) Data(a);
  StateRecord r = Patterned();
  driver->GetSost(1, 1, static_cast<Byte>(GetParam().answers.size()), &r);
  EXPECT_EQ(r.Summary, GetParam().summary);
  EXPECT_EQ(r.SummaryNozzle, GetParam().summaryNozzle);
  EXPECT_EQ(port.SendCount(), GetParam().answers.size());  // no closing steps
}

INSTANTIATE_TEST_SUITE_P(
    Classes, SummaryTest,
    ::testing::Values(
        SummaryCase{"deliveringReplacesLifted", {{'1', '0'}, {'4', '0'}}, 0xD2, 2},
        SummaryCase{"deliveringStays", {{'4', '0'}, {'3', '0'}, {'1', '0'}}, 0xD1, 1},
        SummaryCase{"secondNozzleDeliveringStays",
                    {{'0', '0'}, {'6', '0'}, {'1', '0'}, {'2', '0'}},
                    0xD2,
                    2},
        SummaryCase{"finishedStays", {{'3', '0'}, {'4', '0'}, {'1', '0'}}, 0xD9, 1},
        SummaryCase{"controllersOwnCodeStays", {{'7', '0'}, {'1', '0'}, {'4', '0'}}, 0x37, 1},
        SummaryCase{"busyReplacesIdle", {{'0', '0'}, {'2', '0'}}, 0xC8, 2},
        SummaryCase{"liftedReplacesIdle", {{'0', '0'}, {'0', '0'}, {'1', '0'}}, 0xE3, 3},
        SummaryCase{"busyReplacesLifted", {{'1', '0'}, {'2', '0'}}, 0xC8, 2},
        SummaryCase{"liftedDoesNotReplaceLifted", {{'1', '0'}, {'1', '0'}}, 0xE1, 1},
        SummaryCase{"liftedDoesNotReplaceBusy", {{'2', '0'}, {'1', '0'}}, 0xC8, 1},
        SummaryCase{"endByteAsStateIsBusy", {{'0', '0'}, {'5'}}, 0xC8, 2},
        SummaryCase{"idleOnly", {{'0', '0'}, {'0', '0'}}, 0xC0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StateQueriesTest, AClosedDeliveryStaysTheSummary) {
  Data({'4', '1'});  // nozzle 1 finished: the mapping closes it
  Data({'@' + 1});
  Data(Ascii("0012500056380000"));
  Ack();
  Data({'1', '0'});  // nozzle 2 lifted
  Data({'2', '0'});  // nozzle 3 authorised
  StateRecord r = Patterned();
  driver->GetSost(1, 1, 3, &r);
  EXPECT_EQ(CommandChars(), "175811");
  EXPECT_EQ(r.Summary, 0xD8);
  EXPECT_EQ(r.SummaryNozzle, 1);
  EXPECT_EQ(r.Nozzle[1], 0xE2);
}

TEST_F(StateQueriesTest, NozzlesAboveSevenKeepTheClassBits) {
  Reconfigure(0x0F);  // fifteen nozzles per dispenser
  for (int n = 1; n <= 15; ++n) Data({static_cast<Byte>(n == 9 ? '1' : '0'), '0'});
  StateRecord r = Patterned();
  driver->GetSost(1, 1, 40, &r);  // asks for more than the dispenser can have
  EXPECT_EQ(port.SendCount(), 15u);
  EXPECT_EQ(r.Summary, 0xE1);     // 0xE0 + (9 AND 7)
  EXPECT_EQ(r.SummaryNozzle, 9);  // the full number
  EXPECT_EQ(tables().NozzleStates[1][1][9], 0xE1);
  EXPECT_EQ(At(r, 15), 0);  // words only for nozzles 1..6
}

// A count above the dispenser's own nozzles would poll the next dispenser's
// nozzles under this one's name: it is cut to the configured nozzles, and the
// record's other words stay as the caller gave them. With no nozzles
// configured the count is taken as it comes, on addresses 1, 2, ….
TEST_F(StateQueriesTest, ACountAboveTheDispensersNozzlesPollsOnlyItsOwn) {
  const struct {
    Byte config;
    Byte count;
    std::size_t polled;
  } cases[] = {{0x00, 6, 4}, {0x02, 4, 2}, {0x04, 4, 4}, {0x10, 6, 6}};
  for (const auto& c : cases) {
    Reconfigure(c.config);
    port.ClearCalls();
    for (std::size_t n = 0; n < c.polled; ++n) Data({'0', '0'});
    StateRecord r = Patterned();
    driver->GetSost(1, 2, c.count, &r);
    ASSERT_EQ(port.SendCount(), c.polled) << int{c.config};
    const Byte first = c.config == 0x10 ? 0x21 : static_cast<Byte>(0x21 + c.polled);
    EXPECT_EQ(port.Commands()[0][1], first) << int{c.config};  // dispenser 2's first nozzle
    for (std::size_t n = c.polled; n < 6; ++n) EXPECT_EQ(At(r, 2 + 2 * n), 0xAB) << n;
  }
}

TEST_F(StateQueriesTest, NoNozzlesMeansNothingToAsk) {
  Reconfigure(0x10);
  StateRecord r = Patterned();
  driver->GetSost(1, 1, 0, &r);
  EXPECT_TRUE(port.Calls().empty());
  EXPECT_EQ(r.Summary, 0);
  EXPECT_EQ(r.Zero1, 0);
  EXPECT_EQ(r.Zero15, 0);
  EXPECT_EQ(r.SummaryNozzle, 0xAB);
}

TEST_F(StateQueriesTest, StopsAtTheFirstNozzleWithoutAValidReply) {
  Data({'1', '0'});
  Silence();
  StateRecord r = Patterned();
  driver->GetSost(1, 1, 4, &r);
  EXPECT_EQ(port.SendCount(), 2u);
  EXPECT_EQ(r.Nozzle[1], 0);
  EXPECT_EQ(r.Summary, 0xE1);
  EXPECT_EQ(tables().NozzleStates[1][1][2], 0);
  EXPECT_EQ(Status(), 2);
}

TEST_F(StateQueriesTest, AStateReplyTooShortForItsTwoBytesGivesNothing) {
  Ack();  // a lone 0x06 where two data bytes belong
  StateRecord r = Patterned();
  driver->GetSost(1, 1, 4, &r);
  EXPECT_EQ(port.SendCount(), 1u);
  EXPECT_EQ(r.Nozzle[0], 0);
  EXPECT_EQ(r.Summary, 0);
  EXPECT_EQ(Status(), 3);
}

TEST_F(StateQueriesTest, FailedStateQueryRaises) {
  Data({'0', '0'});
  Fail();
  StateRecord r{};
  ExpectThrowWith<ESerialIO>([&] { driver->GetSost(1, 1, 4, &r); }, kMsgGetSost);
}

TEST_F(StateQueriesTest, DispenserStateIsTheSummary) {
  for (Byte r1 : {'0', '0', '2', '0'}) Data({r1, '0'});
  EXPECT_EQ(driver->GetDispenserState(1, 1), 0xC8);
}

TEST_F(StateQueriesTest, ADeliveryUnderWaySendsNothingMore) {
  tables().DispensedVolumes[1][1] = 10.0;
  tables().PresetVolumes[1][1] = 20.0;
  Data({'4', '0'});
  EXPECT_EQ(probe().GetNozzleState(1, 1, 3), 0xD3);
  EXPECT_EQ(port.SendCount(), 1u);
}

TEST_F(StateQueriesTest, ADeliveryNearItsPresetIsClosedByTheMapping) {
  tables().ActiveNozzles[1][1] = 1;
  tables().DispensedVolumes[1][1] = 19.5;
  tables().PresetVolumes[1][1] = 20.0;
  Data({'5', '0'});                 // nozzle 2's state
  Data({'@' + 1});                  // type 1
  Data(Ascii("0019750039500000"));  // 19.75 l, 395.00
  Ack();                            // the close
  EXPECT_EQ(probe().GetNozzleState(1, 1, 2), 0xD8);
  const auto commands = port.Commands();
  ASSERT_EQ(commands.size(), 4u);
  EXPECT_EQ(commands[0], (Bytes{0x02, 0x22, '1'}));
  EXPECT_EQ(commands[1], (Bytes{0x02, 0x21, '7'}));
  EXPECT_EQ(commands[2], (Bytes{0x02, 0x22, '5'}));  // counters of the finishing nozzle
  EXPECT_EQ(commands[3], (Bytes{0x02, 0x22, '8'}));
  EXPECT_EQ(tables().ActiveNozzles[1][1], 1);  // given back
  EXPECT_EQ(tables().DispensedVolumes[1][1], 19.75);
}

TEST_F(StateQueriesTest, NothingDispensedAndFinishedDeliveriesAreClosedToo) {
  const struct {
    double dispensed;
    Byte r2;
  } cases[] = {{0.0, '0'}, {0.005, '0'}, {5.0, '1'}};
  for (const auto& c : cases) {
    port.ClearCalls();
    tables().DispensedVolumes[1][1] = c.dispensed;
    tables().PresetVolumes[1][1] = 20.0;
    Data({'4', c.r2});
    Data({'@' + 1});
    Data(Ascii("0000000000000000"));
    Ack();
    EXPECT_EQ(probe().GetNozzleState(1, 1, 1), 0xD8) << c.dispensed;
    EXPECT_EQ(CommandChars(), "1758") << c.dispensed;
  }
}

TEST_F(StateQueriesTest, TheActiveNozzleComesBackWhenTheClosingStepsFail) {
  tables().ActiveNozzles[1][1] = 3;
  Data({'4', '1'});
  Data({'@' + 1});
  Fail();  // the counters
  ExpectThrowWith<ESerialIO>([&] { probe().GetNozzleState(1, 1, 2); }, kMsgDelivery);
  EXPECT_EQ(tables().ActiveNozzles[1][1], 3);
}

struct TypeCase {
  Byte typeByte;
  Byte type;
};

class TypeTest : public StateQueriesTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(TypeTest, MapsTheTypeByte) {
  tables().DispenserTypes[1][4] = 5;
  Data({GetParam().typeByte});
  probe().GetType(1, 4);
  EXPECT_EQ(tables().DispenserTypes[1][4], GetParam().type);
  EXPECT_EQ(port.Commands().at(0), (Bytes{0x02, 0x2D, '7'}));  // nozzle 1 of dispenser 4
  EXPECT_EQ(port.Calls().at(1).replySize, 6);
}

INSTANTIATE_TEST_SUITE_P(Bytes, TypeTest,
                         ::testing::Values(TypeCase{'C', 3}, TypeCase{'Z', 1}, TypeCase{'?', 1},
                                           TypeCase{'@', 0}, TypeCase{'H', 8}, TypeCase{'I', 1}));

TEST_F(StateQueriesTest, TypeKeptWithoutAUsableReply) {
  tables().DispenserTypes[1][1] = 5;
  Silence();
  probe().GetType(1, 1);
  Ack();  // no data byte to read
  probe().GetType(1, 1);
  EXPECT_EQ(tables().DispenserTypes[1][1], 5);
  EXPECT_EQ(Status(), 3);
  Fail();
  ExpectThrowWith<ESerialIO>([&] { probe().GetType(1, 1); }, kMsgGetType);
}

TEST_F(StateQueriesTest, DeliveredVolumeIsPricedWithTheActiveNozzlesPrice) {
  tables().ActiveNozzles[1][2] = 3;
  tables().Prices[1][2][3] = 45.10;
  Data(Ascii("923456"));
  double money = -1;
  EXPECT_DOUBLE_EQ(driver->GetDeliveredVolume(1, 2, &money), 234.56);
  EXPECT_DOUBLE_EQ(money, 10578.66);
  EXPECT_EQ(port.Commands().at(0), (Bytes{0x02, 0x27, '4'}));
  EXPECT_EQ(port.Calls().at(1).replySize, 17);
  EXPECT_EQ(port.Calls().at(1).replyMode, 0);
  EXPECT_DOUBLE_EQ(tables().DispensedVolumes[1][2], 234.56);
}

TEST_F(StateQueriesTest, DeliveredMoneyRoundsExactHalvesUp) {
  tables().Prices[1][1][1] = 0.5;
  Data(Ascii("000001"));  // 0.01 l at 0.50: 0.005
  double money = 0;
  driver->GetDeliveredVolume(1, 1, &money);
  EXPECT_DOUBLE_EQ(money, 0.01);
}

TEST_F(StateQueriesTest, DeliveredVolumeOutcomes) {
  double money = -1;
  Refuse();
  EXPECT_EQ(driver->GetDeliveredVolume(1, 1, &money), 0.0);
  EXPECT_EQ(money, 0.0);
  EXPECT_EQ(Status(), 0x19);
  money = -1;
  Ack();  // a lone 0x06 answering '4'
  EXPECT_EQ(driver->GetDeliveredVolume(1, 1, &money), 0.0);
  EXPECT_EQ(money, 0.0);
  EXPECT_EQ(Status(), 3);
  Data(Ascii("92"));  // the reply ends before the volume's last digits
  EXPECT_EQ(driver->GetDeliveredVolume(1, 1, &money), 0.0);
  EXPECT_EQ(Status(), 3);
  EXPECT_EQ(tables().DispensedVolumes[1][1], 0.0);
  Fail();
  ExpectThrowWith<ESerialIO>([&] { driver->GetDeliveredVolume(1, 1, &money); }, kMsgDelivery);
}

struct CountersCase {
  const char* name;
  Byte typeByte;
  std::string digits;
  Byte replySize;
  double litres;
  double money;
};

class DeliveryCountersTest : public StateQueriesTest,
                             public ::testing::WithParamInterface<CountersCase> {};

TEST_P(DeliveryCountersTest, ReadsTheTypesDigitFields) {
  const CountersCase& c = GetParam();
  tables().ActiveNozzles[1][1] = 2;
  Data({c.typeByte});
  Data(Ascii(c.digits));
  double litres = -1, money = -1;
  driver->GetDeliveryCounters(1, 1, &litres, &money);
  EXPECT_EQ(CommandChars(), "75");
  EXPECT_EQ(port.Commands().at(1), (Bytes{0x02, 0x22, '5'}));
  EXPECT_EQ(port.Calls().at(6).replySize, c.replySize);
  EXPECT_EQ(port.Calls().at(6).replyMode, 2);
  EXPECT_DOUBLE_EQ(litres, c.litres);
  EXPECT_DOUBLE_EQ(money, c.money);
  EXPECT_DOUBLE_EQ(tables().DispensedVolumes[1][1], c.litres);
}

INSTANTIATE_TEST_SUITE_P(Types, DeliveryCountersTest,
                         ::testing::Values(CountersCase{"type1", 'A',
                                                        "001234"
                                                        "005678"
                                                        "9999",
                                                        36, 12.34, 56.78},
                                           CountersCase{"type2", 'B',
                                                        "001234"
                                                        "00005678"
                                                        "999999",
                                                        44, 12.34, 56.78},
                                           CountersCase{"type8", 'H',
                                                        "12345"
                                                        "1234567"
                                                        "9999",
                                                        38, 123.45, 12345.67},
                                           CountersCase{"type0", '@', "", 16, 0.0, 0.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StateQueriesTest, DeliveryCountersOfAShortReplyStayZero) {
  Data({'A'});
  Data(Ascii("001234"));  // the reply ends inside the money field
  double litres = -1, money = -1;
  driver->GetDeliveryCounters(1, 1, &litres, &money);
  EXPECT_EQ(litres, 0.0);
  EXPECT_EQ(money, 0.0);
  EXPECT_EQ(Status(), 3);
  EXPECT_EQ(tables().DispensedVolumes[1][1], 0.0);
}

TEST_F(StateQueriesTest, TotalCountersOfAFullReply) {
  Data(
      Ascii("000001234567"
            "00000987654"
            "0"));
  double volume = -1, money = -1;
  driver->GetTotalCounters(1, 2, 3, &volume, &money, 0.0);
  EXPECT_EQ(port.Commands().at(0), (Bytes{0x02, 0x27, '6'}));
  EXPECT_EQ(port.Calls().at(1).replySize, 52);
  EXPECT_DOUBLE_EQ(volume, 12345.67);
  EXPECT_DOUBLE_EQ(money, 9876.54);
  EXPECT_EQ(Status(), 1);
}

TEST_F(StateQueriesTest, TotalCountersFollowTheLengthOfAShorterReply) {
  Data(
      Ascii("00012345"
            "0000678"
            "0"));  // 8 + 7 digits
  double volume = -1, money = -1;
  driver->GetTotalCounters(1, 1, 1, &volume, &money, 0.0);
  EXPECT_DOUBLE_EQ(volume, 123.45);
  EXPECT_DOUBLE_EQ(money, 6.78);
}

TEST_F(StateQueriesTest, AZeroTotalIsReportedAsSuch) {
  double volume = -1, money = -1;
  Data(
      Ascii("000000000000"
            "00000012345"
            "0"));
  driver->GetTotalCounters(1, 1, 1, &volume, &money, 0.0);
  EXPECT_EQ(volume, 0.0);
  EXPECT_DOUBLE_EQ(money, 123.45);
  EXPECT_EQ(Status(), 0x03);
  Silence();
  driver->GetTotalCounters(1, 1, 1, &volume, &money, 0.0);
  EXPECT_EQ(volume, 0.0);
  EXPECT_EQ(money, 0.0);
  EXPECT_EQ(Status(), 0x03);  // replaces the silent line's state
  Ack();
  driver->GetTotalCounters(1, 1, 1, &volume, &money, 0.0);
  EXPECT_EQ(Status(), 0x03);
}

TEST_F(StateQueriesTest, SetTotalCounterResetsWritesAndReadsBack) {
  Ack();
  Ack();
  Data({0x22, '0'});
  driver->SetTotalCounter(1, 1, 2, 250.5, 0.0);
  const auto commands = port.Commands();
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0], (Bytes{0x02, 0x21, 'O', 'J', '0', '0', '0', '0'}));
  EXPECT_EQ(commands[1], (Bytes{0x02, 0x22, '6', 0x01, '0', '0', '0', '2', '5', '0', '5', '0'}));
  EXPECT_EQ(commands[2], (Bytes{0x02, 0x21, 'N', '@'}));
  const auto calls = port.Calls();
  std::vector<testing::PortCall> sends;
  for (const auto& call : calls) {
    if (call.name == "Send") sends.push_back(call);
  }
  EXPECT_EQ(sends[1].replySize, 1);
  EXPECT_EQ(sends[1].replyMode, 0);
}

TEST_F(StateQueriesTest, SetTotalCounterKeepsLongerNumbers) {
  Ack();
  Ack();
  Ack();
  driver->SetTotalCounter(1, 1, 1, 9999999999.99, 0.0);
  EXPECT_EQ(port.Commands().at(1), (Bytes{0x02, 0x21, '6', 0x01, '9', '9', '9', '9', '9', '9', '9',
                                          '9', '9', '9', '9', '9'}));
}

TEST_F(DriverTest, QueryOptionSendsNothing) {
  std::int32_t value = 0;
  EXPECT_TRUE(driver->QueryOption(5, &value));
  EXPECT_TRUE(port.Calls().empty());
}

}  // namespace
}  // namespace kavo5000::driver
