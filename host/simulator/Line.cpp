// Line.cpp — routing frames to controllers, the unaddressed commands, faults.
#include "Line.h"

#include "Codec.h"

namespace kavo5000::sim {

namespace {
constexpr std::uint64_t kFirstId = 10001;              // identification of the default line's first
constexpr std::int64_t kDefaultVolumeTotal = 1048235;  // 10 482.35 l through each nozzle
constexpr std::int64_t kDefaultMoneyTotal = 47290512;  // 472 905.12 taken for it
constexpr std::size_t kAddressByte = 1;                // c1: a nozzle's address byte, or 'W' / ']'
constexpr std::size_t kCommandByte = 2;   // c2: the command character of addressed commands
constexpr std::size_t kSwitchLength = 4;  // 02 'W' code value
constexpr std::size_t kShortProgram = 2 + kShortIdDigits + kAddressDigits;  // 02 ']' id address
constexpr std::size_t kLongProgram = kShortProgram + (kLongIdDigits - kShortIdDigits);
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

void Line::Advance(Duration now) {
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

LineReply Line::Receive(std::span<const Byte> frame, Duration now) {
  std::lock_guard lock(mutex_);
  const std::uint64_t exchange = ++frames_;
  const ParsedFrame parsed = ParseFrame(frame);
  // A frame that is not sound reaches no controller: silence.
  if (parsed.verdict != FrameVerdict::kGood || parsed.command.size() <= kAddressByte) return {};
  const std::span<const Byte> command(parsed.command);
  const Byte group = command[0];
  const Byte second = command[kAddressByte];
  const bool unaddressed =
      group == kFirstGroup && (second == kCmdCommonSwitch || second == kCmdProgramAddress);

  Controller* target = nullptr;
  std::optional<int> address;
  Byte character = second;
  if (!unaddressed) {
    address = LinearOf({group, second});
    target = address ? Find(*address) : nullptr;
    if (target == nullptr) return {};  // nobody lives at that address
    character = command.size() > kCommandByte ? command[kCommandByte] : 0;
  }

  FaultDecision decision = faults_.Decide(exchange, character, address);
  if (decision.drop) return {};
  Bytes answer;
  if (decision.refuse) {
    answer = {kRefuse};
  } else if (unaddressed) {
    answer = second == kCmdCommonSwitch ? Broadcast(command, now) : ProgramAddress(command, now);
  } else {
    answer = target->Execute(command.subspan(kCommandByte), now);
    if (decision.state && character == kCmdState) answer = EncodeDataReply(*decision.state);
  }
  if (decision.mute || answer.empty()) return {};
  return {ApplyTransforms(std::move(answer), decision.transforms), decision.delay};
}

Bytes Line::Broadcast(std::span<const Byte> command, Duration now) {
  // 'W' is never answered: every controller hears it at once.
  if (command.size() != kSwitchLength) return {};
  const int code = command[2] - kDigitZero;
  const int value = command[3] - kDigitZero;
  if (code < 0 || code >= kCommonSwitchCount) return {};
  commonSwitches_[static_cast<std::size_t>(code)] = value;
  for (auto& c : controllers_) c->CommonSwitch(code, now);
  return {};
}

Bytes Line::ProgramAddress(std::span<const Byte> command, Duration now) {
  if (command.size() != kShortProgram && command.size() != kLongProgram) return {};
  const auto body = command.subspan(2);
  Bytes idDigits(body.begin(), body.begin() + kShortIdDigits);
  const auto addressDigits = body.subspan(kShortIdDigits, kAddressDigits);
  if (command.size() == kLongProgram) {
    const auto tail = body.subspan(kShortIdDigits + kAddressDigits);
    idDigits.insert(idDigits.end(), tail.begin(), tail.end());
  }
  const auto id = ParseDigits(idDigits);
  const auto address = ParseDigits(addressDigits);
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
  if (wanted == 0 || (holder != nullptr && holder != owner)) return {kRefuse};
  owner->setAddress(wanted);
  return {kAck};
}

}  // namespace kavo5000::sim
