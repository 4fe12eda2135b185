// The listener's logic on byte streams written out by hand: where the framer
// cuts units (noise, broken and spoiled frames, bursts and single bytes),
// how the pairer matches replies with commands, the summary's totals, and the
// bytes of a capture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BusFramer.h"
#include "ExchangePairing.h"
#include "Frames.h"
#include "Hex.h"
#include "MonitorReport.h"
#include "Pcap.h"

namespace kavo5000::monitor {
namespace {

constexpr double kSilence = 0.020;
constexpr double kByteTime = 10.0 / 4800;
constexpr double kWindow = 1.0;

Bytes StateQuery(int nozzle) {
  const wire::AddressPair a = wire::AddressOf(nozzle);
  return wire::EncodeFrame(Bytes{a.group, a.address, wire::kCmdState});
}
const Bytes kIdle = wire::EncodeDataReply(Bytes{'0', '0'});
const Bytes kCommonSwitch =
    wire::EncodeFrame(Bytes{wire::kFirstGroup, wire::kCmdCommonSwitch, '1', '1'});

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes WithByte(Bytes b, std::size_t at, Byte value) {
  b.at(at) = value;
  return b;
}

// "F:" frame, "R:" reply, "S:" stray, then the fault and the bytes.
std::string Describe(const BusUnit& u) {
  const char* kind = u.kind == UnitKind::kFrame ? "F" : u.kind == UnitKind::kReply ? "R" : "S";
  const char* fault = u.fault == UnitFault::kNone            ? ""
                      : u.fault == UnitFault::kBadChecksum   ? " checksum"
                      : u.fault == UnitFault::kBadComplement ? " complement"
                                                             : " broken";
  return std::string(kind) + fault + ": " + wire::Hex(u.bytes);
}

TEST(BusFramerTest, CutsTheStreamByStructureAndSilence) {
  struct Case {
    const char* name;
    Bytes stream;
    bool byteByByte;  // fed one byte at a time, a byte's time apart
    std::vector<std::string> units;
  };
  const Bytes query = StateQuery(1);
  const Case cases[] = {
      {"frameAndReplyInOneBurst",
       Join({query, kIdle}),
       false,
       {"F: " + wire::Hex(query), "R: " + wire::Hex(kIdle)}},
      {"byteByByte",
       Join({query, kIdle}),
       true,
       {"F: " + wire::Hex(query), "R: " + wire::Hex(kIdle)}},
      {"noiseBeforeAFrame",
       Join({{0xFF, 0x00, 0x7E}, query}),
       false,
       {"S: FF 00 7E", "F: " + wire::Hex(query)}},
      {"controlReplies",
       Bytes{wire::kAck, wire::kUnknownCommand, wire::kRefuse},
       false,
       {"R: 06", "R: 15", "R: 18"}},
      {"badChecksum",
       Join({WithByte(query, query.size() - 1, 0x54), kIdle}),
       false,
       {"F checksum: " + wire::Hex(WithByte(query, query.size() - 1, 0x54)),
        "R: " + wire::Hex(kIdle)}},
      {"badComplementRunsToTheNextFrame",
       Join({WithByte(query, 5, 0x4F), query}),
       false,
       {"F complement: " + wire::Hex(WithByte(query, 5, 0x4F)), "F: " + wire::Hex(query)}},
      {"replyBrokenOffByAFrame",
       Join({Bytes{0x02, 0x30, 0x4F}, query}),
       false,
       {"R broken: 02 30 4F", "F: " + wire::Hex(query)}},
      {"badReplyChecksum",
       WithByte(kIdle, kIdle.size() - 1, 0x42),
       false,
       {"R checksum: " + wire::Hex(WithByte(kIdle, kIdle.size() - 1, 0x42))}},
  };
  for (const Case& c : cases) {
    BusFramer framer(kSilence, kByteTime);
    std::vector<BusUnit> units;
    auto take = [&units](std::vector<BusUnit> more) {
      for (BusUnit& u : more) units.push_back(std::move(u));
    };
    if (c.byteByByte) {
      for (std::size_t i = 0; i < c.stream.size(); ++i) {
        take(framer.Feed(std::span<const Byte>(&c.stream[i], 1),
                         static_cast<double>(i) * kByteTime));
      }
    } else {
      take(framer.Feed(c.stream, 0));
    }
    take(framer.Finish());
    std::vector<std::string> got;
    got.reserve(units.size());
    for (const BusUnit& u : units) got.push_back(Describe(u));
    EXPECT_EQ(got, c.units) << c.name;
  }
}

TEST(BusFramerTest, SilenceEndsWhatHasBegunAndTheLineRateDatesAFramesEnd) {
  BusFramer framer(kSilence, kByteTime);
  const Bytes query = StateQuery(1);
  EXPECT_TRUE(framer.Feed(std::span<const Byte>(query).first(4), 0).empty());
  EXPECT_TRUE(framer.Idle(kSilence / 2).empty()) << "not silent long enough yet";
  const std::vector<BusUnit> broken = framer.Idle(kSilence * 2);
  ASSERT_EQ(broken.size(), 1U);
  EXPECT_EQ(Describe(broken[0]), "F broken: 7F 02 21 5E");

  // A burst heard at once ends no sooner than its bytes could pass.
  const std::vector<BusUnit> whole = framer.Feed(query, 1.0);
  ASSERT_EQ(whole.size(), 1U);
  EXPECT_DOUBLE_EQ(whole[0].end, 1.0 + static_cast<double>(query.size() - 1) * kByteTime);
}

TEST(ExchangePairerTest, PairsRepliesAndNamesWhatWentWrong) {
  struct Step {
    Bytes bytes;
    UnitKind kind;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    // Each event: its unit's number, what it answers (0: nothing), problems.
    std::vector<std::string> events;
  };
  const Bytes q1 = StateQuery(1);
  const Bytes q2 = StateQuery(2);
  const Bytes badSum = WithByte(q1, q1.size() - 1, 0x54);
  const Case cases[] = {
      {"answered", {{q1, UnitKind::kFrame}, {kIdle, UnitKind::kReply}}, {"#1 -", "#2 ->1"}},
      {"unansweredBeforeTheNextFrame",
       {{q1, UnitKind::kFrame}, {q2, UnitKind::kFrame}, {kIdle, UnitKind::kReply}},
       {"#1 -", "#1 - unanswered command", "#2 -", "#3 ->2"}},
      {"replyToNobody", {{kIdle, UnitKind::kReply}}, {"#1 - reply to nobody"}},
      {"secondReply",
       {{q1, UnitKind::kFrame}, {kIdle, UnitKind::kReply}, {{wire::kAck}, UnitKind::kReply}},
       {"#1 -", "#2 ->1", "#3 - reply to nobody"}},
      {"commonSwitchAwaitsNoReply",
       {{kCommonSwitch, UnitKind::kFrame}, {q1, UnitKind::kFrame}},
       {"#1 -", "#2 -", "#2 - unanswered command"}},
      {"aFrameWithABadChecksumAwaitsNoReply",
       {{badSum, UnitKind::kFrame}, {q1, UnitKind::kFrame}},
       {"#1 - bad checksum", "#2 -", "#2 - unanswered command"}},
      {"stray", {{{0xFF}, UnitKind::kStray}}, {"#1 - stray bytes"}},
  };
  for (const Case& c : cases) {
    ExchangePairer pairer(kWindow);
    std::vector<BusEvent> events;
    double time = 0;
    for (const Step& s : c.steps) {
      BusUnit u;
      u.kind = s.kind;
      u.bytes = s.bytes;
      if (s.bytes == badSum) u.fault = UnitFault::kBadChecksum;
      u.start = time;
      u.end = time + 0.01;
      time += 0.05;
      for (BusEvent& e : pairer.Take(u)) events.push_back(std::move(e));
    }
    for (BusEvent& e : pairer.Finish()) events.push_back(std::move(e));
    std::vector<std::string> got;
    for (const BusEvent& e : events) {
      std::string text = "#" + std::to_string(e.number) +
                         (e.answers ? " ->" + std::to_string(*e.answers) : std::string(" -"));
      for (BusProblem p : e.problems) text += " " + std::string(ProblemWords(p));
      got.push_back(text);
    }
    EXPECT_EQ(got, c.events) << c.name;
  }
}

TEST(ExchangePairerTest, TheWindowGivesUpACommandAndTheDelayAndTypeFollowTheReply) {
  ExchangePairer pairer(kWindow);
  BusUnit type{UnitKind::kFrame, UnitFault::kNone,
               wire::EncodeFrame(Bytes{wire::kFirstGroup, 0x21, wire::kCmdType}), 0, 0.01};
  pairer.Take(type);
  EXPECT_TRUE(pairer.Idle(0.5).empty());
  BusUnit typeReply{UnitKind::kReply, UnitFault::kNone, wire::EncodeDataReply(Bytes{'@' + 2}), 0.03,
                    0.04};
  const std::vector<BusEvent> answered = pairer.Take(typeReply);
  ASSERT_EQ(answered.size(), 1U);
  EXPECT_NEAR(answered[0].delay.value_or(-1), 0.02, 1e-9);

  BusUnit counters{UnitKind::kFrame, UnitFault::kNone,
                   wire::EncodeFrame(Bytes{wire::kFirstGroup, 0x21, wire::kCmdDelivery}), 1.0,
                   1.01};
  pairer.Take(counters);
  EXPECT_TRUE(pairer.Idle(1.5).empty());
  const std::vector<BusEvent> late = pairer.Idle(2.02);
  ASSERT_EQ(late.size(), 1U);
  EXPECT_EQ(late[0].kind, BusEvent::Kind::kUnanswered);
  EXPECT_EQ(late[0].nozzle, 1);

  pairer.Take(counters);
  BusUnit countersReply{UnitKind::kReply, UnitFault::kNone, wire::EncodeDataReply(Bytes{'0'}), 3,
                        3};
  EXPECT_EQ(pairer.Take(countersReply).at(0).dispenserType, 2) << "the type read before";
}

TEST(BusSummaryTest, CountsExchangesUnansweredAndBusiestAddresses) {
  BusSummary summary;
  ExchangePairer pairer(kWindow);
  const std::vector<Bytes> frames = {StateQuery(3), StateQuery(3), StateQuery(1)};
  for (const Bytes& f : frames) {
    for (const BusEvent& e : pairer.Take({UnitKind::kFrame, UnitFault::kNone, f, 0, 0}))
      summary.Count(e);
  }
  for (const BusEvent& e : pairer.Take({UnitKind::kReply, UnitFault::kBadChecksum, kIdle, 0, 0}))
    summary.Count(e);
  const std::vector<std::string> expected = {
      "summary: 3 frames, 1 replies, 1 exchanges paired",
      "unanswered: 2 (nozzle address 3: 2)",
      "problems: bad checksum 1, unanswered command 2",
      "busiest nozzle addresses: 3 (2 frames), 1 (1 frames)",
  };
  EXPECT_EQ(SummaryText(summary), expected);
}

TEST(PcapTest, TheFileHeaderAndARecordAreLaidOutAsReadersExpect) {
  EXPECT_EQ(wire::Hex(PcapFileHeader()),
            "D4 C3 B2 A1 02 00 04 00 00 00 00 00 00 00 00 00 FF FF 00 00 93 00 00 00");
  CaptureRecord r;
  r.time = host::WallTime(std::chrono::microseconds(1'700'000'000'123'456));
  r.direction = Direction::kToHost;
  r.channel = 3;
  r.lineState = 1;
  r.bytes = {wire::kAck};
  EXPECT_EQ(wire::Hex(PcapRecord(r)),
            "00 F1 53 65 40 E2 01 00 05 00 00 00 05 00 00 00 01 02 03 01 06");
}

TEST(PcapTest, ATraceGivesAFrameRecordAndAReplyRecordOnlyWhereBytesCameBack) {
  host::ExchangeRecord answered;
  answered.wall = host::WallTime(std::chrono::seconds(100));
  answered.channel = 2;
  answered.frame = StateQuery(1);
  answered.received = kIdle;
  answered.lineState = 1;
  answered.milliseconds = 30;
  host::ExchangeRecord silent = answered;
  silent.received.clear();
  *silent.wall += std::chrono::milliseconds(20);  // sooner than the first exchange's end
  host::ExchangeRecord noisy = answered;
  *noisy.wall += std::chrono::milliseconds(100);
  noisy.received = Join({{0xFF}, kIdle});
  const std::vector<CaptureRecord> capture = CaptureOfTrace({answered, silent, noisy});
  ASSERT_EQ(capture.size(), 6U);
  EXPECT_EQ(capture[0].direction, Direction::kToControllers);
  EXPECT_EQ(capture[1].direction, Direction::kToHost);
  EXPECT_EQ(capture[1].bytes, kIdle);
  EXPECT_EQ(capture[1].time - capture[0].time, std::chrono::milliseconds(20))
      << "dated at the exchange's end, but never after the next frame";
  EXPECT_EQ(capture[2].bytes, StateQuery(1));
  EXPECT_EQ(capture[2].channel, 2);
  EXPECT_EQ(capture[4].time - capture[3].time, std::chrono::milliseconds(30));
  EXPECT_EQ(capture[4].direction, Direction::kUnknown);
  EXPECT_EQ(capture[4].bytes, Bytes{0xFF});
  EXPECT_EQ(capture[5].bytes, kIdle);
}

}  // namespace
}  // namespace kavo5000::monitor
