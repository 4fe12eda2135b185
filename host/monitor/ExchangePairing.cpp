// ExchangePairing.cpp — pairing replies with commands on a bus heard whole.
#include "ExchangePairing.h"

#include "Frames.h"
#include "Readings.h"

namespace kavo5000::monitor {

std::string_view ProblemWords(BusProblem problem) {
  switch (problem) {
    case BusProblem::kBadChecksum:
      return "bad checksum";
    case BusProblem::kBadComplement:
      return "bad complement";
    case BusProblem::kBrokenOff:
      return "broken off";
    case BusProblem::kStrayBytes:
      return "stray bytes";
    case BusProblem::kUnanswered:
      return "unanswered command";
    case BusProblem::kReplyToNobody:
      return "reply to nobody";
  }
  return "";
}

std::optional<FrameAddress> AddressOfFrame(const Bytes& frame) {
  const wire::ParsedFrame f = wire::ParseFrame(frame);
  const bool good = f.verdict == wire::FrameVerdict::kGood;
  if (!good && f.verdict != wire::FrameVerdict::kBadChecksum) return std::nullopt;
  const Bytes& c = f.command;
  if (c.size() <= wire::kAddressAt) return std::nullopt;
  FrameAddress a;
  const Byte inAddress = c[wire::kAddressAt];
  if (c[wire::kGroupAt] == wire::kFirstGroup &&
      (inAddress == wire::kCmdCommonSwitch || inAddress == wire::kCmdProgramAddress)) {
    a.command = inAddress;
    // A controller ignores a frame whose checksum is wrong.
    a.awaitsReply = good && inAddress == wire::kCmdProgramAddress;
    return a;
  }
  a.nozzle = wire::LinearOf({c[wire::kGroupAt], inAddress});
  a.command = c.size() > wire::kCommandAt ? c[wire::kCommandAt] : 0;
  a.awaitsReply = good && a.nozzle.has_value();
  return a;
}

namespace {
void AddFault(UnitFault fault, std::vector<BusProblem>& problems) {
  switch (fault) {
    case UnitFault::kNone:
      return;
    case UnitFault::kBadChecksum:
      problems.push_back(BusProblem::kBadChecksum);
      return;
    case UnitFault::kBadComplement:
      problems.push_back(BusProblem::kBadComplement);
      return;
    case UnitFault::kBrokenOff:
      problems.push_back(BusProblem::kBrokenOff);
      return;
  }
}
}  // namespace

std::vector<BusEvent> ExchangePairer::Take(BusUnit unit) {
  std::vector<BusEvent> out;
  BusEvent e;
  e.number = ++count_;
  AddFault(unit.fault, e.problems);
  e.unit = std::move(unit);
  switch (e.unit.kind) {
    case UnitKind::kFrame: {
      GiveUp(out);
      waiting_.reset();
      const auto address = AddressOfFrame(e.unit.bytes);
      if (address) {
        e.nozzle = address->nozzle;
        e.command = address->command;
      }
      if (address && address->awaitsReply) waiting_ = Waiting{e, false};
      break;
    }
    case UnitKind::kReply:
      if (!waiting_ || waiting_->answered) {
        e.problems.push_back(BusProblem::kReplyToNobody);
        break;
      }
      waiting_->answered = true;
      {
        const BusEvent& command = waiting_->command;
        e.answers = command.number;
        e.delay = e.unit.start - command.unit.end;
        e.nozzle = command.nozzle;
        e.command = command.command;
        e.answeredFrame = command.unit.bytes;
      }
      if (e.nozzle) {
        const auto known = types_.find(*e.nozzle);
        if (known != types_.end()) e.dispenserType = known->second;
        const wire::ParsedReply r = wire::ParseReply(e.unit.bytes);
        if (e.command == wire::kCmdType && r.verdict == wire::ReplyVerdict::kData) {
          if (const auto type = wire::TypeReading(r.data)) types_[*e.nozzle] = *type;
        }
      }
      break;
    case UnitKind::kStray:
      e.problems.push_back(BusProblem::kStrayBytes);
      break;
  }
  out.push_back(std::move(e));
  return out;
}

std::vector<BusEvent> ExchangePairer::Idle(double time) {
  std::vector<BusEvent> out;
  if (waiting_ && !waiting_->answered && time - waiting_->command.unit.end > replyWindow_) {
    GiveUp(out);
    waiting_.reset();
  }
  return out;
}

std::vector<BusEvent> ExchangePairer::Finish() {
  std::vector<BusEvent> out;
  GiveUp(out);
  waiting_.reset();
  return out;
}

void ExchangePairer::GiveUp(std::vector<BusEvent>& out) {
  if (!waiting_ || waiting_->answered) return;
  BusEvent e = waiting_->command;
  e.kind = BusEvent::Kind::kUnanswered;
  e.problems = {BusProblem::kUnanswered};
  out.push_back(std::move(e));
}

}  // namespace kavo5000::monitor
