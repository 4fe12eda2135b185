// OperationOutcome.h — what one driver operation came to, judged once for
// every host program of the kit from the channel status the driver left and
// the exchanges the port logged during the operation. Status 3 alone cannot
// tell a malformed reply from a refused query or an empty total, and the
// driver keeps no code for a refused close; the exchanges can. Pure: status
// and exchange records in, a verdict out; each host words it in its own
// language.
#ifndef KAVO5000_HOST_OUTCOME_OPERATIONOUTCOME_H
#define KAVO5000_HOST_OUTCOME_OPERATIONOUTCOME_H

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "Trace.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::host {

// Whether a refused command among the operation's exchanges fails it even
// where the driver records no code for the refusal (a close) or goes on past
// it (the preparation step of an extended start).
enum class Refusals { kFail, kTolerate };

enum class OutcomeKind {
  kDone,             // the channel status is valid and nothing counted was refused
  kRefusalCode,      // the driver stored a refusal code: the status names what was refused
  kRefused,          // the controller refused `command`, and the driver stored no code
  kNoReply,          // `command` had no reply in time
  kUnusableReply,    // the reply to `command` failed its check (`verdict`)
  kEmptyTotal,       // a totals query read a volume total of 0 (the driver says status 3)
  kTooShort,         // a valid reply to `command` too short to hold the value (status 3)
  kStatus,           // any other status: its code is all there is
  kTransportFailed,  // the exchange did not take place (the port said so)
};

struct OperationOutcome {
  OutcomeKind kind = OutcomeKind::kDone;
  Byte status = kLineValid;  // the channel status the driver left
  std::uint8_t command = 0;  // the command the verdict is about, 0 when none
  ExchangeVerdict verdict = ExchangeVerdict::kValid;
};

// Judges an operation. `tolerated` lists command characters whose refusal
// never fails it (the close an extended start sends first, whatever it finds).
OperationOutcome JudgeOperation(Byte status, const std::vector<ExchangeRecord>& exchanges,
                                Refusals refusals, std::string_view tolerated = {});

// A totals query that read a volume total of 0.
bool IsEmptyTotal(Byte status, const std::vector<ExchangeRecord>& exchanges);

// The dispenser type a valid answer to '7' carries, taken as the driver takes
// it (a byte out of range counts as type 1); none for any other exchange.
std::optional<int> DispenserTypeOf(const ExchangeRecord& exchange);

// A preset as it went on the line: 'T' litres or 'S' money.
struct SentPreset {
  bool money = false;
  double amount = 0;
};
// The last preset among the exchanges, read off its frame; none when no
// preset was sent.
std::optional<SentPreset> PresetSent(const std::vector<ExchangeRecord>& exchanges);

// Whether a frame carrying `command` went out among the exchanges.
bool CommandSent(const std::vector<ExchangeRecord>& exchanges, std::uint8_t command);

// Whether the controller refused a close among the exchanges.
bool CloseRefused(const std::vector<ExchangeRecord>& exchanges);

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_OUTCOME_OPERATIONOUTCOME_H
