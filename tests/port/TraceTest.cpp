// Trace lines: a record survives writing and reading back whole, each
// verdict keeps the text traces already on disk spell it with, the wall time
// keeps its one form, and a trace with a bad line is refused naming it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "Trace.h"

namespace kavo5000::host {
namespace {

using std::chrono::milliseconds;

// 2026-12-08T04:31:02.123Z
const WallTime kWall = WallTime(std::chrono::seconds(1796704262)) + milliseconds(123);

TEST(TraceLines, ARecordComesBackAsItWasWritten) {
  ExchangeRecord r;
  r.time = 12.345678;
  r.wall = kWall;
  r.channel = 20;
  r.command = "param set \"33\" — объём";  // quotes and UTF-8 need escaping as they are
  r.frame = {0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x55};
  r.received = {0xFF, 0x02, 0x41, 0x3E, 0x03, 0x03, 0x42};
  r.reply = {0x02, 0x41, 0x3E, 0x03, 0x03, 0x42};
  r.verdict = ExchangeVerdict::kValid;
  r.lineState = 1;
  r.lineError = 222;
  r.result = 5;
  r.milliseconds = 37.502;

  const std::string line = ToJsonLine(r);
  EXPECT_NE(line.find("\"wall\":\"2026-12-08T04:31:02.123Z\""), std::string::npos) << line;
  const ExchangeRecord back = FromJsonLine(line);
  EXPECT_DOUBLE_EQ(back.time, r.time);
  EXPECT_EQ(back.wall, r.wall);
  EXPECT_EQ(back.channel, r.channel);
  EXPECT_EQ(back.command, r.command);
  EXPECT_EQ(back.frame, r.frame);
  EXPECT_EQ(back.received, r.received);
  EXPECT_EQ(back.reply, r.reply);
  EXPECT_EQ(back.verdict, r.verdict);
  EXPECT_EQ(back.lineState, r.lineState);
  EXPECT_EQ(back.lineError, r.lineError);
  EXPECT_EQ(back.result, r.result);
  EXPECT_DOUBLE_EQ(back.milliseconds, r.milliseconds);
}

TEST(TraceLines, EachVerdictIsWrittenAndReadAsTracesSpellIt) {
  struct Case {
    ExchangeVerdict verdict;
    const char* text;
  };
  const Case cases[] = {
      {ExchangeVerdict::kValid, "valid"},
      {ExchangeVerdict::kNoReply, "no reply"},
      {ExchangeVerdict::kBadChecksum, "bad checksum"},
      {ExchangeVerdict::kNoStartByte, "no start byte"},
      {ExchangeVerdict::kMalformed, "malformed"},
      {ExchangeVerdict::kIncomplete, "incomplete"},
      {ExchangeVerdict::kTransportFailure, "transport failure"},
      {ExchangeVerdict::kNotAwaited, "not awaited"},
  };
  for (const Case& c : cases) {
    ExchangeRecord r;
    r.verdict = c.verdict;
    const std::string line = ToJsonLine(r);
    EXPECT_NE(line.find(std::string("\"verdict\":\"") + c.text + "\""), std::string::npos) << line;
    EXPECT_EQ(FromJsonLine(line).verdict, c.verdict) << c.text;
  }
}

TEST(TraceLines, WallTimeIsOneExactForm) {
  EXPECT_EQ(FormatWallTime(kWall + std::chrono::microseconds(999)), "2026-12-08T04:31:02.123Z");
  EXPECT_EQ(ParseWallTime("2026-12-08T04:31:02.123Z"), kWall);
  for (const char* bad : {"2026-12-08T04:31:02Z", "2026-12-08 04:31:02.123Z",
                          "2026-12-08T04:31:02.123+01:00", "2026-13-08T04:31:02.123Z"}) {
    EXPECT_FALSE(ParseWallTime(bad)) << bad;
  }
}

TEST(TraceFiles, ABadLineIsRefusedByItsNumber) {
  ExchangeRecord r;
  r.frame = {0x7F};
  const std::string good = ToJsonLine(r);
  struct Case {
    std::string line;
    const char* complaint;
  };
  const Case cases[] = {
      {"{\"t\":0.5,", "not JSON"},
      {"[1,2]", "not a JSON object"},
      {good.substr(0, good.find(",\"frame\"")) + "}", "no \"frame\""},
      {R"({"t":0,"channel":300,"frame":"","received":"","reply":"","verdict":"","state":0,"error":0,"result":0,"ms":0})",
       "\"channel\" is not a whole number in 0..255"},
      {R"({"t":0,"channel":1,"frame":"7G","received":"","reply":"","verdict":"","state":0,"error":0,"result":0,"ms":0})",
       "\"frame\" is not hex bytes"},
      {R"({"t":0,"wall":"yesterday","channel":1,"frame":"","received":"","reply":"","verdict":"","state":0,"error":0,"result":0,"ms":0})",
       "\"wall\" is not a time"},
      {R"({"t":"0","channel":1,"frame":"","received":"","reply":"","verdict":"","state":0,"error":0,"result":0,"ms":0})",
       "\"t\" is not a number"},
      {R"({"t":0,"channel":1,"frame":"","received":"","reply":"","verdict":"fine","state":0,"error":0,"result":0,"ms":0})",
       "\"verdict\" is not one the port writes"},
  };
  for (const Case& c : cases) {
    std::istringstream in(good + "\n\n" + c.line + "\n" + good + "\n");
    try {
      ReadTrace(in, "t.jsonl");
      ADD_FAILURE() << "accepted " << c.line;
    } catch (const TraceFormatError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind("t.jsonl line 3: ", 0), 0u) << what;
      EXPECT_NE(what.find(c.complaint), std::string::npos) << what;
    }
  }
  // A trace written before lines carried the wall time and the context.
  std::istringstream old(
      R"({"t":0.012345,"channel":1,"frame":"7F 02 21 5E 37 48 03 03 55","received":"06","reply":"06","verdict":"valid","state":1,"error":0,"result":0,"ms":37.502})");
  const auto records = ReadTrace(old);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_FALSE(records[0].wall);
  EXPECT_EQ(records[0].reply, (std::vector<std::uint8_t>{0x06}));
  EXPECT_THROW(ReadTrace(::testing::TempDir() + "no/such/trace.jsonl"), TraceFormatError);
}

}  // namespace
}  // namespace kavo5000::host
