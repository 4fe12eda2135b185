// OperationOutcome.cpp — an operation judged by its status and its exchanges.
#include "OperationOutcome.h"

#include "ExchangeOutcome.h"
#include "Frames.h"
#include "HostText.h"
#include "LineProtocol.h"
#include "Readings.h"

namespace kavo5000::host {

namespace {

// A status code an operation stored for a refusal: its text names the command.
bool IsRefusalCode(Byte status) {
  return status >= kStatusStartRefused && status <= kStatusDeliveryRefused;
}

OperationOutcome About(OutcomeKind kind, Byte status, const ExchangeRecord& exchange) {
  return {kind, status, CommandByte(exchange.frame), exchange.verdict};
}

}  // namespace

OperationOutcome JudgeOperation(Byte status, const std::vector<ExchangeRecord>& exchanges,
                                Refusals refusals, std::string_view tolerated) {
  // A refusal code names what was refused better than the bare command.
  if (IsRefusalCode(status)) return {OutcomeKind::kRefusalCode, status};
  if (refusals == Refusals::kFail) {
    for (const ExchangeRecord& r : exchanges) {
      if (IsRefusal(r) &&
          tolerated.find(static_cast<char>(CommandByte(r.frame))) == std::string_view::npos) {
        return About(OutcomeKind::kRefused, status, r);
      }
    }
  }
  if (status == kLineValid) return {OutcomeKind::kDone, status};
  if (exchanges.empty()) return {OutcomeKind::kStatus, status};
  // The last exchange set the status (or the operation judged its reply).
  const ExchangeRecord& last = exchanges.back();
  if (last.verdict == ExchangeVerdict::kNoReply) return About(OutcomeKind::kNoReply, status, last);
  if (IsRefusal(last)) return About(OutcomeKind::kRefused, status, last);
  if (last.verdict != ExchangeVerdict::kValid) {
    return About(OutcomeKind::kUnusableReply, status, last);
  }
  if (IsEmptyTotal(status, exchanges)) return About(OutcomeKind::kEmptyTotal, status, last);
  if (status == kLineMalformed) return About(OutcomeKind::kTooShort, status, last);
  return {OutcomeKind::kStatus, status};
}

bool IsEmptyTotal(Byte status, const std::vector<ExchangeRecord>& exchanges) {
  return status == kStatusTotalsEmpty && !exchanges.empty() && IsDataReply(exchanges.back()) &&
         CommandByte(exchanges.back().frame) == wire::kCmdTotals;
}

std::optional<int> DispenserTypeOf(const ExchangeRecord& exchange) {
  if (exchange.verdict != ExchangeVerdict::kValid ||
      CommandByte(exchange.frame) != wire::kCmdType) {
    return std::nullopt;
  }
  const wire::ParsedReply reply = wire::ParseReply(exchange.reply);
  if (reply.verdict != wire::ReplyVerdict::kData) return std::nullopt;
  return wire::TypeReading(reply.data);
}

std::optional<SentPreset> PresetSent(const std::vector<ExchangeRecord>& exchanges) {
  for (auto r = exchanges.rbegin(); r != exchanges.rend(); ++r) {
    const std::uint8_t c = CommandByte(r->frame);
    if (c != wire::kCmdPresetVolume && c != wire::kCmdPresetMoney) continue;
    const wire::Bytes command = wire::ParseFrame(r->frame).command;
    std::int64_t hundredths = 0;
    for (std::size_t i = wire::kArgumentsAt; i < command.size(); ++i) {
      hundredths = hundredths * 10 + (command[i] - wire::kDigitZero);
    }
    return SentPreset{c == wire::kCmdPresetMoney, FromHundredths(hundredths)};
  }
  return std::nullopt;
}

bool CommandSent(const std::vector<ExchangeRecord>& exchanges, std::uint8_t command) {
  for (const ExchangeRecord& r : exchanges) {
    if (CommandByte(r.frame) == command) return true;
  }
  return false;
}

bool CloseRefused(const std::vector<ExchangeRecord>& exchanges) {
  for (const ExchangeRecord& r : exchanges) {
    if (IsRefusedClose(r)) return true;
  }
  return false;
}

}  // namespace kavo5000::host
