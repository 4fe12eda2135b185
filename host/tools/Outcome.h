// Outcome.h — what became of one driver operation, worded for the user. The
// driver leaves a status byte, and status 3 alone cannot tell a malformed
// reply from a refused query or an empty total; the exchanges the port saw
// during the operation can. Pure: status and exchange records in, a verdict
// out.
#ifndef KAVO5000_TOOL_OUTCOME_H
#define KAVO5000_TOOL_OUTCOME_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Trace.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::tool {

// Whether a refused command among the operation's exchanges fails it even
// where the driver records no code for the refusal (a close) or goes on past
// it (the preparation step of an extended start).
enum class Refusals { kFail, kTolerate };

// Why the operation failed, or nothing when it succeeded.
// `tolerated` lists command characters whose refusal never fails the
// operation (the close an extended start sends first, whatever it finds).
std::optional<std::string> FailureOf(kavo5000::Byte status,
                                     const std::vector<host::ExchangeRecord>& exchanges,
                                     Refusals refusals, std::string_view tolerated = {});

// A totals query that read a volume total of 0: the driver reports it with
// status 3, the same code as a malformed reply.
bool IsEmptyTotal(kavo5000::Byte status, const std::vector<host::ExchangeRecord>& exchanges);

// The dispenser type a valid answer to '7' carries, taken as the driver takes
// it (a byte out of range counts as type 1); none for any other exchange.
std::optional<int> DispenserTypeOf(const host::ExchangeRecord& exchange);

// A preset as it went on the line: 'T' litres or 'S' money, in hundredths.
struct SentPreset {
  bool money = false;
  double amount = 0;
};
// The last preset among the exchanges, read off its frame; none when no
// preset was sent.
std::optional<SentPreset> PresetSent(const std::vector<host::ExchangeRecord>& exchanges);

// Whether a frame carrying `command` went out among the exchanges.
bool CommandSent(const std::vector<host::ExchangeRecord>& exchanges, std::uint8_t command);

// Whether the controller refused a close ('8') among the exchanges.
bool CloseRefused(const std::vector<host::ExchangeRecord>& exchanges);

// "'8' (close the transaction)" for the command a frame carries.
std::string CommandOf(const std::vector<std::uint8_t>& frame);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_OUTCOME_H
