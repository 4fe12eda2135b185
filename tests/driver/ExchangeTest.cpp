// One exchange through the host's port: the order of port calls, replies that
// arrive in pieces, and what becomes of port failures and exceptions.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "DriverProbe.h"
#include "Messages.h"
#include "ScriptedPort.h"
#include "VM30.h"

namespace kavo5000::driver {
namespace {

using testing::Bytes;
using testing::Reply;
using testing::ScriptedPort;

class ExchangeTest : public ::testing::Test {
 protected:
  std::int32_t SendType(Byte channel = 1) {
    result = DriverProbe(driver).Exchange(channel, kTypeQuery, 6, 2);
    return result.transport;
  }
  Byte Status() { return driver.GetChannelStatus(1); }

  static constexpr Byte kTypeQuery[] = {0x02, 0x21, '7'};
  ScriptedPort port;
  VM30Driver driver{0, 0, &port};
  ExchangeResult result;
};

TEST_F(ExchangeTest, CallsThePortInContractOrder) {
  port.Queue(1, Reply::Data({'@', '1'}));
  EXPECT_EQ(SendType(), 0);
  const std::vector<std::string> expected{"SetReplyCheck", "Send", "SetLineState", "SetLineError",
                                          "GetLineState"};
  EXPECT_EQ(port.CallNames(), expected);
  const auto calls = port.Calls();
  EXPECT_EQ(calls[1].frame, (Bytes{0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x55}));
  EXPECT_EQ(calls[1].replySize, 6);
  EXPECT_EQ(calls[1].replyMode, 2);
  EXPECT_EQ(Status(), 1);
}

TEST_F(ExchangeTest, LeavesTheReplyInTheBufferFromByteZero) {
  Reply r = Reply::Data({'@', '3'});
  r.garbage = {0xFF, 0x00, 0x55};
  r.chunks = {2, 3, 1, 4, 10};
  port.Queue(1, r);
  EXPECT_EQ(SendType(), 0);
  EXPECT_EQ(Status(), 1);
  EXPECT_EQ(result.lineState, 1);
  EXPECT_EQ(result.Reply()[0], 0x02);
  EXPECT_EQ(result.Reply()[1], '@');
  EXPECT_EQ(result.Reply()[3], '3');
  EXPECT_EQ(result.length, 8u);
}

TEST_F(ExchangeTest, SilentControllerLeavesTheLineStateOfThePort) {
  EXPECT_EQ(SendType(), 0);
  EXPECT_EQ(Status(), 2);
  EXPECT_EQ(result.lineState, 2);
  EXPECT_EQ(result.length, 0u);
}

TEST_F(ExchangeTest, TransportFailureIsReturnedAndTheLineStateStillRead) {
  port.Queue(1, Reply::Failure(77));
  EXPECT_EQ(SendType(), 77);
  const auto names = port.CallNames();
  EXPECT_EQ(names.back(), "GetLineState");
  EXPECT_EQ(std::count(names.begin(), names.end(), "GetLastError"), 0);
}

TEST_F(ExchangeTest, StandardExceptionFromSendBecomesTheLastError) {
  driver.SetChannelStatus(1, 9);
  port.SetLastErrorValue(31);
  Reply r;
  r.throwStd = true;
  port.Queue(1, r);
  EXPECT_EQ(SendType(), 31);
  EXPECT_EQ(Status(), 9);
  EXPECT_EQ(result.lineState, 9);
  const std::vector<std::string> expected{"SetReplyCheck", "Send", "GetLastError"};
  EXPECT_EQ(port.CallNames(), expected);
}

TEST_F(ExchangeTest, StandardExceptionFromGetLineStateBecomesTheLastError) {
  driver.SetChannelStatus(1, 9);
  port.SetLastErrorValue(32);
  Reply r = Reply::Data({'@', '1'});
  r.throwInLineState = true;
  port.Queue(1, r);
  EXPECT_EQ(SendType(), 32);
  EXPECT_EQ(Status(), 9);
  EXPECT_EQ(port.CallNames().back(), "GetLastError");
}

TEST_F(ExchangeTest, ForeignExceptionsPassThrough) {
  Reply r;
  r.throwOther = true;
  port.Queue(1, r);
  EXPECT_THROW(SendType(), int);
}

TEST_F(ExchangeTest, DriverExceptionsFromThePortAreCaughtToo) {
  port.SetLastErrorValue(12);
  Reply r;
  r.throwDriver = true;
  port.Queue(1, r);
  EXPECT_EQ(SendType(), 12);
}

TEST_F(ExchangeTest, ATooLongCommandSendsNothing) {
  const std::vector<Byte> command(127, '1');
  EXPECT_THROW(DriverProbe(driver).Exchange(1, command, 2, 0), kavo5000::Exception);
  EXPECT_TRUE(port.Calls().empty());
}

TEST_F(ExchangeTest, ChannelsOutsideTheTablesSendNothing) {
  for (Byte channel : {0, 21, 255}) {
    EXPECT_THROW(SendType(channel), kavo5000::Exception);
  }
  EXPECT_TRUE(port.Calls().empty());
}

TEST_F(ExchangeTest, ReplyTooLongForThePortStopsAtTheFirstCompleteReply) {
  Reply r = Reply::Raw({0x06, 0x06, 0x06});
  port.Queue(1, r);
  EXPECT_EQ(SendType(), 0);
  EXPECT_EQ(result.length, 3u);  // a control byte keeps what follows it
}

TEST(ExchangeWithoutPortTest, RefusesClearly) {
  VM30Driver driver(0, 0, nullptr);
  const Byte command[] = {0x02, 0x21, '7'};
  try {
    DriverProbe(driver).Exchange(1, command, 6, 2);
    FAIL() << "no exception";
  } catch (const kavo5000::Exception& e) {
    EXPECT_STREQ(e.what(), kMsgNoPort);
  }
}

}  // namespace
}  // namespace kavo5000::driver
