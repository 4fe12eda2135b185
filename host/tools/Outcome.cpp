// Outcome.cpp — the judge's verdict on an operation, in the tool's words.
#include "Outcome.h"

#include "Decode.h"
#include "LineHostPort.h"
#include "Text.h"

namespace kavo5000::tool {

using host::OutcomeKind;

std::string CommandOf(std::uint8_t command) {
  if (command == 0) return "the command";
  const std::string name = wire::CommandName(command);
  std::string text = "'";
  text += static_cast<char>(command);
  text += "'";
  return name.empty() ? text : text + " (" + name + ")";
}

std::optional<std::string> FailureText(const host::OperationOutcome& o) {
  switch (o.kind) {
    case OutcomeKind::kDone:
      return std::nullopt;
    case OutcomeKind::kRefused:
      return "the controller refused " + CommandOf(o.command);
    case OutcomeKind::kNoReply:
      return "no reply from the controller to " + CommandOf(o.command) + " in time";
    case OutcomeKind::kUnusableReply:
      return "the controller's reply to " + CommandOf(o.command) + " was unusable (" +
             std::string(host::VerdictText(o.verdict)) + "; --verbose shows the bytes)";
    case OutcomeKind::kEmptyTotal:
      return "the volume total read is 0 (status 3)";
    case OutcomeKind::kTooShort:
      return "the controller's reply to " + CommandOf(o.command) +
             " was too short to hold the value (--verbose shows the bytes)";
    case OutcomeKind::kTransportFailed:
      return "the exchange with the controller did not take place";
    case OutcomeKind::kRefusalCode:
    case OutcomeKind::kStatus:
      break;
  }
  return StatusMessage(o.status);
}

}  // namespace kavo5000::tool
