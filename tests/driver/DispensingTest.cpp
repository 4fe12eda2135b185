// Dispensing commands against a scripted controller: frames byte for byte,
// digit fields, refusal codes, table updates and the extended start's steps.
#include <cmath>

#include "DriverFixture.h"
#include "Messages.h"

namespace kavo5000::driver {
namespace {

class DispensingTest : public DriverTest {};

TEST_F(DispensingTest, StartPumpSendsTheWorkedExampleAndMakesTheNozzleActive) {
  Ack();
  driver->StartPump(1, 1, 1);
  const auto calls = port.Calls();
  ASSERT_EQ(port.Frames().size(), 1u);
  EXPECT_EQ(port.Frames()[0], (Bytes{0x7F, 0x02, 0x21, 0x5E, 0x32, 0x4D, 0x03, 0x03, 0x50}));
  EXPECT_EQ(calls[1].replySize, 2);
  EXPECT_EQ(calls[1].replyMode, 0);
  EXPECT_EQ(tables().ActiveNozzles[1][1], 1);
  EXPECT_EQ(Status(), 1);
}

TEST_F(DispensingTest, PresetVolumeSendsTheWorkedExampleAndRemembersThePreset) {
  Ack();
  driver->PresetVolume(1, 1, 1, 0, 12.5);
  EXPECT_EQ(port.Frames().at(0), (Bytes{0x7F, 0x02, 0x21, 0x5E, 0x54, 0x2B, 0x30, 0x4F, 0x31, 0x4E,
                                        0x32, 0x4D, 0x35, 0x4A, 0x30, 0x4F, 0x03, 0x03, 0x40}));
  EXPECT_EQ(tables().PresetVolumes[1][1], 12.5);
}

struct DigitsCase {
  const char* name;
  Byte config;
  std::function<void(VM30Driver&)> call;
  Bytes command;
};

class DigitFieldTest : public DriverTest, public ::testing::WithParamInterface<DigitsCase> {};

TEST_P(DigitFieldTest, EncodesTheAmount) {
  const DigitsCase& c = GetParam();
  Reconfigure(c.config);
  tables().Prices[1][2][3] = 50.0;
  Ack();
  c.call(*driver);
  ASSERT_EQ(port.Commands().size(), 1u);
  EXPECT_EQ(port.Commands()[0], c.command);
}

// Dispenser 2, nozzle 3 with four nozzles per dispenser: linear 7, address 0x27.
INSTANTIATE_TEST_SUITE_P(
    Amounts, DigitFieldTest,
    ::testing::Values(
        DigitsCase{"volumeHalfDown", 0, [](VM30Driver& d) { d.PresetVolume(1, 2, 3, 0, 0.125); },
                   Bytes{0x02, 0x27, 'T', '0', '0', '0', '1', '2'}},
        DigitsCase{"volumeHalfUp", 0, [](VM30Driver& d) { d.PresetVolume(1, 2, 3, 0, 0.375); },
                   Bytes{0x02, 0x27, 'T', '0', '0', '0', '3', '8'}},
        DigitsCase{"volumeLargest", 0, [](VM30Driver& d) { d.PresetVolume(1, 2, 3, 0, 999.99); },
                   Bytes{0x02, 0x27, 'T', '9', '9', '9', '9', '9'}},
        DigitsCase{"price", 0, [](VM30Driver& d) { d.SetPrice(1, 2, 3, 0, 0, 31.9); },
                   Bytes{0x02, 0x27, 'Q', '3', '1', '9', '0'}},
        DigitsCase{"priceLargest", 0, [](VM30Driver& d) { d.SetPrice(1, 2, 3, 0, 0, 99.99); },
                   Bytes{0x02, 0x27, 'Q', '9', '9', '9', '9'}},
        DigitsCase{"money", 0x14, [](VM30Driver& d) { d.PresetMoney(1, 2, 3, 0, 100.0); },
                   Bytes{0x02, 0x27, 'S', '0', '1', '0', '0', '0', '0'}},
        DigitsCase{"moneyAsVolume", 0, [](VM30Driver& d) { d.PresetMoney(1, 2, 3, 0, 100.0); },
                   Bytes{0x02, 0x27, 'T', '0', '0', '2', '0', '0'}},
        DigitsCase{"moneyAsVolumeCutDown", 0,
                   [](VM30Driver& d) { d.PresetMoney(1, 2, 3, 0, 99.999); },
                   Bytes{0x02, 0x27, 'T', '0', '0', '2', '0', '0'}},
        DigitsCase{"moneyAsVolumeHairBelow", 0,
                   [](VM30Driver& d) { d.PresetMoney(1, 2, 3, 0, 99.996); },
                   Bytes{0x02, 0x27, 'T', '0', '0', '2', '0', '0'}},
        DigitsCase{"moneyAsVolumeBelow", 0, [](VM30Driver& d) { d.PresetMoney(1, 2, 3, 0, 99.99); },
                   Bytes{0x02, 0x27, 'T', '0', '0', '1', '9', '9'}},
        // No nozzles per dispenser configured: the nozzle number is the
        // address, whatever the dispenser, as hosts of such lines rely on.
        DigitsCase{"noNozzlesConfiguredNozzle5", 0x10,
                   [](VM30Driver& d) { d.SetPrice(1, 2, 5, 0, 0, 31.9); },
                   Bytes{0x02, 0x25, 'Q', '3', '1', '9', '0'}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DispensingTest, MoneyPresetStoresWholeLitresWhenSentAsMoney) {
  Reconfigure(0x10);
  tables().Prices[1][1][1] = 50.0;
  Ack();
  driver->PresetMoney(1, 1, 1, 0, 149.0);
  EXPECT_EQ(tables().PresetVolumes[1][1], 3.0);
  Ack();
  driver->PresetMoney(1, 1, 1, 0, 125.0);  // 2.5 l: halves go to the even neighbour
  EXPECT_EQ(tables().PresetVolumes[1][1], 2.0);
}

TEST_F(DispensingTest, MoneyPresetSentAsVolumeStoresTheVolume) {
  tables().Prices[1][1][1] = 50.0;
  Ack();
  driver->PresetMoney(1, 1, 1, 0, 99.999);
  EXPECT_EQ(tables().PresetVolumes[1][1], 2.0);
}

struct RefusalCase {
  const char* name;
  Byte config;
  std::function<void(VM30Driver&)> call;
  Byte status;
};

class RefusalTest : public DriverTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, StoresTheOperationsCodeAndNoPreset) {
  const RefusalCase& c = GetParam();
  Reconfigure(c.config);
  tables().Prices[1][1][1] = 10.0;
  port.SetResponder([](Byte, const Bytes&) { return Reply::Control(kRefusalByte); });
  c.call(*driver);
  EXPECT_EQ(Status(), c.status);
  EXPECT_EQ(tables().PresetVolumes[1][1], 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RefusalTest,
    ::testing::Values(
        RefusalCase{"start", 0, [](VM30Driver& d) { d.StartPump(1, 1, 1); }, 0x10},
        RefusalCase{"startNoRefusal", 0x80, [](VM30Driver& d) { d.StartPump(1, 1, 1); }, 1},
        RefusalCase{"stop", 0, [](VM30Driver& d) { d.StopPump(1, 1, 1, true); }, 0x14},
        RefusalCase{"stopNoRefusal", 0x80, [](VM30Driver& d) { d.StopPump(1, 1, 1, true); }, 0x14},
        RefusalCase{"volume", 0, [](VM30Driver& d) { d.PresetVolume(1, 1, 1, 0, 5.0); }, 0x12},
        RefusalCase{"moneyAsVolume", 0, [](VM30Driver& d) { d.PresetMoney(1, 1, 1, 0, 50.0); },
                    0x12},
        RefusalCase{"money", 0x10, [](VM30Driver& d) { d.PresetMoney(1, 1, 1, 0, 50.0); }, 0x13},
        RefusalCase{"price", 0, [](VM30Driver& d) { d.SetPrice(1, 1, 1, 0, 0, 45.1); }, 0x15},
        RefusalCase{"startExPrepare", 0, [](VM30Driver& d) { d.StartPumpEx(1, 1, 1, false); },
                    0x10},
        RefusalCase{"startExNoRefusal", 0x80, [](VM30Driver& d) { d.StartPumpEx(1, 1, 1, false); },
                    1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DispensingTest, ANakCountsAsAcceptance) {
  port.Queue(1, Reply::Control(kNakByte));
  driver->PresetVolume(1, 1, 1, 0, 7.25);
  EXPECT_EQ(tables().PresetVolumes[1][1], 7.25);
}

TEST_F(DispensingTest, NoValidReplyChangesNoTableAndRaisesNothing) {
  Reply garbled = Reply::Data({'1'});
  garbled.bytes[2] ^= 0x01;  // a broken complement
  port.Queue(1, garbled);
  driver->PresetVolume(1, 1, 1, 0, 7.25);
  EXPECT_EQ(Status(), 3);
  Silence();
  driver->PresetVolume(1, 1, 1, 0, 7.25);
  EXPECT_EQ(Status(), 2);
  EXPECT_EQ(tables().PresetVolumes[1][1], 0.0);
}

TEST_F(DispensingTest, ALineStateOfOneWithoutReplyBytesIsAShortReply) {
  Reply r = Reply::Silence();
  r.lineState = 1;  // a port that claims success without any byte
  port.Queue(1, r);
  driver->PresetVolume(1, 1, 1, 0, 7.25);
  EXPECT_EQ(Status(), 3);
  EXPECT_EQ(tables().PresetVolumes[1][1], 0.0);
}

struct FailureCase {
  const char* name;
  std::function<void(VM30Driver&)> call;
  const char* message;
};

class TransportFailureTest : public DriverTest,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TransportFailureTest, RaisesTheOperationsMessage) {
  tables().Prices[1][1][1] = 10.0;
  port.SetResponder([](Byte, const Bytes&) { return Reply::Failure(7); });
  ExpectThrowWith<ESerialIO>([&] { GetParam().call(*driver); }, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, TransportFailureTest,
    ::testing::Values(
        FailureCase{"start", [](VM30Driver& d) { d.StartPump(1, 1, 1); }, kMsgStartPump},
        FailureCase{"startEx", [](VM30Driver& d) { d.StartPumpEx(1, 1, 1, false); }, kMsgStartPump},
        FailureCase{"startExSkip", [](VM30Driver& d) { d.StartPumpEx(1, 1, 1, true); },
                    kMsgStartPump},
        FailureCase{"stop", [](VM30Driver& d) { d.StopPump(1, 1, 1, true); }, kMsgStopPump},
        FailureCase{"stopActive", [](VM30Driver& d) { d.StopActiveNozzle(1, 1, true); },
                    kMsgStopPump},
        FailureCase{"stopAndClose", [](VM30Driver& d) { d.StopAndClose(1, 1, 1, true); },
                    kMsgStopPump},
        FailureCase{"volume", [](VM30Driver& d) { d.PresetVolume(1, 1, 1, 0, 5.0); },
                    kMsgPresetVolume},
        FailureCase{"moneyAsVolume", [](VM30Driver& d) { d.PresetMoney(1, 1, 1, 0, 5.0); },
                    kMsgPresetVolume},
        FailureCase{"price", [](VM30Driver& d) { d.SetPrice(1, 1, 1, 0, 0, 5.0); }, kMsgSetPrice}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DispensingTest, MoneyPresetSentAsMoneyHasItsOwnFailureMessage) {
  Reconfigure(0x10);
  tables().Prices[1][1][1] = 10.0;
  Fail();
  ExpectThrowWith<ESerialIO>([&] { driver->PresetMoney(1, 1, 1, 0, 5.0); }, kMsgPresetMoney);
}

TEST_F(DispensingTest, RefusedPriceStopsAndClosesTheSameNozzle) {
  Refuse();
  Ack();
  Ack();
  driver->SetPrice(1, 3, 2, 0, 0, 45.1);
  const auto commands = port.Commands();
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0], (Bytes{0x02, 0x2A, 'Q', '4', '5', '1', '0'}));
  EXPECT_EQ(commands[1], (Bytes{0x02, 0x2A, '3'}));
  EXPECT_EQ(commands[2], (Bytes{0x02, 0x2A, '8'}));
  EXPECT_EQ(Status(), 0x15);
}

TEST_F(DispensingTest, FailedPriceStaysForALaterMoneyPreset) {
  Fail();
  EXPECT_THROW(driver->SetPrice(1, 1, 1, 0, 0, 50.0), ESerialIO);
  EXPECT_EQ(tables().Prices[1][1][1], 50.0);
  Ack();
  driver->PresetMoney(1, 1, 1, 0, 100.0);
  EXPECT_EQ(port.Commands().back(), (Bytes{0x02, 0x21, 'T', '0', '0', '2', '0', '0'}));
}

TEST_F(DispensingTest, StopWithoutDoStopDoesNothingAtAll) {
  driver->StopPump(99, 99, 99, false);
  EXPECT_FALSE(driver->StopActiveNozzle(99, 99, false));
  EXPECT_TRUE(port.Calls().empty());
}

TEST_F(DispensingTest, StopActiveNozzleStopsTheLastStartedNozzleAndReturnsFalse) {
  Ack();
  driver->StartPump(1, 2, 3);
  Ack();
  EXPECT_FALSE(driver->StopActiveNozzle(1, 2, true));
  EXPECT_EQ(port.Commands().back(), (Bytes{0x02, 0x27, '3'}));
  Refuse();
  EXPECT_FALSE(driver->StopActiveNozzle(1, 2, true));
  EXPECT_EQ(Status(), 0x14);
}

TEST_F(DispensingTest, StopAndCloseReturnsTheCloseExchangesResult) {
  Ack();
  port.Queue(1, Reply::Failure(9));
  EXPECT_EQ(driver->StopAndClose(1, 1, 2, true), 9);
  EXPECT_EQ(CommandChars(), "38");
  port.ClearCalls();
  Ack();
  EXPECT_EQ(driver->StopAndClose(1, 1, 2, false), 0);
  EXPECT_EQ(CommandChars(), "8");
}

// The extended start's frames in every combination of its switches.
struct StartExCase {
  const char* name;
  Byte config;  // bit 6 StartConfirmV, bit 7 NoStartRefusal
  bool skip;
  Byte nozzleState;
  std::vector<Reply> replies;
  std::string commands;
  Byte status;
};

class StartPumpExTest : public DriverTest, public ::testing::WithParamInterface<StartExCase> {};

TEST_P(StartPumpExTest, SendsItsStepsInOrder) {
  const StartExCase& c = GetParam();
  Reconfigure(c.config);
  tables().ActiveNozzles[1][1] = 2;
  tables().NozzleStates[1][1][1] = c.nozzleState;
  for (const Reply& r : c.replies) port.Queue(1, r);
  driver->StartPumpEx(1, 1, 1, c.skip);
  EXPECT_EQ(CommandChars(), c.commands);
  EXPECT_EQ(Status(), c.status);
  EXPECT_EQ(tables().ActiveNozzles[1][1], c.commands.find('2') != std::string::npos ? 1 : 2);
  if (!c.skip) {
    EXPECT_EQ(port.Commands().at(0), (Bytes{0x02, 0x22, '8'}));  // the old nozzle
  }
}

const Reply kAck = Reply::Control(kAckByte);
const Reply kRefusal = Reply::Control(kRefusalByte);
const Reply kNone = Reply::Silence();

INSTANTIATE_TEST_SUITE_P(
    Steps, StartPumpExTest,
    ::testing::Values(
        StartExCase{"prepared", 0x00, false, 0xE1, {kAck, kAck, kAck}, "8U2", 1},
        StartExCase{"skipped", 0x00, true, 0xE1, {kAck}, "2", 1},
        StartExCase{"stopsAfterSilentU", 0x00, false, 0xE1, {kAck, kNone}, "8U", 2},
        StartExCase{"refusedUGoesOn", 0x00, false, 0xC0, {kAck, kRefusal, kAck}, "8U2", 1},
        StartExCase{"refusedUStays", 0x00, false, 0xC0, {kAck, kRefusal, kNone}, "8U2", 2},
        StartExCase{"refusedStart", 0x00, false, 0xC0, {kAck, kAck, kRefusal}, "8U2", 0x10},
        StartExCase{
            "noRefusalGoesOnAfterSilentU", 0x80, false, 0xC0, {kAck, kNone, kRefusal}, "8U2", 1},
        StartExCase{"noRefusalSkipped", 0x80, true, 0xC0, {kRefusal}, "2", 1},
        StartExCase{"confirm", 0x40, false, 0xE1, {kAck, kAck, kAck, kAck}, "8U2V", 1},
        StartExCase{"confirmSkipped", 0x40, true, 0xE1, {kAck, kAck}, "2V", 1},
        StartExCase{"confirmRefused", 0x40, true, 0xE1, {kAck, kRefusal}, "2V", 0x10},
        StartExCase{"confirmOnlyWhenAwaited", 0x40, true, 0xE2, {kAck}, "2", 1},
        StartExCase{"confirmAfterSilentStart", 0x40, true, 0xE1, {kNone, kAck}, "2V", 1},
        StartExCase{
            "confirmNoRefusal", 0xC0, false, 0xE1, {kAck, kRefusal, kRefusal, kRefusal}, "8U2V", 1},
        StartExCase{"confirmStopsAfterSilentU", 0x40, false, 0xE1, {kAck, kNone}, "8U", 2}),
    [](const auto& info) { return std::string(info.param.name); });

// A driver whose slots record how the operations reach one another.
class RecordingDriver : public VM30Driver {
 public:
  using VM30Driver::VM30Driver;
  std::string trail;
  void KAVO5000_CALL PresetVolume(std::int32_t c, std::int32_t d, std::int32_t n,
                                  std::int32_t passOn, double litres) override {
    trail += "PresetVolume(" + std::to_string(passOn) + "," + std::to_string(litres) + ")";
    VM30Driver::PresetVolume(c, d, n, passOn, litres);
  }
  void KAVO5000_CALL StopPump(std::int32_t c, std::int32_t d, std::int32_t n,
                              bool doStop) override {
    trail += "StopPump(" + std::to_string(n) + ")";
    VM30Driver::StopPump(c, d, n, doStop);
  }
  std::int32_t KAVO5000_CALL StopAndClose(std::int32_t c, std::int32_t d, std::int32_t n,
                                          bool doStop) override {
    trail += "StopAndClose";
    return VM30Driver::StopAndClose(c, d, n, doStop);
  }
};

TEST(SlotCallsTest, OperationsCallOneAnotherThroughTheSlotTable) {
  ScriptedPort port;
  RecordingDriver driver(0, 0, &port);
  port.SetResponder([](Byte, const Bytes&) { return Reply::Control(kRefusalByte); });
  DriverProbe(driver).Tables().Prices[1][1][1] = 50.0;
  driver.PresetMoney(1, 1, 1, 77, 100.0);
  EXPECT_EQ(driver.trail, "PresetVolume(77,2.000000)");
  driver.trail.clear();
  driver.SetPrice(1, 1, 1, 0, 0, 50.0);
  EXPECT_EQ(driver.trail, "StopAndCloseStopPump(1)");
  driver.trail.clear();
  driver.StartPump(1, 1, 3);
  driver.StopActiveNozzle(1, 1, true);
  EXPECT_EQ(driver.trail, "StopPump(3)");
}

}  // namespace
}  // namespace kavo5000::driver
