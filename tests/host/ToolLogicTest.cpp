// What the tool decides without a line: how an operation's outcome is worded
// from the status and the exchanges the port saw, and which parameter values
// are refused before anything is sent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Frames.h"
#include "Outcome.h"
#include "ParamLimits.h"
#include "ParameterUnit.h"

namespace kavo5000::tool {
namespace {

using host::ExchangeRecord;
using host::ExchangeVerdict;

// One exchange of command c to nozzle address 1, answered as given.
ExchangeRecord Exchange(char c, std::vector<std::uint8_t> reply,
                        ExchangeVerdict verdict = ExchangeVerdict::kValid) {
  ExchangeRecord r;
  r.frame = wire::EncodeFrame(wire::Bytes{0x02, 0x21, static_cast<std::uint8_t>(c)});
  r.reply = std::move(reply);
  r.received = r.reply;
  r.verdict = verdict;
  return r;
}

const std::vector<std::uint8_t> kAccepted{0x06};
const std::vector<std::uint8_t> kRefused{0x18};
const std::vector<std::uint8_t> kTotals = wire::EncodeDataReply(wire::Digits(0, 24));

TEST(ToolOutcome, NamesWhatHappened) {
  struct Case {
    const char* name;
    Byte status;
    std::vector<ExchangeRecord> exchanges;
    Refusals refusals;
    const char* tolerated;
    const char* expected;  // nullptr: success
  };
  const Case cases[] = {
      {"accepted", 1, {Exchange('8', kAccepted)}, Refusals::kFail, "", nullptr},
      {"refusedClose", 1, {Exchange('8', kRefused)}, Refusals::kFail, "", "refused '8'"},
      {"refusedPrepareThenStarted",
       1,
       {Exchange('8', kAccepted), Exchange('U', kRefused), Exchange('2', kAccepted)},
       Refusals::kFail,
       "8",
       "refused 'U'"},
      {"toleratedClose",
       1,
       {Exchange('8', kRefused), Exchange('U', kAccepted), Exchange('2', kAccepted)},
       Refusals::kFail,
       "8",
       nullptr},
      {"refusalNotJudged", 1, {Exchange('1', kRefused)}, Refusals::kTolerate, "", nullptr},
      {"refusalCodeWins", 0x12, {Exchange('T', kRefused)}, Refusals::kFail, "", "volume preset"},
      {"silent",
       2,
       {Exchange('6', {}, ExchangeVerdict::kNoReply)},
       Refusals::kTolerate,
       "",
       "no reply"},
      {"silentTotalsNotEmpty",
       3,
       {Exchange('6', {}, ExchangeVerdict::kNoReply)},
       Refusals::kTolerate,
       "",
       "no reply from the controller to '6'"},
      {"refusedQuery", 3, {Exchange('1', kRefused)}, Refusals::kTolerate, "", "refused '1'"},
      {"malformed",
       3,
       {Exchange('1', {0x02, 0x31}, ExchangeVerdict::kMalformed)},
       Refusals::kTolerate,
       "",
       "unusable (malformed"},
      {"emptyTotal",
       3,
       {Exchange('6', kTotals)},
       Refusals::kTolerate,
       "",
       "volume total read is 0"},
      {"shortReply",
       3,
       {Exchange('5', wire::EncodeDataReply(wire::Bytes{'1'}))},
       Refusals::kTolerate,
       "",
       "too short"},
  };
  for (const Case& c : cases) {
    const auto failure = FailureOf(c.status, c.exchanges, c.refusals, c.tolerated);
    if (c.expected == nullptr) {
      EXPECT_FALSE(failure.has_value()) << c.name << ": " << failure.value_or("");
    } else {
      ASSERT_TRUE(failure.has_value()) << c.name;
      EXPECT_NE(failure->find(c.expected), std::string::npos) << c.name << ": " << *failure;
    }
  }
}

TEST(ToolParamLimits, RefusesWhatTheControllerWouldCut) {
  struct Case {
    std::int32_t number;
    std::int32_t value;
    const char* expected;  // nullptr: accepted
  };
  const Case cases[] = {
      {33, 250, nullptr},
      {33, 500, nullptr},
      {33, 1000, "1000 is outside 1..500 (0.01 to 5.00 л)"},  // 3 digits would send 000
      {33, 0, "0 is outside 1..500"},
      {93, 1000, "nozzle 2, index 23"},  // the second nozzle's copy of the same parameter
      {3, 9, nullptr},
      {3, 10, "common switch 3: 10 is outside 0..9"},
      {9, 1000599, nullptr},  // address programming: the driver checks its parts
      {-1, 5, nullptr},       // the driver's own refusal
      {33, -5, nullptr},
  };
  for (const Case& c : cases) {
    const auto refusal = ParamValueRefusal(c.number, c.value);
    if (c.expected == nullptr) {
      EXPECT_FALSE(refusal.has_value()) << c.number << "=" << c.value << ": " << *refusal;
    } else {
      ASSERT_TRUE(refusal.has_value()) << c.number << "=" << c.value;
      EXPECT_NE(refusal->find(c.expected), std::string::npos) << *refusal;
      EXPECT_NE(refusal->find("nothing was sent"), std::string::npos) << *refusal;
    }
  }
}

TEST(ToolParamValues, ReadsValuesInTheParametersUnit) {
  struct Case {
    int code;
    const char* text;
    std::int32_t raw;  // −1: refused
  };
  const Case cases[] = {
      {23, "2.50", 250},   {23, "2,5", 250},   {23, "7.50", -1},  // 0.01..5.00 л, two decimals
      {23, "lots", -1},    {0, "1", 1},        {0, "0-Импульсная система команд (ручной режим)", 0},
      {0, "7", -1},        {36, "-5", 205},    {36, "21", 21},
      {36, "off", 200},    {36, "-150", -1},   {24, "7-250", 7250},
      {24, "7 250", 7250}, {24, "1000-1", -1}, {37, "off", 200},
      {37, "on", 1},
  };
  for (const Case& c : cases) {
    const catalogue::CParameter* row = ParameterRow(c.code);
    ASSERT_NE(row, nullptr) << c.code;
    const RawValue value = RawFromText(*row, c.text);
    if (c.raw < 0) {
      EXPECT_FALSE(value.raw.has_value()) << c.code << " " << c.text << " -> " << *value.raw;
      EXPECT_FALSE(value.error.empty()) << c.code << " " << c.text;
    } else {
      EXPECT_EQ(value.raw, std::optional<std::int32_t>(c.raw))
          << c.code << " " << c.text << ": " << value.error;
    }
  }
}

}  // namespace
}  // namespace kavo5000::tool
