// Faults.cpp — parsing fault rules and applying them to exchanges and answers.
#include "Faults.h"

#include <charconv>

#include "Decode.h"
#include "Hex.h"

namespace kavo5000::sim {

namespace {
constexpr char kRuleSeparator = ',';
constexpr char kTargetSeparator = ':';
constexpr char kAddressMark = '@';
constexpr char kExchangeMark = '#';
constexpr char kAnyTarget = '*';
constexpr char kCountMark = '*';
constexpr char kArgumentMark = '=';
constexpr char kStateSeparator = '/';
constexpr Byte kCorruptMask = 0x01;  // the bit a corruption flips
constexpr std::size_t kMaxStateBytes = 2;
const Bytes kDefaultGarbage = {0xFF, 0x00, 0x7E};                // no reply's first byte among them
constexpr int kFirstAddress = 1;                                 // nozzle addresses count from 1
constexpr std::int64_t kLastBytePosition = wire::kMaxFrame - 1;  // of the longest answer
const char* const kCommandList = "1 2 3 4 5 6 7 8 N O Q S T U V W ]";

std::string Quote(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

std::int64_t Number(std::string_view text, std::string_view rule, const char* what) {
  std::int64_t value = 0;
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < 0) {
    throw FaultSpecError("fault rule " + Quote(rule) + ": " + what + " must be a whole number ≥ 0");
  }
  return value;
}

FaultAction ActionNamed(std::string_view name, std::string_view rule) {
  if (name == "refuse") return FaultAction::kRefuse;
  if (name == "drop") return FaultAction::kDrop;
  if (name == "mute") return FaultAction::kMute;
  if (name == "truncate") return FaultAction::kTruncate;
  if (name == "corrupt") return FaultAction::kCorrupt;
  if (name == "garbage") return FaultAction::kGarbage;
  if (name == "delay") return FaultAction::kDelay;
  if (name == "state") return FaultAction::kStates;
  throw FaultSpecError("fault rule " + Quote(rule) + ": unknown action " + Quote(name) +
                       " (refuse, drop, mute, truncate, corrupt, garbage, delay, state)");
}

void ParseTarget(std::string_view target, std::string_view rule, FaultRule& out) {
  if (const auto at = target.find(kAddressMark); at != std::string_view::npos) {
    const std::int64_t address = Number(target.substr(at + 1), rule, "the address");
    if (address < kFirstAddress || address > wire::kMaxLinearAddress) {
      throw FaultSpecError("fault rule " + Quote(rule) + ": the nozzle address is " +
                           std::to_string(kFirstAddress) + ".." +
                           std::to_string(wire::kMaxLinearAddress));
    }
    out.address = static_cast<int>(address);
    target = target.substr(0, at);
  }
  if (target.size() == 1 && target[0] == kAnyTarget) {
    out.target = FaultRule::Target::kAny;
  } else if (target.size() > 1 && target[0] == kExchangeMark) {
    out.target = FaultRule::Target::kExchange;
    out.exchange = static_cast<std::uint64_t>(Number(target.substr(1), rule, "the exchange"));
    if (out.exchange == 0)
      throw FaultSpecError("fault rule " + Quote(rule) + ": exchanges count from 1");
  } else if (target.size() == 1) {
    // A character no frame carries would make a rule that never hits.
    out.target = FaultRule::Target::kCommand;
    out.command = static_cast<Byte>(target[0]);
    if (wire::CommandName(out.command).empty()) {
      throw FaultSpecError("fault rule " + Quote(rule) + ": " + Quote(target) +
                           " is no command character (" + kCommandList + ")");
    }
    // 'W' and ']' are addressed to every controller, not to one nozzle.
    if (out.address &&
        (out.command == wire::kCmdCommonSwitch || out.command == wire::kCmdProgramAddress)) {
      throw FaultSpecError("fault rule " + Quote(rule) + ": " + Quote(target) +
                           " frames carry no nozzle address");
    }
  } else {
    throw FaultSpecError("fault rule " + Quote(rule) +
                         ": the target is *, one command character or #N");
  }
}

void ParseArgument(std::string_view argument, std::string_view rule, FaultRule& out) {
  switch (out.action) {
    case FaultAction::kTruncate:
      out.number = Number(argument, rule, "the length");
      break;
    case FaultAction::kCorrupt:
      out.number = Number(argument, rule, "the byte index");
      if (*out.number > kLastBytePosition) {
        throw FaultSpecError("fault rule " + Quote(rule) + ": byte " + std::to_string(*out.number) +
                             " is beyond the longest answer (bytes 0.." +
                             std::to_string(kLastBytePosition) + ")");
      }
      break;
    case FaultAction::kDelay:
      out.number = Number(argument, rule, "the delay");
      break;
    case FaultAction::kGarbage: {
      auto bytes = wire::ParseHex(argument);
      if (!bytes || bytes->empty()) {
        throw FaultSpecError("fault rule " + Quote(rule) + ": garbage is hex bytes, e.g. FF007E");
      }
      out.garbage = std::move(*bytes);
      break;
    }
    case FaultAction::kStates: {
      std::size_t begin = 0;
      while (begin <= argument.size()) {
        const auto end = std::min(argument.find(kStateSeparator, begin), argument.size());
        const auto state = argument.substr(begin, end - begin);
        if (state.empty() || state.size() > kMaxStateBytes) {
          throw FaultSpecError("fault rule " + Quote(rule) +
                               ": each state is one or two characters, e.g. state=10/40/41");
        }
        out.states.emplace_back(state.begin(), state.end());
        begin = end + 1;
      }
      break;
    }
    default:
      throw FaultSpecError("fault rule " + Quote(rule) + ": this action takes no value");
  }
}

bool Matches(const FaultRule& rule, std::uint64_t exchange, Byte command,
             std::optional<int> address) {
  if (rule.remaining && *rule.remaining == 0) return false;
  if (rule.address && rule.address != address) return false;
  switch (rule.target) {
    case FaultRule::Target::kAny:
      break;
    case FaultRule::Target::kCommand:
      if (rule.command != command) return false;
      break;
    case FaultRule::Target::kExchange:
      if (rule.exchange != exchange) return false;
      break;
  }
  return rule.action != FaultAction::kStates || command == wire::kCmdState;
}
}  // namespace

FaultRule ParseFaultRule(std::string_view text) {
  FaultRule rule;
  const auto colon = text.find(kTargetSeparator);
  if (colon == std::string_view::npos) {
    throw FaultSpecError("fault rule " + Quote(text) + ": expected TARGET:ACTION");
  }
  ParseTarget(text.substr(0, colon), text, rule);
  std::string_view action = text.substr(colon + 1);
  if (const auto star = action.rfind(kCountMark); star != std::string_view::npos) {
    rule.remaining = static_cast<std::uint64_t>(Number(action.substr(star + 1), text, "the count"));
    action = action.substr(0, star);
  }
  const auto equals = action.find(kArgumentMark);
  rule.action = ActionNamed(action.substr(0, equals), text);
  if (equals != std::string_view::npos) {
    ParseArgument(action.substr(equals + 1), text, rule);
  } else if (rule.action == FaultAction::kDelay || rule.action == FaultAction::kStates) {
    throw FaultSpecError("fault rule " + Quote(text) + ": this action needs a value");
  }
  if (rule.action == FaultAction::kGarbage && rule.garbage.empty()) rule.garbage = kDefaultGarbage;
  if (rule.action == FaultAction::kStates && rule.remaining) {
    throw FaultSpecError("fault rule " + Quote(text) + ": a state script ends by itself, no count");
  }
  if (rule.action == FaultAction::kStates && rule.target == FaultRule::Target::kCommand &&
      rule.command != wire::kCmdState) {
    throw FaultSpecError("fault rule " + Quote(text) + ": a state script answers state queries ('" +
                         std::string(1, static_cast<char>(wire::kCmdState)) + "') only");
  }
  if (rule.action == FaultAction::kStates) rule.remaining = rule.states.size();
  return rule;
}

FaultPlan FaultPlan::Parse(std::string_view spec) {
  FaultPlan plan;
  std::size_t begin = 0;
  while (begin < spec.size()) {
    const auto end = std::min(spec.find(kRuleSeparator, begin), spec.size());
    const auto text = spec.substr(begin, end - begin);
    if (!text.empty()) plan.Add(ParseFaultRule(text));
    begin = end + 1;
  }
  return plan;
}

FaultDecision FaultPlan::Decide(std::uint64_t exchange, Byte command, std::optional<int> address) {
  FaultDecision decision;
  for (FaultRule& rule : rules_) {
    if (!Matches(rule, exchange, command, address)) continue;
    switch (rule.action) {
      case FaultAction::kRefuse:
        decision.refuse = true;
        break;
      case FaultAction::kDrop:
        decision.drop = true;
        break;
      case FaultAction::kMute:
        decision.mute = true;
        break;
      case FaultAction::kDelay:
        decision.delay += std::chrono::milliseconds(rule.number.value_or(0));
        break;
      case FaultAction::kStates:
        if (!decision.state) {
          decision.state = rule.states[rule.states.size() - *rule.remaining];
        } else {
          continue;  // one script per query; the other keeps its place
        }
        break;
      case FaultAction::kTruncate:
      case FaultAction::kCorrupt:
      case FaultAction::kGarbage:
        decision.transforms.push_back(rule);
        break;
    }
    if (rule.remaining) --*rule.remaining;
  }
  return decision;
}

Bytes ApplyTransforms(Bytes reply, const std::vector<FaultRule>& transforms) {
  for (const FaultRule& rule : transforms) {
    switch (rule.action) {
      case FaultAction::kTruncate: {
        const std::size_t keep =
            rule.number ? static_cast<std::size_t>(*rule.number) : reply.size() / 2;
        if (keep < reply.size()) reply.resize(keep);
        break;
      }
      case FaultAction::kCorrupt: {
        if (reply.empty()) break;
        std::size_t index = reply.size() - 1;
        if (rule.number && static_cast<std::size_t>(*rule.number) < reply.size()) {
          index = static_cast<std::size_t>(*rule.number);
        }
        reply[index] ^= kCorruptMask;
        break;
      }
      case FaultAction::kGarbage:
        reply.insert(reply.begin(), rule.garbage.begin(), rule.garbage.end());
        break;
      default:
        break;
    }
  }
  return reply;
}

}  // namespace kavo5000::sim
