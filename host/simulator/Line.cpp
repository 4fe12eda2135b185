// Line.cpp — routing frames to controllers, the unaddressed commands, faults.
#include "Line.h"

#include "Frames.h"

namespace kavo5000::sim {

namespace {
constexpr std::uint64_t kFirstId = 10001;              // identification of the default line's first
constexpr std::int64_t kDefaultVolumeTotal = 1048235;  // 10 482.35 l through each nozzle
constexpr std::int64_t kDefaultMoneyTotal = 47290512;  // 472 905.12 taken for it
// 02 ']' id address, and the long form with five more identification digits.
constexpr std::size_t kShortProgram =
    wire::kUnaddressedAt + wire::kShortIdDigits + wire::kAddressDigits;
constexpr std::size_t kLongProgram = kShortProgram + (wire::kLongIdDigits - wire::kShortIdDigits);
}  // namespace

LineConfig DefaultLineConfig(int count) {
  LineConfig config;
  for (int i = 0; i < count; ++i) {
    ControllerConfig c;
    c.id = kFirstId + static_cast<std::uint64_t>(i);
    c.address = i + 1;
    c.volumeTotal = kDefaultVolumeTotal;
    c.moneyTotal = kDefaultMoneyTotal;
    config.controllers.push_back(c);
  }
  return config;
}

Line::Line(const LineConfig& config)
    : behaviour_(config.behaviour), commonSwitches_(kCommonSwitchCount, 0) {
  for (const ControllerConfig& c : config.controllers) {
    controllers_.push_back(std::make_unique<Controller>(c, behaviour_));
  }
}

void Line::SetFaults(FaultPlan plan) {
  std::lock_guard lock(mutex_);
  faults_ = std::move(plan);
}

void Line::Advance(Instant now) {
  std::lock_guard lock(mutex_);
  for (auto& c : controllers_) c->Advance(now);
}

Controller* Line::Find(int address) {
  for (auto& c : controllers_) {
    if (c->address() == address) return c.get();
  }
  return nullptr;
}

std::uint64_t Line::Frames() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

int Line::CommonSwitch(int code) const {
  std::lock_guard lock(mutex_);
  if (code < 0 || code >= kCommonSwitchCount) return 0;
  return commonSwitches_[static_cast<std::size_t>(code)];
}

LineReply Line::Receive(std::span<const Byte> frame, Instant now) {
  std::lock_guard lock(mutex_);
  const std::uint64_t exchange = ++frames_;
  const wire::ParsedFrame parsed = wire::ParseFrame(frame);
  // A frame that is not sound reaches no controller: silence.
  if (parsed.verdict != wire::FrameVerdict::kGood || parsed.command.size() <= wire::kAddressAt)
    return {};
  const std::span<const Byte> command(parsed.command);
  const Byte group = command[wire::kGroupAt];
  const Byte second = command[wire::kAddressAt];
  const bool unaddressed = group == wire::kFirstGroup &&
                           (second == wire::kCmdCommonSwitch || second == wire::kCmdProgramAddress);

  Controller* target = nullptr;
  std::optional<int> address;
  Byte character = second;
  if (!unaddressed) {
    address = wire::LinearOf({group, second});
    target = address ? Find(*address) : nullptr;
    if (target == nullptr) return {};  // nobody lives at that address
    character = command.size() > wire::kCommandAt ? command[wire::kCommandAt] : 0;
  }

  FaultDecision decision = faults_.Decide(exchange, character, address);
  if (decision.drop) return {};
  Bytes answer;
  if (decision.refuse) {
    answer = {wire::kRefuse};
  } else if (unaddressed) {
    answer =
        second == wire::kCmdCommonSwitch ? Broadcast(command, now) : ProgramAddress(command, now);
  } else {
    answer = target->Execute(command.subspan(wire::kCommandAt), now);
    if (decision.state && character == wire::kCmdState)
      answer = wire::EncodeDataReply(*decision.state);
  }
  if (decision.mute || answer.empty()) return {};
  return {ApplyTransforms(std::move(answer), decision.transforms), decision.delay};
}

Bytes Line::Broadcast(std::span<const Byte> command, Instant now) {
  // 'W' is never answered: every controller hears it at once.
  if (command.size() != wire::kSwitchLength) return {};
  const int code = command[wire::kSwitchCodeAt] - wire::kDigitZero;
  const int value = command[wire::kSwitchValueAt] - wire::kDigitZero;
  if (code < 0 || code >= kCommonSwitchCount) return {};
  commonSwitches_[static_cast<std::size_t>(code)] = value;
  for (auto& c : controllers_) c->CommonSwitch(code, now);
  return {};
}

Bytes Line::ProgramAddress(std::span<const Byte> command, Instant now) {
  if (command.size() != kShortProgram && command.size() != kLongProgram) return {};
  const auto body = command.subspan(wire::kUnaddressedAt);
  Bytes idDigits(body.begin(), body.begin() + wire::kShortIdDigits);
  const auto addressDigits = body.subspan(wire::kShortIdDigits, wire::kAddressDigits);
  if (command.size() == kLongProgram) {
    const auto tail = body.subspan(wire::kShortIdDigits + wire::kAddressDigits);
    idDigits.insert(idDigits.end(), tail.begin(), tail.end());
  }
  const auto id = wire::ParseDigits(idDigits);
  const auto address = wire::ParseDigits(addressDigits);
  if (!id || !address) return {};
  Controller* owner = nullptr;
  for (auto& c : controllers_) {
    if (c->id() == *id) owner = c.get();
  }
  if (owner == nullptr) return {};  // only the controller with that number answers
  owner->Advance(now);
  // Address 0 is nobody's, and two controllers on one address would talk
  // over each other.
  const int wanted = static_cast<int>(*address);
  Controller* holder = Find(wanted);
  if (wanted == 0 || (holder != nullptr && holder != owner)) return {wire::kRefuse};
  owner->setAddress(wanted);
  return {wire::kAck};
}

}  // namespace kavo5000::sim
