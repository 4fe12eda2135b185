// A line of simulated controllers fed whole frames: who answers, the two
// unaddressed commands, and faults as the line applies them.
#include <gtest/gtest.h>

#include <string>

#include "Frames.h"
#include "Line.h"

namespace kavo5000::sim {
namespace {

using wire::AddressOf;
using wire::AddressPair;
using wire::EncodeFrame;
using wire::ParsedReply;
using wire::ParseReply;
using wire::ReplyVerdict;

class SimLine : public ::testing::Test {
 protected:
  SimLine() : line(DefaultLineConfig(8)) {}

  // Frame for linear address v carrying `text` as command character and arguments.
  static Bytes FrameFor(int v, const std::string& text) {
    const AddressPair a = AddressOf(v);
    Bytes command{a.group, a.address};
    command.insert(command.end(), text.begin(), text.end());
    return EncodeFrame(command);
  }
  static Bytes Unaddressed(const std::string& text) {
    Bytes command{0x02};
    command.insert(command.end(), text.begin(), text.end());
    return EncodeFrame(command);
  }
  Bytes Send(const Bytes& frame) { return line.Receive(frame, now).bytes; }

  Line line;
  Instant now{};
};

TEST_F(SimLine, TheAddressedControllerAnswersAHandWrittenFrame) {
  const Bytes type = {0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x55};
  EXPECT_EQ(Send(type), (Bytes{0x02, 0x41, 0x3E, 0x03, 0x03, 0x42}));
  const Bytes state2 = {0x7F, 0x02, 0x22, 0x5D, 0x31, 0x4E, 0x03, 0x03, 0x50};
  EXPECT_EQ(Send(state2), (Bytes{0x02, 0x30, 0x4F, 0x30, 0x4F, 0x03, 0x03, 0x43}));
}

TEST_F(SimLine, UnsoundFramesAndEmptyAddressesGetSilence) {
  Bytes badSum = {0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x56};
  Bytes badComplement = {0x7F, 0x02, 0x21, 0x5F, 0x37, 0x48, 0x03, 0x03, 0x55};
  EXPECT_TRUE(Send(badSum).empty());
  EXPECT_TRUE(Send(badComplement).empty());
  EXPECT_TRUE(Send(FrameFor(9, "1")).empty());                     // nobody at 9
  EXPECT_TRUE(Send(Bytes{0x7F, 0x02, 0x03, 0x03, 0x43}).empty());  // no address at all
  EXPECT_EQ(Send(FrameFor(1, "")), (Bytes{0x15}));                 // addressed, but no command
  EXPECT_EQ(line.Frames(), 5u);
}

TEST_F(SimLine, ReachesControllersInFurtherGroups) {
  LineConfig config = DefaultLineConfig(1);
  config.controllers[0].address = 30;
  Line far(config);
  const Bytes reply = far.Receive(EncodeFrame(Bytes{0x07, 0x20, '7'}), now).bytes;
  EXPECT_EQ(ParseReply(reply).data, (Bytes{'A'}));
}

TEST_F(SimLine, CommonSwitchReachesEveryoneAndIsNeverAnswered) {
  const Bytes w = {0x7F, 0x02, 0x57, 0x28, 0x33, 0x4C, 0x31, 0x4E, 0x03, 0x03, 0x56};
  EXPECT_TRUE(Send(w).empty());
  EXPECT_EQ(line.CommonSwitch(3), 1);
  for (int v = 1; v <= 2; ++v) line.Find(v)->Lift(now);
  for (int v = 1; v <= 2; ++v) ASSERT_EQ(Send(FrameFor(v, "2")), (Bytes{0x06}));
  EXPECT_TRUE(Send(Unaddressed("W41")).empty());  // general reset
  for (int v = 1; v <= 2; ++v) EXPECT_EQ(line.Find(v)->phase(), Phase::kLifted);
}

TEST_F(SimLine, ProgramsALineAddressByIdentificationNumber) {
  EXPECT_EQ(Send(Unaddressed("]10002012")), (Bytes{0x06}));
  EXPECT_EQ(line.Find(2), nullptr);
  ASSERT_NE(line.Find(12), nullptr);
  EXPECT_EQ(line.Find(12)->id(), 10002u);
  EXPECT_FALSE(Send(FrameFor(12, "1")).empty());

  EXPECT_TRUE(Send(Unaddressed("]99999005")).empty());       // no such controller: nobody answers
  EXPECT_EQ(Send(Unaddressed("]10003001")), (Bytes{0x18}));  // 1 is taken
  EXPECT_EQ(Send(Unaddressed("]10003000")), (Bytes{0x18}));  // 0 is nobody's
  EXPECT_TRUE(Send(Unaddressed("]1000301")).empty());        // a digit short
}

TEST_F(SimLine, ProgramsByTheLongIdentificationForm) {
  LineConfig config = DefaultLineConfig(1);
  config.controllers[0].id = 567890;
  Line longId(config);
  // 0000567890 travels as 00005, the address, then 67890.
  const Bytes frame = EncodeFrame(
      Bytes{0x02, ']', '0', '0', '0', '0', '5', '0', '0', '7', '6', '7', '8', '9', '0'});
  EXPECT_EQ(longId.Receive(frame, now).bytes, (Bytes{0x06}));
  EXPECT_NE(longId.Find(7), nullptr);
}

TEST_F(SimLine, FaultsRefuseDropMuteAndScriptStates) {
  line.SetFaults(FaultPlan::Parse("T:refuse*1,Q:drop*1,2:mute*1,1@2:state=4,#8:corrupt"));
  EXPECT_EQ(Send(FrameFor(1, "T01000")), (Bytes{0x18}));
  EXPECT_FALSE(line.Find(1)->presetVolume());  // refused: not acted on
  EXPECT_EQ(Send(FrameFor(1, "T01000")), (Bytes{0x06}));
  EXPECT_EQ(line.Find(1)->presetVolume(), 1000);

  EXPECT_TRUE(Send(FrameFor(1, "Q1000")).empty());
  EXPECT_EQ(line.Find(1)->price(), 0);  // the frame was lost
  EXPECT_TRUE(Send(FrameFor(1, "2")).empty());
  EXPECT_EQ(line.Find(1)->phase(), Phase::kAuthorised);  // acted on, answer lost

  EXPECT_EQ(ParseReply(Send(FrameFor(1, "1"))).data, (Bytes{'2', '0'}));  // other address
  EXPECT_EQ(ParseReply(Send(FrameFor(2, "1"))).data, (Bytes{'4'}));       // scripted
  EXPECT_EQ(ParseReply(Send(FrameFor(2, "1"))).data, (Bytes{'0', '0'}));  // script over

  const ParsedReply eighth = ParseReply(Send(FrameFor(1, "1")));
  EXPECT_EQ(eighth.verdict, ReplyVerdict::kBadChecksum);
  EXPECT_EQ(ParseReply(Send(FrameFor(1, "1"))).verdict, ReplyVerdict::kData);
}

TEST_F(SimLine, DelayAndGarbageTravelWithTheAnswer) {
  line.SetFaults(FaultPlan::Parse("7:delay=400,7:garbage=AA"));
  const LineReply reply = line.Receive(FrameFor(1, "7"), now);
  EXPECT_EQ(reply.delay, std::chrono::milliseconds(400));
  ASSERT_FALSE(reply.bytes.empty());
  EXPECT_EQ(reply.bytes[0], 0xAA);
  EXPECT_EQ(ParseReply(std::span<const Byte>(reply.bytes).subspan(1)).data, (Bytes{'A'}));
}

}  // namespace
}  // namespace kavo5000::sim
