// Outcome.cpp — judging an operation by its status and its exchanges.
#include "Outcome.h"

#include "Decode.h"
#include "ExchangeOutcome.h"
#include "Frames.h"
#include "HostText.h"
#include "LineHostPort.h"
#include "Readings.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {

using host::CommandByte;
using host::IsDataReply;
using host::IsRefusal;

// A status code an operation stored for a refusal: its text names the command.
bool IsRefusalCode(kavo5000::Byte status) {
  return status >= kStatusStartRefused && status <= kStatusDeliveryRefused;
}

}  // namespace

std::optional<int> DispenserTypeOf(const host::ExchangeRecord& exchange) {
  if (exchange.verdict != host::ExchangeVerdict::kValid ||
      CommandByte(exchange.frame) != wire::kCmdType) {
    return std::nullopt;
  }
  const wire::ParsedReply reply = wire::ParseReply(exchange.reply);
  if (reply.verdict != wire::ReplyVerdict::kData) return std::nullopt;
  return wire::TypeReading(reply.data);
}

bool IsEmptyTotal(kavo5000::Byte status, const std::vector<host::ExchangeRecord>& exchanges) {
  return status == kStatusTotalsEmpty && !exchanges.empty() && IsDataReply(exchanges.back()) &&
         CommandByte(exchanges.back().frame) == wire::kCmdTotals;
}

std::optional<SentPreset> PresetSent(const std::vector<host::ExchangeRecord>& exchanges) {
  for (auto r = exchanges.rbegin(); r != exchanges.rend(); ++r) {
    const std::uint8_t c = CommandByte(r->frame);
    if (c != wire::kCmdPresetVolume && c != wire::kCmdPresetMoney) continue;
    const wire::Bytes command = wire::ParseFrame(r->frame).command;
    std::int64_t hundredths = 0;
    for (std::size_t i = wire::kArgumentsAt; i < command.size(); ++i) {
      hundredths = hundredths * 10 + (command[i] - wire::kDigitZero);
    }
    return SentPreset{c == wire::kCmdPresetMoney, host::FromHundredths(hundredths)};
  }
  return std::nullopt;
}

bool CommandSent(const std::vector<host::ExchangeRecord>& exchanges, std::uint8_t command) {
  for (const host::ExchangeRecord& r : exchanges) {
    if (CommandByte(r.frame) == command) return true;
  }
  return false;
}

bool CloseRefused(const std::vector<host::ExchangeRecord>& exchanges) {
  for (const host::ExchangeRecord& r : exchanges) {
    if (IsRefusal(r) && CommandByte(r.frame) == wire::kCmdClose) return true;
  }
  return false;
}

std::string CommandOf(const std::vector<std::uint8_t>& frame) {
  const std::uint8_t c = CommandByte(frame);
  if (c == 0) return "the command";
  const std::string name = wire::CommandName(c);
  std::string text = "'";
  text += static_cast<char>(c);
  text += "'";
  return name.empty() ? text : text + " (" + name + ")";
}

std::optional<std::string> FailureOf(kavo5000::Byte status,
                                     const std::vector<host::ExchangeRecord>& exchanges,
                                     Refusals refusals, std::string_view tolerated) {
  // A refusal code names what was refused better than the bare command.
  if (IsRefusalCode(status)) return StatusMessage(status);
  if (refusals == Refusals::kFail) {
    for (const host::ExchangeRecord& r : exchanges) {
      if (IsRefusal(r) &&
          tolerated.find(static_cast<char>(CommandByte(r.frame))) == std::string_view::npos) {
        return "the controller refused " + CommandOf(r.frame);
      }
    }
  }
  if (status == kLineValid) return std::nullopt;
  if (exchanges.empty()) return StatusMessage(status);
  // The last exchange set the status (or the operation judged its reply).
  const host::ExchangeRecord& last = exchanges.back();
  if (last.verdict == host::ExchangeVerdict::kNoReply) {
    return "no reply from the controller to " + CommandOf(last.frame) + " in time";
  }
  if (IsRefusal(last)) return "the controller refused " + CommandOf(last.frame);
  if (last.verdict != host::ExchangeVerdict::kValid) {
    return "the controller's reply to " + CommandOf(last.frame) + " was unusable (" +
           std::string(host::VerdictText(last.verdict)) + "; --verbose shows the bytes)";
  }
  if (IsEmptyTotal(status, exchanges)) return "the volume total read is 0 (status 3)";
  if (status == kLineMalformed) {
    return "the controller's reply to " + CommandOf(last.frame) +
           " was too short to hold the value (--verbose shows the bytes)";
  }
  return StatusMessage(status);
}

}  // namespace kavo5000::tool
