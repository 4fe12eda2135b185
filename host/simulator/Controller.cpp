// Controller.cpp — one simulated controller: its commands, its state machine
// and its delivery on the caller's clock.
#include "Controller.h"

#include <algorithm>
#include <cmath>

#include "Frames.h"

namespace kavo5000::sim {

namespace {
constexpr std::int64_t kHundredths = 100;           // amounts travel as hundredths
constexpr std::int64_t kMaxDeliveryVolume = 99999;  // what the 5-digit volume field holds
constexpr double kNanosPerSecond = 1e9;
constexpr std::size_t kIndexArg = 0;  // 'N', 'O': the index character comes first

Bytes Control(Byte b) {
  return Bytes{b};
}

Bytes Append(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::optional<int> ParamIndex(Byte character) {
  const int index = character - wire::kDigitZero;
  if (index < 0 || index >= wire::kParamCount) return std::nullopt;
  return index;
}

std::uint64_t Unsigned(std::int64_t value) {
  return value < 0 ? 0 : static_cast<std::uint64_t>(value);
}
}  // namespace

std::array<std::int64_t, wire::kParamCount> DefaultParams() {
  // A controller as it leaves the factory: serial control by this protocol,
  // sensible times and thresholds, software version 1.07.
  return {1,   0,  0,   1,   10,    30, 0,  15,    0,   50,   // 0..9
          100, 30, 10,  2,   0,     5,  5,  10,    0,   107,  // 10..19
          50,  3,  2,   200, 50040, 0,  0,  10000, 3,   1,    // 20..29
          0,   0,  100, 5,   30,    0,  15, 22,    205, 3,    // 30..39
          0,   10, 10,  20,  0,     0,  0,  0,     0,   0,    // 40..49
          0,   0,  0,   0,   0,     0,  0,  0,     0,   0};   // 50..59
}

Controller::Controller(const ControllerConfig& config, const Behaviour& behaviour)
    : behaviour_(behaviour),
      id_(config.id),
      address_(config.address),
      type_(config.type),
      volumeTotal_(config.volumeTotal),
      moneyTotal_(config.moneyTotal),
      params_(DefaultParams()) {}

Bytes Controller::Execute(std::span<const Byte> command, Instant now) {
  Advance(now);
  if (command.empty()) return Control(wire::kUnknownCommand);
  const std::span<const Byte> args = command.subspan(1);
  switch (command[0]) {
    case wire::kCmdState:
      return State(now);
    case wire::kCmdStart:
      return Start(now);
    case wire::kCmdStop:
      return Stop(now);
    case wire::kCmdClose:
      return Close(now);
    case wire::kCmdVolume:
      return Volume(now);
    case wire::kCmdDelivery:
      return DeliveryCounters(now);
    case wire::kCmdTotals:
      return Totals(args, now);
    case wire::kCmdType:
      return wire::EncodeDataReply(Bytes{static_cast<Byte>(wire::kTypeBase + type_)});
    case wire::kCmdReadParam:
      return ReadParam(args);
    case wire::kCmdWriteParam:
      return WriteParam(args);
    case wire::kCmdPrice:
      return Price(args, now);
    case wire::kCmdPresetMoney:
    case wire::kCmdPresetVolume:
      return Preset(command[0], args, now);
    case wire::kCmdPrepare:
    case wire::kCmdConfirm:
      // The extended start's steps: accepted, nothing for the simulation to do.
      return Control(wire::kAck);
    default:
      return Control(wire::kUnknownCommand);
  }
}

std::array<Byte, 2> Controller::StateBytes() const {
  switch (phase_) {
    case Phase::kIdle:
      return {kStateIdle, kSubNone};
    case Phase::kLifted:
      return {kStateLifted, kSubNone};
    case Phase::kAuthorised:
      return {kStateAuthorised, kSubNone};
    case Phase::kDelivering:
      return {kStateDelivery, kSubRunning};
    case Phase::kFinished:
      return {kStateDelivery, kSubFinished};
  }
  return {kStateIdle, kSubNone};
}

Bytes Controller::State(Instant) {
  const auto state = StateBytes();
  return wire::EncodeDataReply(state);
}

Bytes Controller::Start(Instant now) {
  switch (phase_) {
    case Phase::kIdle:
      // Authorised: the delivery begins when the customer lifts the nozzle.
      phase_ = Phase::kAuthorised;
      authorisedAt_ = now;
      delivery_ = Delivery{};
      return Control(wire::kAck);
    case Phase::kLifted:
      BeginDelivery(now);
      return Control(wire::kAck);
    case Phase::kAuthorised:
      return Control(wire::kAck);
    case Phase::kDelivering:
    case Phase::kFinished:
      // A transaction is open: it must end and be closed before the next.
      return Control(wire::kRefuse);
  }
  return Control(wire::kRefuse);
}

Bytes Controller::Stop(Instant now) {
  if (phase_ == Phase::kDelivering) {
    Finish(now);
  } else if (phase_ == Phase::kAuthorised) {
    phase_ = Phase::kIdle;  // the authorisation is withdrawn
  }
  return Control(wire::kAck);
}

Bytes Controller::Close(Instant) {
  switch (phase_) {
    case Phase::kDelivering:
      // Fuel is still running: a close does not cut a delivery short.
      return Control(wire::kRefuse);
    case Phase::kFinished:
    case Phase::kAuthorised:
      EndTransaction();
      return Control(wire::kAck);
    case Phase::kIdle:
    case Phase::kLifted:
      return Control(wire::kAck);
  }
  return Control(wire::kAck);
}

Bytes Controller::Volume(Instant) {
  Bytes data{StateBytes()[0]};
  return wire::EncodeDataReply(
      Append(data, wire::Digits(Unsigned(delivery_.volume), wire::kVolumeReplyDigits)));
}

Bytes Controller::DeliveryCounters(Instant) {
  const wire::CounterLayout layout = wire::kCounterLayouts.at(
      static_cast<std::size_t>(type_ >= 0 && type_ < wire::kTypeCount ? type_ : 0));
  const int priceDigits = layout.middle + wire::kDeliveryExtraDigits - layout.volume;
  Bytes data = wire::Digits(Unsigned(delivery_.volume), layout.volume);
  data = Append(data, wire::Digits(Unsigned(deliveryMoney()), layout.money));
  data = Append(
      data, wire::Digits(Unsigned(delivery_.price != 0 ? delivery_.price : price_), priceDigits));
  return wire::EncodeDataReply(data);
}

Bytes Controller::Totals(std::span<const Byte> args, Instant) {
  if (args.empty()) {
    Bytes data = wire::Digits(Unsigned(volumeTotal()), wire::kTotalVolumeDigits);
    data = Append(data, wire::Digits(Unsigned(moneyTotal()), wire::kTotalMoneyDigits));
    data = Append(data, wire::Digits(0, wire::kTotalTrailerDigits));
    return wire::EncodeDataReply(data);
  }
  if (args[0] != wire::kSetTotalSub || phase_ == Phase::kDelivering) return Control(wire::kRefuse);
  const auto digits = args.subspan(1);
  const auto value = wire::ParseDigits(digits);
  if (digits.empty() || digits.size() > static_cast<std::size_t>(wire::kTotalVolumeDigits) ||
      !value) {
    return Control(wire::kRefuse);
  }
  volumeTotal_ = static_cast<std::int64_t>(*value);
  return Control(wire::kAck);
}

Bytes Controller::ReadParam(std::span<const Byte> args) const {
  if (args.size() != 1) return Control(wire::kRefuse);
  const auto index = ParamIndex(args[kIndexArg]);
  if (!index) return Control(wire::kRefuse);
  const std::int64_t value = *index == kParamPassword ? confirmation_ : param(*index);
  Bytes data{wire::AddressOf(address_).address};
  return wire::EncodeDataReply(Append(
      data, wire::Digits(Unsigned(value), wire::kParamDigits[static_cast<std::size_t>(*index)])));
}

Bytes Controller::WriteParam(std::span<const Byte> args) {
  if (args.empty()) return Control(wire::kRefuse);
  const auto index = ParamIndex(args[kIndexArg]);
  if (!index) return Control(wire::kRefuse);
  const auto digits = args.subspan(1);
  const auto value = wire::ParseDigits(digits);
  // A value must come in exactly the parameter's digits.
  if (!value || digits.size() != static_cast<std::size_t>(
                                     wire::kParamDigits[static_cast<std::size_t>(*index)])) {
    return Control(wire::kRefuse);
  }
  if (*index == kParamPassword) {
    passwordOpen_ = *value == kCalibrationPassword;
    confirmation_ = passwordOpen_ ? kPasswordConfirmed : 0;
    return Control(wire::kAck);
  }
  if (*index == kParamCoefficient) {
    // The coefficient opens for one write after the right password.
    if (!passwordOpen_) return Control(wire::kRefuse);
    passwordOpen_ = false;
    ++params_[kParamCalibrations];
  }
  setParam(*index, static_cast<std::int64_t>(*value));
  return Control(wire::kAck);
}

Bytes Controller::Price(std::span<const Byte> args, Instant) {
  const auto value = wire::ParseDigits(args);
  if (phase_ == Phase::kDelivering || !value || args.size() != wire::kPriceDigits) {
    return Control(wire::kRefuse);
  }
  price_ = static_cast<std::int64_t>(*value);
  return Control(wire::kAck);
}

Bytes Controller::Preset(Byte command, std::span<const Byte> args, Instant) {
  const bool money = command == wire::kCmdPresetMoney;
  const auto value = wire::ParseDigits(args);
  const std::size_t width = money ? wire::kPresetMoneyDigits : wire::kPresetVolumeDigits;
  if (phase_ == Phase::kDelivering || !value || args.size() != width) return Control(wire::kRefuse);
  if (money) {
    if (price_ == 0) return Control(wire::kRefuse);  // money cannot become litres without a price
    presetMoney_ = static_cast<std::int64_t>(*value);
    presetVolume_.reset();
  } else {
    presetVolume_ = static_cast<std::int64_t>(*value);
    presetMoney_.reset();
  }
  // A zero preset means no limit: fill until the nozzle is hung.
  if (presetVolume_ == 0) presetVolume_.reset();
  if (presetMoney_ == 0) presetMoney_.reset();
  return Control(wire::kAck);
}

void Controller::Advance(Instant now) {
  for (;;) {
    const auto& customer = behaviour_.customer;
    if (phase_ == Phase::kAuthorised && customer.liftAfter &&
        authorisedAt_ + *customer.liftAfter <= now) {
      DoLift(authorisedAt_ + *customer.liftAfter);
      continue;
    }
    if (phase_ == Phase::kDelivering) {
      const Instant end = FinishTime();
      if (end <= now) {
        Finish(end);
        continue;
      }
      Flow(now);
    }
    if (nozzleUp_ && hangDue_ && *hangDue_ <= now &&
        (phase_ == Phase::kFinished || phase_ == Phase::kLifted)) {
      DoHang(*hangDue_);
      continue;
    }
    return;
  }
}

void Controller::Lift(Instant now) {
  Advance(now);
  DoLift(now);
}

void Controller::Hang(Instant now) {
  Advance(now);
  DoHang(now);
}

void Controller::CommonSwitch(int code, Instant now) {
  Advance(now);
  if (code != kCommonResetCode) return;
  // A general reset ends whatever runs and forgets the presets.
  if (phase_ == Phase::kDelivering) Finish(now);
  EndTransaction();
}

std::int64_t Controller::deliveryMoney() const {
  return MoneyFor(delivery_.volume);
}

std::int64_t Controller::volumeTotal() const {
  return volumeTotal_ + (phase_ == Phase::kDelivering ? delivery_.volume : 0);
}

std::int64_t Controller::moneyTotal() const {
  return moneyTotal_ + (phase_ == Phase::kDelivering ? deliveryMoney() : 0);
}

void Controller::DoLift(Instant t) {
  nozzleUp_ = true;
  if (phase_ == Phase::kIdle) {
    phase_ = Phase::kLifted;
  } else if (phase_ == Phase::kAuthorised) {
    BeginDelivery(t);
  }
}

void Controller::DoHang(Instant t) {
  nozzleUp_ = false;
  hangDue_.reset();
  if (phase_ == Phase::kLifted) {
    phase_ = Phase::kIdle;
  } else if (phase_ == Phase::kDelivering) {
    Flow(t);
    Finish(t);
  }
}

void Controller::BeginDelivery(Instant t) {
  delivery_ = Delivery{};
  delivery_.start = t;
  delivery_.price = price_;
  delivery_.limit = kMaxDeliveryVolume;
  if (presetVolume_) delivery_.limit = std::min(*presetVolume_, kMaxDeliveryVolume);
  if (presetMoney_ && price_ > 0) {
    delivery_.limit = std::min(*presetMoney_ * kHundredths / price_, kMaxDeliveryVolume);
    delivery_.moneyLimit = *presetMoney_;
  }
  phase_ = Phase::kDelivering;
}

void Controller::Finish(Instant t) {
  if (t >= FinishTime()) {
    delivery_.volume = delivery_.limit;
  } else {
    Flow(t);
  }
  volumeTotal_ += delivery_.volume;
  moneyTotal_ += deliveryMoney();
  phase_ = Phase::kFinished;
  const auto& customer = behaviour_.customer;
  if (nozzleUp_ && customer.hangAfter) hangDue_ = t + *customer.hangAfter;
}

void Controller::EndTransaction() {
  phase_ = nozzleUp_ ? Phase::kLifted : Phase::kIdle;
  presetVolume_.reset();
  presetMoney_.reset();
}

Instant Controller::FinishTime() const {
  const double perSecond = behaviour_.flow * static_cast<double>(kHundredths);
  if (perSecond <= 0) return Instant::max();
  const double seconds = static_cast<double>(delivery_.limit) / perSecond;
  return delivery_.start +
         Duration(static_cast<Duration::rep>(std::ceil(seconds * kNanosPerSecond)));
}

void Controller::Flow(Instant t) {
  const double seconds = ToSeconds(t - delivery_.start);
  const auto volume = static_cast<std::int64_t>(
      std::floor(seconds * behaviour_.flow * static_cast<double>(kHundredths)));
  delivery_.volume = std::clamp<std::int64_t>(volume, delivery_.volume, delivery_.limit);
}

std::int64_t Controller::MoneyFor(std::int64_t volume) const {
  // A money preset that was reached is charged exactly; otherwise litres ×
  // price, rounded to the nearest hundredth.
  if (delivery_.moneyLimit && volume == delivery_.limit) return *delivery_.moneyLimit;
  return (volume * delivery_.price + kHundredths / 2) / kHundredths;
}

}  // namespace kavo5000::sim
