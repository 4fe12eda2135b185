// Outcome.h — what became of one driver operation, worded for the user in
// English. The kit's one judge (host/outcome) decides what the operation came
// to; this file only says it. Pure: status and exchange records in, a
// sentence or nothing out.
#ifndef KAVO5000_TOOL_OUTCOME_H
#define KAVO5000_TOOL_OUTCOME_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "OperationOutcome.h"
#include "Trace.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::tool {

using host::CloseRefused;
using host::CommandSent;
using host::DispenserTypeOf;
using host::IsEmptyTotal;
using host::JudgeOperation;
using host::PresetSent;
using host::Refusals;
using host::SentPreset;

// The judge's verdict in words, or nothing when the operation succeeded.
std::optional<std::string> FailureText(const host::OperationOutcome& outcome);

// "'8' (close the transaction)" for a command character, "the command" for 0.
std::string CommandOf(std::uint8_t command);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_OUTCOME_H
