// Controller parameters and line addresses against a scripted controller:
// the 'N', 'O', 'W' and ']' frames, the value reader, refusals, the
// calibration sequence and the window's own operations.
#include "DriverFixture.h"
#include "Messages.h"

namespace kavo5000::driver {
namespace {

using catalogue::CommandFamily;
constexpr CommandFamily kParameter = CommandFamily::Parameter;
constexpr CommandFamily kCommon = CommandFamily::CommonCommand;
constexpr CommandFamily kAddress = CommandFamily::AddressProgramming;

class ParamAccessTest : public DriverTest {};

TEST_F(ParamAccessTest, CommonSwitchNumbersCannotBeRead) {
  for (std::int32_t number : {0, 5, 9}) EXPECT_EQ(driver->GetParam(1, 1, number), -1);
  EXPECT_TRUE(port.Calls().empty());
}

TEST_F(ParamAccessTest, ReadsTheWorkedExample) {
  port.Queue(1, Reply::Raw({0x02, 0x21, 0x5E, 0x30, 0x4F, 0x30, 0x4F, 0x34, 0x4B, 0x32, 0x4D, 0x03,
                            0x03, 0x64}));
  EXPECT_EQ(driver->GetParam(1, 1, 36), 42);
  const auto calls = port.Calls();
  EXPECT_EQ(port.Frames().at(0),
            (Bytes{0x7F, 0x02, 0x21, 0x5E, 0x4E, 0x31, 0x4A, 0x35, 0x03, 0x03, 0x66}));
  EXPECT_EQ(calls.at(1).replySize, 14);
  EXPECT_EQ(calls.at(1).replyMode, 2);
  EXPECT_EQ(Status(), 1);
}

struct NumberCase {
  std::int32_t number;
  Bytes command;
  Byte replySize;
};

class ParamNumberTest : public DriverTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(ParamNumberTest, AddressesNozzleAndIndex) {
  Data({0x21, '1'});
  EXPECT_EQ(driver->GetParam(1, 1, GetParam().number), 1);
  EXPECT_EQ(port.Commands().at(0), GetParam().command);
  EXPECT_EQ(port.Calls().at(1).replySize, GetParam().replySize);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ParamNumberTest,
    ::testing::Values(NumberCase{10, {0x02, 0x21, 'N', '0'}, 8},
                      NumberCase{70, {0x02, 0x22, 'N', '0'}, 8},
                      NumberCase{36, {0x02, 0x21, 'N', 'J'}, 14},
                      NumberCase{20, {0x02, 0x21, 'N', ':'}, 12},
                      NumberCase{69, {0x02, 0x21, 'N', 'k'}, 6},
                      NumberCase{kavo5000::HostParamNumber(4, 25), {0x02, 0x24, 'N', 'I'}, 22}));

struct ValueCase {
  const char* name;
  Bytes reply;
  std::int32_t value;
  Byte status;
};

class ParamValueTest : public DriverTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ParamValueTest, ReadsTheDigitsOfTheReply) {
  port.Queue(1, Reply::Raw(GetParam().reply));
  EXPECT_EQ(driver->GetParam(1, 1, 10 + 24), GetParam().value);
  EXPECT_EQ(Status(), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ParamValueTest,
    ::testing::Values(
        ValueCase{"digits", testing::DataReply({0x21, '1', '2', '3'}), 123, 1},
        ValueCase{"noDigits", testing::DataReply({0x21}), 0, 1},
        ValueCase{"emptyDataReply", testing::DataReply({}), 0, 1},
        ValueCase{"hexLike", testing::DataReply({0x21, '1', ':', '?'}), 1 * 100 + 10 * 10 + 15, 1},
        ValueCase{"stopsAtNonDigit", testing::DataReply({0x21, '4', 'A', '5'}), 4, 1},
        ValueCase{"refused", {0x18}, -1, 0x17}, ValueCase{"loneAck", {0x06}, -1, 3},
        ValueCase{"tooLargeForAValue",
                  testing::DataReply({0x21, '9', '9', '9', '9', '9', '9', '9', '9', '9', '9'}), -1,
                  3},
        ValueCase{"silent", {}, -1, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParamAccessTest, FailedReadRaises) {
  Fail();
  ExpectThrowWith<ESerialIO>([&] { driver->GetParam(1, 1, 10); }, kMsgGetParam);
}

TEST_F(ParamAccessTest, CommonSwitchGoesToTheWholeLineWithoutReply) {
  driver->SetParam(1, 1, 3, 1);
  EXPECT_EQ(port.Frames().at(0),
            (Bytes{0x7F, 0x02, 0x57, 0x28, 0x33, 0x4C, 0x31, 0x4E, 0x03, 0x03, 0x56}));
  EXPECT_EQ(port.Calls().at(1).replySize, 0);
  EXPECT_EQ(port.Calls().at(1).replyMode, 0);
}

struct WriteCase {
  const char* name;
  std::int32_t number;
  std::int32_t value;
  Bytes command;
};

class ParamWriteTest : public DriverTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ParamWriteTest, WritesTheValueInTheParametersDigits) {
  Ack();
  driver->SetParam(1, 1, GetParam().number, GetParam().value);
  EXPECT_EQ(port.Commands().at(0), GetParam().command);
  EXPECT_EQ(port.Calls().at(1).replySize, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, ParamWriteTest,
    ::testing::Values(
        WriteCase{"password", 36, 5821, {0x02, 0x21, 'O', 'J', '5', '8', '2', '1'}},
        WriteCase{"cutToItsDigits", 10, 123, {0x02, 0x21, 'O', '0', '3'}},
        WriteCase{"padded", 10 + 18, 42, {0x02, 0x21, 'O', 'B', '0', '0', '0', '4', '2'}},
        WriteCase{"noDigits", 10 + 52, 7, {0x02, 0x21, 'O', 'd'}},
        WriteCase{"secondNozzle", 10 + 60 + 4, 5, {0x02, 0x22, 'O', '4', '0', '0', '5'}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParamAccessTest, RefusedWriteStoresItsCode) {
  Refuse();
  driver->SetParam(1, 1, 10, 1);
  EXPECT_EQ(Status(), 0x17);
  Fail();
  ExpectThrowWith<ESerialIO>([&] { driver->SetParam(1, 1, 10, 1); }, kMsgGetParam);
  Fail();
  ExpectThrowWith<ESerialIO>([&] { driver->SetParam(1, 1, 3, 1); }, kMsgSetPar);
}

struct AddressCase {
  const char* name;
  std::int32_t identification;
  std::int32_t address;
  std::string arguments;  // after 0x02 ']'
};

class ProgramAddressTest : public DriverTest, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(ProgramAddressTest, SendsTheIdentificationAroundTheAddress) {
  Ack();
  driver->SetParam(1, 1, 9, GetParam().identification * 100 + GetParam().address);
  Bytes expected{0x02, ']'};
  for (char c : GetParam().arguments) expected.push_back(static_cast<Byte>(c));
  EXPECT_EQ(port.Commands().at(0), expected);
}

INSTANTIATE_TEST_SUITE_P(Identifications, ProgramAddressTest,
                         ::testing::Values(AddressCase{"oneDigit", 7, 12, "00007012"},
                                           AddressCase{"fiveDigits", 56789, 7, "56789007"},
                                           AddressCase{"sixDigits", 567890, 7, "0000500767890"},
                                           AddressCase{"eightDigits", 21474836, 47,
                                                       "0021404774836"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParamAccessTest, TenDigitIdentificationsReachTheControllerDirectly) {
  // Host number 9 carries at most 21474836 as an identification; the window
  // programs longer ones directly.
  Ack();
  probe().ProgramNozzleAddress(1, 1, 2147483647, 99);
  EXPECT_EQ(port.Commands().at(0), Ascii("\x02]2147409983647"));
  EXPECT_EQ(port.Commands().at(0).size(), 15u);
}

TEST_F(ParamAccessTest, AddressProgrammingOutcomes) {
  Refuse();
  driver->SetParam(1, 1, 9, 5678907);
  EXPECT_EQ(Status(), 0x18);
  Silence();
  ExpectThrowWith<ESerialIO>([&] { driver->SetParam(1, 1, 9, 5678907); }, kMsgProgramAddress);
  Fail();
  ExpectThrowWith<ESerialIO>([&] { driver->SetParam(1, 1, 9, 5678907); }, kMsgSetClapan);
}

TEST_F(ParamAccessTest, LinearNozzleNumberCountsNozzlesPerDispenser) {
  EXPECT_EQ(driver->LinearNozzleNumber(3, 2), 10);
  EXPECT_EQ(driver->LinearNozzleNumber(3, 0), 9);
  Reconfigure(0x0F);
  EXPECT_EQ(driver->LinearNozzleNumber(2, 15), 30);
}

TEST_F(ParamAccessTest, WindowWritesTheCoefficientBehindThePassword) {
  Ack();
  Ack();
  Data({0x27, '0', '0', '0', '1'});
  EXPECT_TRUE(driver->WindowWriteParam(kParameter, 1, 7, 27, 5, 12345));
  const auto commands = port.Commands();
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0], (Bytes{0x02, 0x27, 'O', 'J', '5', '8', '2', '1'}));
  EXPECT_EQ(commands[1], (Bytes{0x02, 0x27, 'O', 'K', '1', '2', '3', '4', '5'}));
  EXPECT_EQ(commands[2], (Bytes{0x02, 0x27, 'N', 'J'}));
  EXPECT_EQ(probe().WriteCalibration(1, 7, 1).confirmation, -1);  // nothing answers this time
}

// A window write is done only when the controller took it: the reply each
// family awaits, queued in order, and what the window is told.
struct WindowWriteCase {
  const char* name;
  CommandFamily family;
  std::int32_t code;
  std::vector<Reply> replies;
  bool written;
  Byte status;
};

class WindowWriteTest : public DriverTest, public ::testing::WithParamInterface<WindowWriteCase> {};

TEST_P(WindowWriteTest, ReportsWhatTheControllerDid) {
  const WindowWriteCase& c = GetParam();
  for (const Reply& r : c.replies) port.Queue(1, r);
  EXPECT_EQ(driver->WindowWriteParam(c.family, 1, 1, c.code, 3, 1), c.written);
  EXPECT_EQ(Status(), c.status);
  EXPECT_EQ(port.SendCount(), std::max<std::size_t>(c.replies.size(), 1));
}

const Reply kAckReply = Reply::Control(0x06);
const Reply kRefusal = Reply::Control(0x18);
const Reply kConfirmation = Reply::Data({0x21, '1'});

INSTANTIATE_TEST_SUITE_P(
    Outcomes, WindowWriteTest,
    ::testing::Values(
        WindowWriteCase{"parameterTaken", kParameter, 4, {kAckReply}, true, 1},
        WindowWriteCase{"parameterSilent", kParameter, 4, {Reply::Silence()}, false, 2},
        WindowWriteCase{"parameterRefused", kParameter, 4, {kRefusal}, false, 0x17},
        WindowWriteCase{
            "calibrationTaken", kParameter, 27, {kAckReply, kAckReply, kConfirmation}, true, 1},
        WindowWriteCase{
            "passwordRefused", kParameter, 27, {kRefusal, kAckReply, kConfirmation}, false, 1},
        WindowWriteCase{"coefficientSilent",
                        kParameter,
                        27,
                        {kAckReply, Reply::Silence(), kConfirmation},
                        false,
                        1},
        WindowWriteCase{
            "noConfirmation", kParameter, 27, {kAckReply, kAckReply, Reply::Silence()}, false, 2},
        WindowWriteCase{"switchSentUnanswered", kCommon, 2, {}, true, 0},
        WindowWriteCase{"addressTaken", kAddress, 27, {kAckReply}, true, 1},
        WindowWriteCase{"addressRefused", kAddress, 27, {kRefusal}, false, 0x18}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParamAccessTest, WindowWritesWithTheCallersDigitCount) {
  Ack(2);
  EXPECT_TRUE(driver->WindowWriteParam(kParameter, 2, 16, 4, 5, 42));
  EXPECT_EQ(port.Commands(2).at(0), (Bytes{0x07, 0x21, 'O', '4', '0', '0', '0', '4', '2'}));
  port.Queue(2, Reply::Failure(5));
  EXPECT_FALSE(driver->WindowWriteParam(kParameter, 2, 16, 4, 5, 42));
}

TEST_F(ParamAccessTest, WindowSwitchesACommonParameter) {
  EXPECT_TRUE(driver->WindowWriteParam(kCommon, 1, 3, 2, 1, 1));
  EXPECT_EQ(port.Commands().at(0), (Bytes{0x02, 'W', '2', '1'}));
}

TEST_F(ParamAccessTest, WindowProgramsAnAddressLikeAnyOtherIdentification) {
  Ack();
  EXPECT_TRUE(driver->WindowWriteParam(kAddress, 1, 5, 27, 2, 1234));
  EXPECT_EQ(port.Commands().at(0), Ascii("\x02]00027034"));
  ExpectThrowWith([&] { driver->WindowWriteParam(kAddress, 1, 33, 27, 2, 12); },
                  kMsgDispenserRange);
  EXPECT_EQ(port.SendCount(), 1u);
  // No valid reply is a failed programming, raised as from the host's slot.
  Silence();
  ExpectThrowWith([&] { driver->WindowWriteParam(kAddress, 1, 5, 27, 2, 1234); },
                  kMsgProgramAddress);
}

TEST_F(ParamAccessTest, WindowReadsOnlyControllerParameters) {
  EXPECT_EQ(driver->WindowReadParam(kCommon, 1, 3, 2, 1), -1);
  EXPECT_EQ(driver->WindowReadParam(kAddress, 1, 3, 0, 1), -1);
  EXPECT_TRUE(port.Calls().empty());
  Data({0x23, '5', '0'});
  EXPECT_EQ(driver->WindowReadParam(kParameter, 1, 3, 4, 3), 50);
  EXPECT_EQ(port.Commands().at(0), (Bytes{0x02, 0x23, 'N', '4'}));
  Refuse();
  EXPECT_EQ(driver->WindowReadParam(kParameter, 1, 3, 4, 3), -1);
  EXPECT_EQ(Status(), 0x17);
  Fail();
  EXPECT_EQ(driver->WindowReadParam(kParameter, 1, 3, 4, 3), -1);
}

TEST_F(ParamAccessTest, WindowRefusesWhatItCannotSendWithoutSending) {
  const struct {
    std::function<bool(VM30Driver&)> refused;
  } cases[] = {
      {[](VM30Driver& d) { return d.WindowReadParam(kParameter, 0, 1, 4, 3) == -1; }},
      {[](VM30Driver& d) { return d.WindowReadParam(kParameter, 21, 1, 4, 3) == -1; }},
      {[](VM30Driver& d) { return d.WindowReadParam(kParameter, 24, 1, 4, 3) == -1; }},
      {[](VM30Driver& d) { return d.WindowReadParam(kParameter, 1, 1, 60, 3) == -1; }},
      {[](VM30Driver& d) { return d.WindowReadParam(kParameter, 1, 1, -1, 3) == -1; }},
      {[](VM30Driver& d) { return d.WindowReadParam(kParameter, 1, -1, 4, 3) == -1; }},
      {[](VM30Driver& d) { return !d.WindowWriteParam(kParameter, 24, 1, 4, 3, 5); }},
      {[](VM30Driver& d) { return !d.WindowWriteParam(kParameter, 1, 1, 60, 3, 5); }},
      {[](VM30Driver& d) { return !d.WindowWriteParam(kParameter, 1, 1, 4, 3, -5); }},
      {[](VM30Driver& d) { return !d.WindowWriteParam(kParameter, 1, 1, 4, 123, 5); }},
      {[](VM30Driver& d) { return !d.WindowWriteParam(kCommon, 1, 1, 10, 1, 1); }},
      {[](VM30Driver& d) { return !d.WindowWriteParam(kCommon, 1, 1, 1, 1, 10); }},
      {[](VM30Driver& d) { return !d.WindowWriteParam(kAddress, 1, 1, -1, 1, 1); }},
      {[](VM30Driver& d) {
        return !d.WindowWriteParam(static_cast<CommandFamily>(3), 1, 1, 1, 1, 1);
      }},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_TRUE(cases[i].refused(*driver)) << i;
  EXPECT_TRUE(port.Calls().empty());
}

}  // namespace
}  // namespace kavo5000::driver
