// One simulated controller on a virtual time line: the state machine, the
// delivery at its flow, presets, counters, parameters and refusals.
#include <gtest/gtest.h>

#include <string>

#include "Controller.h"
#include "Frames.h"

namespace kavo5000::sim {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using wire::ParsedReply;
using wire::ParseReply;
using wire::ReplyVerdict;

constexpr Byte kAckByte = 0x06;
constexpr Byte kRefuseByte = 0x18;

class SimController : public ::testing::Test {
 protected:
  SimController() : controller(Config(), behaviour) {}

  static ControllerConfig Config() {
    ControllerConfig c;
    c.id = 12345;
    c.address = 3;
    c.volumeTotal = 100000;  // 1000.00 l
    c.moneyTotal = 5000000;  // 50 000.00
    return c;
  }

  // The answer to a command given as text ("T01250"), parsed.
  ParsedReply Ask(const std::string& command) {
    const Bytes bytes(command.begin(), command.end());
    return ParseReply(controller.Execute(bytes, now));
  }
  Byte Control(const std::string& command) {
    const ParsedReply r = Ask(command);
    EXPECT_EQ(r.verdict, ReplyVerdict::kControl) << command;
    return r.control;
  }
  std::string Data(const std::string& command) {
    const ParsedReply r = Ask(command);
    EXPECT_EQ(r.verdict, ReplyVerdict::kData) << command;
    return std::string(r.data.begin(), r.data.end());
  }
  void Wait(Duration d) { now += d; }

  Behaviour behaviour;  // 0.5 l/s, no customer
  Controller controller;
  Instant now{};
};

TEST_F(SimController, RunsAPresetDeliveryFromIdleToClosed) {
  EXPECT_EQ(Data("1"), "00");
  EXPECT_EQ(Control("Q5640"), kAckByte);  // 56.40 a litre
  EXPECT_EQ(Control("T01250"), kAckByte);
  EXPECT_EQ(Control("2"), kAckByte);
  EXPECT_EQ(Data("1"), "20");  // authorised, waiting for the nozzle
  Wait(seconds(3));
  controller.Lift(now);
  EXPECT_EQ(Data("1"), "40");
  Wait(seconds(10));
  EXPECT_EQ(Data("4"), "400500");  // status, then 5.00 l
  Wait(seconds(16));
  EXPECT_EQ(Data("1"), "41");  // stopped at the preset
  EXPECT_EQ(Data("4"), "401250");
  // Type 1: 6 digits of volume, 6 of money, then the price in 4.
  EXPECT_EQ(Data("5"),
            "001250"
            "070500"
            "5640");
  EXPECT_EQ(Data("6"),
            "000000101250"
            "00005070500"
            "0");
  EXPECT_EQ(Control("8"), kAckByte);
  EXPECT_EQ(Data("1"), "10");  // closed, the nozzle still up
  controller.Hang(now);
  EXPECT_EQ(Data("1"), "00");
  EXPECT_EQ(Data("5"),
            "001250"
            "070500"
            "5640");  // the last delivery stays readable
  EXPECT_FALSE(controller.presetVolume());
}

TEST_F(SimController, StartsAtOnceWhenTheNozzleIsAlreadyUp) {
  controller.Lift(now);
  EXPECT_EQ(Data("1"), "10");
  EXPECT_EQ(Control("2"), kAckByte);
  EXPECT_EQ(Data("1"), "40");
  Wait(milliseconds(1500));
  controller.Advance(now);
  EXPECT_EQ(controller.deliveryVolume(), 75);
  controller.Hang(now);  // hanging up ends the delivery where it stands
  EXPECT_EQ(Data("1"), "41");
  EXPECT_EQ(controller.volumeTotal(), 100075);
}

TEST_F(SimController, RefusesWhatCannotChangeWhileFuelRuns) {
  controller.Lift(now);
  ASSERT_EQ(Control("2"), kAckByte);
  struct Case {
    const char* command;
    Byte answer;
  };
  const Case cases[] = {{"Q1000", kRefuseByte},
                        {"T00100", kRefuseByte},
                        {"S001000", kRefuseByte},
                        {"2", kRefuseByte},
                        {"8", kRefuseByte},
                        {"61"
                         "00000001",
                         kRefuseByte},
                        {"U", kAckByte},
                        {"V", kAckByte}};
  for (const Case& c : cases) {
    std::string command = c.command;
    if (command[0] == '6') command[1] = 0x01;
    EXPECT_EQ(Control(command), c.answer) << c.command;
  }
  EXPECT_EQ(Data("1"), "40");
  EXPECT_EQ(Control("3"), kAckByte);
  EXPECT_EQ(Data("1"), "41");
  EXPECT_EQ(Control("2"), kRefuseByte);  // the transaction must be closed first
  EXPECT_EQ(Control("8"), kAckByte);
  EXPECT_EQ(Control("2"), kAckByte);
}

TEST_F(SimController, RefusesMalformedAmountsAndAnswersUnknownCommands) {
  const char* refused[] = {"Q564", "Q56400", "Q56a0", "T1250", "S01000", "N", "N\x7F", "O0"};
  for (const char* c : refused) EXPECT_EQ(Control(c), kRefuseByte) << c;
  EXPECT_EQ(Control("S010000"), kRefuseByte);  // no price yet: money cannot become litres
  EXPECT_EQ(Control("Z"), 0x15);
  EXPECT_EQ(Control(""), 0x15);
}

TEST_F(SimController, StopsAMoneyPresetAtTheMoneyAndChargesItExactly) {
  ASSERT_EQ(Control("Q4710"), kAckByte);    // 47.10
  ASSERT_EQ(Control("S010000"), kAckByte);  // 100.00 → 2.12 l
  controller.Lift(now);
  ASSERT_EQ(Control("2"), kAckByte);
  Wait(seconds(60));
  EXPECT_EQ(Data("1"), "41");
  EXPECT_EQ(controller.deliveryVolume(), 212);
  EXPECT_EQ(controller.deliveryMoney(), 10000);
}

TEST_F(SimController, StopWhileAuthorisedWithdrawsTheAuthorisation) {
  ASSERT_EQ(Control("2"), kAckByte);
  EXPECT_EQ(Control("3"), kAckByte);
  EXPECT_EQ(Data("1"), "00");
  ASSERT_EQ(Control("2"), kAckByte);
  EXPECT_EQ(Control("8"), kAckByte);
  EXPECT_EQ(Data("1"), "00");
}

TEST_F(SimController, CustomerLiftsAndHangsOnTheirOwn) {
  behaviour.customer.liftAfter = seconds(1);
  behaviour.customer.hangAfter = seconds(2);
  ASSERT_EQ(Control("T00100"), kAckByte);  // 1 l: two seconds of fuel
  ASSERT_EQ(Control("2"), kAckByte);
  Wait(milliseconds(900));
  EXPECT_EQ(Data("1"), "20");
  Wait(milliseconds(200));
  EXPECT_EQ(Data("1"), "40");
  Wait(milliseconds(2000));  // t = 3.1 s: ended at 3.0 s
  EXPECT_EQ(Data("1"), "41");
  EXPECT_EQ(Control("8"), kAckByte);
  EXPECT_EQ(Data("1"), "10");
  Wait(milliseconds(2000));  // hung up at 5.0 s
  EXPECT_EQ(Data("1"), "00");
}

TEST_F(SimController, ReadsParametersWithItsAddressByteAndDigitCount) {
  controller.setParam(19, 107);
  EXPECT_EQ(Data("N" + std::string(1, '0' + 19)),
            "\x23"
            "107");  // address 3 → 0x23
  EXPECT_EQ(Control(std::string("O") + char('0' + 19) + "042"), kAckByte);
  EXPECT_EQ(Data(std::string("N") + char('0' + 19)),
            "\x23"
            "042");
  EXPECT_EQ(Control(std::string("O") + char('0' + 19) + "42"), kRefuseByte);  // two digits of three
  EXPECT_EQ(Data(std::string("N") + char('0' + 55)), "\x23");  // a parameter without digits
  EXPECT_EQ(Control(std::string("O") + char('0' + 55)), kAckByte);
  EXPECT_EQ(Control(std::string("N") + char('0' + 60)), kRefuseByte);
}

TEST_F(SimController, OpensTheCoefficientOnlyAfterThePassword) {
  const std::string password(1, '0' + 26);
  const std::string coefficient(1, '0' + 27);
  const std::int64_t calibrations = controller.param(28);
  EXPECT_EQ(Control("O" + coefficient + "12345"), kRefuseByte);
  EXPECT_EQ(Control("O" + password + "1111"), kAckByte);
  EXPECT_EQ(Data("N" + password),
            "\x23"
            "0000");  // wrong password: not confirmed
  EXPECT_EQ(Control("O" + coefficient + "12345"), kRefuseByte);
  EXPECT_EQ(Control("O" + password + "5821"), kAckByte);
  EXPECT_EQ(Data("N" + password),
            "\x23"
            "0001");
  EXPECT_EQ(Control("O" + coefficient + "12345"), kAckByte);
  EXPECT_EQ(controller.param(27), 12345);
  EXPECT_EQ(controller.param(28), calibrations + 1);
  EXPECT_EQ(Control("O" + coefficient + "10000"), kRefuseByte);  // one write per password
}

TEST_F(SimController, SetsTheVolumeTotal) {
  EXPECT_EQ(Control(std::string("6\x01") + "00025050"), kAckByte);
  EXPECT_EQ(controller.volumeTotal(), 25050);
  EXPECT_EQ(Data("6").substr(0, 12), "000000025050");
  EXPECT_EQ(Control(std::string("6\x01")), kRefuseByte);
  EXPECT_EQ(Control(std::string("6\x02") + "1"), kRefuseByte);
}

TEST_F(SimController, LaysOutTheDeliveryCountersByType) {
  struct Case {
    int type;
    std::size_t dataBytes;  // b + c + 6
    char typeByte;
  };
  const Case cases[] = {{0, 6, '@'}, {1, 16, 'A'}, {2, 20, 'B'}, {8, 17, 'H'}};
  for (const Case& c : cases) {
    controller.setType(c.type);
    EXPECT_EQ(Data("5").size(), c.dataBytes) << "type " << c.type;
    EXPECT_EQ(Data("7"), std::string(1, c.typeByte));
  }
}

TEST_F(SimController, GeneralResetEndsTheDeliveryAndForgetsPresets) {
  ASSERT_EQ(Control("T00500"), kAckByte);
  controller.Lift(now);
  ASSERT_EQ(Control("2"), kAckByte);
  Wait(seconds(2));
  controller.CommonSwitch(4, now);
  EXPECT_EQ(Data("1"), "10");
  EXPECT_EQ(controller.deliveryVolume(), 100);
  EXPECT_FALSE(controller.presetVolume());
}

}  // namespace
}  // namespace kavo5000::sim
