// What the tool decides without a line: how an operation's outcome is worded
// from the status and the exchanges the port saw, which numbers, amounts,
// parameter values and port texts are refused before anything is sent, and
// what a preset went on the line as.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Checks.h"
#include "Frames.h"
#include "Outcome.h"
#include "ParamLimits.h"
#include "ParameterUnit.h"
#include "ScanProgress.h"

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
    const auto failure =
        FailureText(JudgeOperation(c.status, c.exchanges, c.refusals, c.tolerated));
    if (c.expected == nullptr) {
      EXPECT_FALSE(failure.has_value()) << c.name << ": " << failure.value_or("");
    } else {
      ASSERT_TRUE(failure.has_value()) << c.name;
      EXPECT_NE(failure->find(c.expected), std::string::npos) << c.name << ": " << *failure;
    }
  }
}

// Each refusal the tool makes before anything is sent, and its neighbours that
// must pass: a nozzle beyond its dispenser would drive another dispenser's.
TEST(ToolChecks, RefusesWhatWouldReachTheWrongPlaceOrNotFit) {
  struct Case {
    const char* name;
    std::optional<std::string> refusal;
    const char* expected;  // nullptr: accepted
  };
  const Case cases[] = {
      {"nozzle5of4", PlaceRefusal(1, 5, 4), "its nozzle 5 would be dispenser 2 nozzle 1"},
      {"nozzle4of4", PlaceRefusal(1, 4, 4), nullptr},
      {"nozzle3of2", PlaceRefusal(3, 3, 2), "its nozzle 3 would be dispenser 4 nozzle 1"},
      {"noNozzlesConfigured", PlaceRefusal(1, 5, 0), nullptr},  // the number is the address
      {"dispenser0", PlaceRefusal(0, std::nullopt, 4), "dispenser 0 has no nozzle address"},
      {"dispenser0NoNozzles", PlaceRefusal(0, 1, 0), nullptr},
      {"paramOfNozzle5", ParamNumberRefusal(1, kavo5000::HostParamNumber(5, 0), 4),
       "parameter 250 belongs to nozzle 5"},
      {"paramOfNozzle4", ParamNumberRefusal(1, kavo5000::HostParamNumber(4, 59), 4), nullptr},
      {"switch", ParamNumberRefusal(1, 3, 1), nullptr},
      {"priceLargest", AmountRefusal(AmountKind::kPrice, 99.99), nullptr},
      {"priceTooLarge", AmountRefusal(AmountKind::kPrice, 99999999), "outside 0.00 to 99.99"},
      {"priceRoundsUp", AmountRefusal(AmountKind::kPrice, 99.996), "outside 0.00 to 99.99"},
      {"volumeTooLarge", AmountRefusal(AmountKind::kVolume, 1000), "outside 0.00 to 999.99"},
      {"moneyLargest", AmountRefusal(AmountKind::kMoney, 9999.99), nullptr},
      {"totalTooLarge", AmountRefusal(AmountKind::kTotal, 1e10), "12 digits"},
      {"framing", FramingRefusal("/dev/pts/3:4800:7X1"), "framing \"7X1\" is not data bits"},
      {"framingGood", FramingRefusal("/dev/pts/3:4800:7e2"), nullptr},
      {"baudOnly", FramingRefusal("/dev/pts/3:9600"), nullptr},
      {"tcp", FramingRefusal("tcp://127.0.0.1:4001"), nullptr},
  };
  for (const Case& c : cases) {
    if (c.expected == nullptr) {
      EXPECT_FALSE(c.refusal.has_value()) << c.name << ": " << c.refusal.value_or("");
    } else {
      ASSERT_TRUE(c.refusal.has_value()) << c.name;
      EXPECT_NE(c.refusal->find(c.expected), std::string::npos) << c.name << ": " << *c.refusal;
    }
  }
}

TEST(ToolChecks, WarnsOfAConfigurationByteWithoutNozzles) {
  EXPECT_NE(ConfigWarning(0x10).value_or("").find("0x10 means 0 nozzles per dispenser"),
            std::string::npos);
  EXPECT_NE(ConfigWarning(0x90).value_or("").find("0x94 keeps 4"), std::string::npos);
  EXPECT_FALSE(ConfigWarning(0x00).has_value());  // 0 means four
  EXPECT_FALSE(ConfigWarning(0x14).has_value());
}

// What a preset went on the line as, read off its frame; the money a volume
// preset stands for is the driver's cut to hundredths.
TEST(ToolPresets, ReadWhatWasSentOffTheFrame) {
  const auto preset = [](char c, const char* digits) {
    wire::Bytes command{0x02, 0x22, static_cast<std::uint8_t>(c)};
    for (const char* d = digits; *d != 0; ++d) command.push_back(static_cast<std::uint8_t>(*d));
    ExchangeRecord r = Exchange(c, kAccepted);
    r.frame = wire::EncodeFrame(command);
    return r;
  };
  const auto volume =
      PresetSent({preset('Q', "5240"), preset('T', "00190"), Exchange('1', kAccepted)});
  ASSERT_TRUE(volume.has_value());
  EXPECT_FALSE(volume->money);
  EXPECT_DOUBLE_EQ(volume->amount, 1.90);
  const auto money = PresetSent({preset('S', "010000")});
  ASSERT_TRUE(money.has_value());
  EXPECT_TRUE(money->money);
  EXPECT_DOUBLE_EQ(money->amount, 100.00);
  EXPECT_FALSE(PresetSent({preset('Q', "5240")}).has_value());
  EXPECT_DOUBLE_EQ(MoneyAsLitres(100.00, 52.40), 1.90);
  EXPECT_DOUBLE_EQ(MoneyAsLitres(99.996, 50.00), 2.00);  // a hair below still reaches it
}

TEST(ToolOutcome, FindsARefusedClose) {
  EXPECT_TRUE(CloseRefused({Exchange('4', kAccepted), Exchange('8', kRefused)}));
  EXPECT_FALSE(CloseRefused({Exchange('8', kAccepted), Exchange('T', kRefused)}));
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

// The scan's progress counts within its range and stays off a stderr that
// is not a terminal.
TEST(ToolScanProgress, CountsWithinTheRangeOnATerminalOnly) {
  struct Case {
    int address, first, last;
    bool terminal;
    const char* expected;
  };
  const Case cases[] = {
      {17, 1, 64, true, "\r\x1b[Kscanning address 17 (17 of 64)"},
      {7, 5, 20, true, "\r\x1b[Kscanning address 7 (3 of 16)"},
      {17, 1, 64, false, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScanProgressLine(c.address, c.first, c.last, c.terminal), c.expected) << c.address;
  EXPECT_EQ(ScanProgressClear(true), "\r\x1b[K");
  EXPECT_EQ(ScanProgressClear(false), "");
}

TEST(ToolParamNames, FindsTheOneParameterAPartOfItsNameNames) {
  EXPECT_EQ(FindCodeByName("ДОЗА ОТП").code, std::optional<int>(23));  // Cyrillic, any case
  EXPECT_EQ(FindCodeByName("версии по").code, std::optional<int>(19));
  EXPECT_EQ(FindCodeByName("ёмкость").code, std::nullopt);
  const CodeByName several = FindCodeByName("минимальная");
  EXPECT_FALSE(several.code.has_value());
  EXPECT_NE(several.error.find("is in 4 names"), std::string::npos) << several.error;
  EXPECT_FALSE(FindCodeByName("").code.has_value());
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
