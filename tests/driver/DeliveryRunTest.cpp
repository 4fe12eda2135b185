// A whole delivery run through the driver's slots, with the scripted port
// playing a small controller: price, a 12.5 l preset, start, polling while the
// fuel runs, the driver closing the transaction by itself near the preset, then
// the delivery counters and the totals. Every frame and every value the host
// sees is checked.
#include <cmath>
#include <cstdio>

#include "DriverFixture.h"

namespace kavo5000::driver {
namespace {

// One dispenser of four nozzles on addresses 0x21..0x24; nozzle 1 delivers
// 1.25 l each time its volume is asked for, and stops at the preset.
class SmallController {
 public:
  std::optional<Reply> Answer(const Bytes& frame) {
    const Bytes c = testing::CommandOf(frame);
    const bool nozzle1 = c.at(1) == 0x21;
    switch (c.at(2)) {
      case 'Q':
        price_ = std::stoi(std::string(c.begin() + 3, c.end())) / 100.0;
        return Ack();
      case 'T':
        preset_ = std::stoi(std::string(c.begin() + 3, c.end())) / 100.0;
        return Ack();
      case '2':
        delivering_ = nozzle1;
        return Ack();
      case '1':
        if (!nozzle1 || !delivering_) return Reply::Data({'0', '0'});
        return Reply::Data({'4', static_cast<Byte>(volume_ >= preset_ ? '1' : '0')});
      case '4':
        if (delivering_) volume_ = std::min(volume_ + 1.25, preset_);
        return Reply::Data(Ascii("0" + Digits(volume_, 5)));
      case '7':
        return Reply::Data({'@' + 1});
      case '5':
        return Reply::Data(Ascii(Digits(volume_, 6) + Digits(volume_ * price_, 6) + "0000"));
      case '8':
        if (delivering_) {
          totalVolume_ += volume_;
          totalMoney_ += volume_ * price_;
        }
        delivering_ = false;
        return Ack();
      case '6':
        return Reply::Data(Ascii(Digits(totalVolume_, 12) + Digits(totalMoney_, 11) + "0"));
      default:
        return Reply::Control(kNakByte);
    }
  }

 private:
  static Reply Ack() { return Reply::Control(kAckByte); }
  static std::string Digits(double amount, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", width, std::llround(amount * 100.0));
    return text;
  }
  double price_ = 0, preset_ = 0, volume_ = 0, totalVolume_ = 1000.0, totalMoney_ = 50000.0;
  bool delivering_ = false;
};

TEST_F(DriverTest, WholeDeliveryRun) {
  SmallController controller;
  port.SetResponder([&](Byte, const Bytes& frame) { return controller.Answer(frame); });

  driver->SetPrice(1, 1, 1, 0, 0, 45.10);
  driver->PresetVolume(1, 1, 1, 0, 12.5);
  driver->StartPump(1, 1, 1);
  EXPECT_EQ(CommandChars(), "QT2");
  EXPECT_EQ(port.Commands()[1], (Bytes{0x02, 0x21, 'T', '0', '1', '2', '5', '0'}));
  EXPECT_EQ(Status(), 1);

  // Follow the delivery: read the volume, then poll the dispenser's state.
  std::vector<double> litresSeen;
  std::vector<double> moneySeen;
  std::vector<Byte> states;
  for (int poll = 0; poll < 20; ++poll) {
    double money = 0;
    litresSeen.push_back(driver->GetDeliveredVolume(1, 1, &money));
    moneySeen.push_back(money);
    StateRecord record{};
    driver->GetSost(1, 1, 0, &record);
    states.push_back(record.Summary);
    EXPECT_EQ(record.SummaryNozzle, 1);
    if (record.Summary == 0xD8) break;
  }
  // 1.25 l per poll: delivering (0xD1) until within a litre of 12.5 l.
  ASSERT_EQ(states.size(), 10u);
  for (std::size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(states[i], 0xD1) << i;
    EXPECT_DOUBLE_EQ(litresSeen[i], 1.25 * static_cast<double>(i + 1));
  }
  EXPECT_EQ(states[9], 0xD8);
  EXPECT_DOUBLE_EQ(litresSeen[9], 12.5);
  EXPECT_DOUBLE_EQ(moneySeen[0], 56.38);  // 1.25 × 45.10 = 56.375, a half: up
  EXPECT_DOUBLE_EQ(moneySeen[9], 563.75);
  EXPECT_EQ(tables().ActiveNozzles[1][1], 1);

  // Each poll: '4', then '1' for the four nozzles; the last poll closes the
  // transaction with the type, the counters and '8'.
  std::string expected = "QT2";
  for (int i = 0; i < 9; ++i) expected += "41111";
  expected +=
      "41"
      "758"
      "111";
  EXPECT_EQ(CommandChars(), expected);

  port.ClearCalls();
  double litres = 0, money = 0;
  driver->GetDeliveryCounters(1, 1, &litres, &money);
  EXPECT_DOUBLE_EQ(litres, 12.5);
  EXPECT_DOUBLE_EQ(money, 563.75);
  double totalVolume = 0, totalMoney = 0;
  driver->GetTotalCounters(1, 1, 1, &totalVolume, &totalMoney, 0);
  EXPECT_DOUBLE_EQ(totalVolume, 1012.5);
  EXPECT_DOUBLE_EQ(totalMoney, 50563.75);
  EXPECT_EQ(Status(), 1);
  EXPECT_EQ(CommandChars(), "756");

  // Back to idle: the dispenser's state says so.
  EXPECT_EQ(driver->GetDispenserState(1, 1), 0xC0);
}

}  // namespace
}  // namespace kavo5000::driver
