// Soak.cpp — the station's workload on the noisy line, and the judging of
// every exchange and every value against the simulator's truth.
#include "Soak.h"

#include <cmath>
#include <memory>
#include <random>

#include "Clock.h"
#include "DriverProbe.h"
#include "FrameCodec.h"
#include "Frames.h"
#include "Line.h"
#include "LineHostPort.h"
#include "VM30.h"

namespace kavo5000::soak {

namespace {

constexpr Byte kChannel = 1;
constexpr int kDispensers = 2;
constexpr int kNozzlesPerDispenser = 4;  // configuration byte 0
constexpr int kControllers = kDispensers * kNozzlesPerDispenser;
constexpr double kFlow = 2.0;       // litres a second: deliveries end within the run
constexpr double kLiftAfter = 0.3;  // seconds from a start until the customer lifts
constexpr double kHangAfter = 0.5;  // seconds from a delivery's end until the hang-up
constexpr auto kStationPeriod = std::chrono::milliseconds(50);  // between two operations
using kavo5000::kParamsPerNozzle;
constexpr int kPasswordIndex = 26;                  // reads back a confirmation, not the value held
constexpr int kCoefficientIndex = 27;               // written only behind the password
constexpr std::int64_t kLargestParam = 0x7FFFFFFF;  // the driver's values are 31 bits
constexpr int kFirstCountingType = 1;
constexpr int kLastType = 8;
constexpr double kHundredths = 100.0;
constexpr double kPrices[] = {45.10, 52.35, 61.99, 38.00};
constexpr double kSmallestPreset = 1.0;
constexpr double kLargestPreset = 5.0;

// The workload's operations and how often each comes up.
enum class Op { kPoll, kTotals, kCounters, kVolume, kParam, kStart, kStopAndClose };
constexpr std::array<std::pair<Op, int>, 7> kMix = {{{Op::kPoll, 30},
                                                     {Op::kTotals, 15},
                                                     {Op::kCounters, 10},
                                                     {Op::kVolume, 5},
                                                     {Op::kParam, 25},
                                                     {Op::kStart, 12},
                                                     {Op::kStopAndClose, 3}}};

// Whether bytes are a reply the wire library, written apart from the driver,
// finds sound from first byte to last.
bool SoundReply(const Bytes& bytes) {
  const wire::ParsedReply parsed = wire::ParseReply(bytes);
  const bool sound =
      parsed.verdict == wire::ReplyVerdict::kControl || parsed.verdict == wire::ReplyVerdict::kData;
  return sound && parsed.length == bytes.size();
}

bool Refusal(Byte control) {
  return control == wire::kRefuse;
}

std::int64_t PowerOf10(int n) {
  std::int64_t p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

std::int64_t Hundredths(double value) {
  return std::llround(value * kHundredths);
}

class Station {
 public:
  explicit Station(const SoakSettings& settings)
      : settings_(settings), random_(settings.seed), line_(MakeLine()) {
    auto transport = std::make_unique<NoisyTransport>(line_, clock_, settings.noise);
    noisy_ = transport.get();
    port_.Bind(kChannel, std::move(transport));
    port_.AddObserver([this](const host::ExchangeRecord& r) { Judge(r); });
    kavo5000::HostPort* port = settings.wrapPort ? settings.wrapPort(port_) : &port_;
    driver_ = std::make_unique<driver::VM30Driver>(0, 0, port);
    driver_->OpenChannel(kChannel);
    SetUpQuietly();
  }

  SoakTally Run() {
    while (tally_.exchanges < settings_.exchanges) {
      RunOne(PickOp());
      clock_.Advance(kStationPeriod);
    }
    return tally_;
  }

 private:
  std::shared_ptr<sim::Line> MakeLine() {
    sim::LineConfig config = sim::DefaultLineConfig(kControllers);
    config.behaviour.flow = kFlow;
    config.behaviour.customer.liftAfter = sim::Seconds(kLiftAfter);
    config.behaviour.customer.hangAfter = sim::Seconds(kHangAfter);
    auto line = std::make_shared<sim::Line>(config);
    // Values of every width, so that a digit read wrong shows.
    for (std::size_t c = 0; c < line->Size(); ++c) {
      sim::Controller& controller = line->At(c);
      for (int i = 0; i < wire::kParamCount; ++i) {
        if (i == kPasswordIndex || i == kCoefficientIndex) continue;
        const std::int64_t limit =
            std::min(PowerOf10(wire::kParamDigits[static_cast<std::size_t>(i)]), kLargestParam);
        controller.setParam(i, std::uniform_int_distribution<std::int64_t>(0, limit - 1)(random_));
      }
    }
    for (int d = 1; d <= kDispensers; ++d) {
      // Type 0 carries no delivery counters at all ('5' answers no digits),
      // so a station of that type has no counters to check.
      const int type = std::uniform_int_distribution<int>(kFirstCountingType, kLastType)(random_);
      for (int n = 1; n <= kNozzlesPerDispenser; ++n) {
        line->Find(driver::LinearNozzleNumber(kNozzlesPerDispenser, d, n))->setType(type);
      }
    }
    return line;
  }

  // A station starts on a quiet line: prices out, dispenser types learnt.
  void SetUpQuietly() {
    noisy_->SetQuiet(true);
    for (int d = 1; d <= kDispensers; ++d) {
      for (int n = 1; n <= kNozzlesPerDispenser; ++n) {
        driver_->SetPrice(kChannel, d, n, 0, 0, kPrices[n - 1]);
      }
      double litres = 0;
      double money = 0;
      driver_->GetDeliveryCounters(kChannel, d, &litres, &money);
    }
    noisy_->SetQuiet(false);
    tally_ = SoakTally{};
  }

  sim::Controller& Controller(int dispenser, int nozzle) {
    const int linear = driver::LinearNozzleNumber(kNozzlesPerDispenser, dispenser, nozzle);
    return *line_->Find(linear);
  }
  bool Delivering(int dispenser, int nozzle) {
    line_->Advance(clock_.Now());
    return Controller(dispenser, nozzle).phase() == sim::Phase::kDelivering;
  }

  Op PickOp() {
    int total = 0;
    for (const auto& [op, weight] : kMix) total += weight;
    int roll = std::uniform_int_distribution<int>(0, total - 1)(random_);
    for (const auto& [op, weight] : kMix) {
      if (roll < weight) return op;
      roll -= weight;
    }
    return Op::kPoll;
  }

  void RunOne(Op op) {
    const int d = std::uniform_int_distribution<int>(1, kDispensers)(random_);
    const int n = std::uniform_int_distribution<int>(1, kNozzlesPerDispenser)(random_);
    slippedSound_ = false;
    slippedUnsound_ = false;
    ++tally_.operations;
    try {
      switch (op) {
        case Op::kPoll: {
          StateRecord record{};
          driver_->GetSost(kChannel, static_cast<Byte>(d), kNozzlesPerDispenser, &record);
          break;
        }
        case Op::kTotals:
          Totals(d, n);
          break;
        case Op::kCounters:
          Counters(d);
          break;
        case Op::kVolume: {
          double money = 0;
          driver_->GetDeliveredVolume(kChannel, d, &money);
          break;
        }
        case Op::kParam:
          Param(d, n);
          break;
        case Op::kStart:
          Start(d, n);
          break;
        case Op::kStopAndClose:
          driver_->StopAndClose(kChannel, d, n, true);
          break;
      }
    } catch (...) {
      ++tally_.operationsRaised;
    }
  }

  bool ValidStatus() { return driver_->GetChannelStatus(kChannel) == kLineValid; }

  // A value the driver reported as good, against the truth.
  void Value(bool matches) {
    ++tally_.valuesChecked;
    if (matches) return;
    if (slippedSound_ && !slippedUnsound_) {
      ++tally_.wrongValuesUndetectable;
    } else {
      ++tally_.wrongValuesDriverFault;
    }
  }

  void Param(int d, int n) {
    int index = std::uniform_int_distribution<int>(0, kParamsPerNozzle - 1)(random_);
    if (index == kPasswordIndex) index = 0;
    const std::int32_t number = kavo5000::HostParamNumber(n, index);
    const std::int32_t value = driver_->GetParam(kChannel, d, number);
    if (!ValidStatus() || value < 0) return;
    Value(value == Controller(d, n).param(index));
  }

  void Totals(int d, int n) {
    const bool before = Delivering(d, n);
    double volume = 0;
    double money = 0;
    driver_->GetTotalCounters(kChannel, d, n, &volume, &money, 0);
    if (!ValidStatus() || before || Delivering(d, n)) return;
    const sim::Controller& c = Controller(d, n);
    Value(Hundredths(volume) == c.volumeTotal() && Hundredths(money) == c.moneyTotal());
  }

  void Counters(int d) {
    driver::DriverProbe probe(*driver_);
    const int active = std::max<int>(probe.Tables().ActiveNozzles[kChannel][d], 1);
    const bool before = Delivering(d, active);
    double litres = 0;
    double money = 0;
    driver_->GetDeliveryCounters(kChannel, d, &litres, &money);
    if (!ValidStatus() || before || Delivering(d, active)) return;
    const sim::Controller& c = Controller(d, active);
    Value(probe.Tables().DispenserTypes[kChannel][d] == c.type() &&
          Hundredths(litres) == c.deliveryVolume() && Hundredths(money) == c.deliveryMoney());
  }

  void Start(int d, int n) {
    line_->Advance(clock_.Now());
    const sim::Controller& c = Controller(d, n);
    if (c.phase() != sim::Phase::kIdle || c.nozzleUp()) return;
    const double litres =
        std::uniform_real_distribution<double>(kSmallestPreset, kLargestPreset)(random_);
    driver_->SetPrice(kChannel, d, n, 0, 0, kPrices[n - 1]);
    driver_->PresetVolume(kChannel, d, n, 0, std::round(litres * kHundredths) / kHundredths);
    driver_->StartPump(kChannel, d, n);
  }

  // One exchange, as the port recorded it, against what the line did.
  void Judge(const host::ExchangeRecord& r) {
    const LineExchange& line = noisy_->Last();
    ++tally_.exchanges;
    const bool accepted = r.lineState == kLineValid;
    const bool mistaken = accepted && r.reply != line.clean;
    if (mistaken) {
      const bool sound = SoundReply(r.reply);
      (sound ? slippedSound_ : slippedUnsound_) = true;
      ++(sound ? tally_.mistakenUndetectable : tally_.mistakenDriverFault);
      if (sound && r.reply.size() == 1) {
        ++tally_.mistakenControlByte;
        const bool wasControl = line.clean.size() == 1;
        if (wasControl && Refusal(line.clean.front()) != Refusal(r.reply.front()))
          ++tally_.outcomeTurned;
      }
    }
    if (line.faults == kFaultNone) {
      if (!line.clean.empty() && !accepted) ++tally_.unrecovered;
      return;
    }
    ++tally_.faultyExchanges;
    tally_.corruptedBytes += line.corruptedBytes;
    for (unsigned k = 0; k < kFaultKinds; ++k) {
      if ((line.faults & (1u << k)) != 0) ++tally_.byKind[k];
    }
    if (!accepted) {
      ++tally_.detected;
    } else if (!mistaken) {
      ++tally_.absorbed;
    }
  }

  const SoakSettings& settings_;
  std::mt19937_64 random_;
  sim::VirtualClock clock_;
  std::shared_ptr<sim::Line> line_;
  host::LineHostPort port_;
  NoisyTransport* noisy_ = nullptr;
  std::unique_ptr<driver::VM30Driver> driver_;
  SoakTally tally_;
  // Whether an exchange of the operation in hand had a reply accepted that
  // the controller did not send, sound by the protocol's checks or not.
  bool slippedSound_ = false;
  bool slippedUnsound_ = false;
};

}  // namespace

SoakTally RunSoak(const SoakSettings& settings) {
  Station station(settings);
  return station.Run();
}

const char* FaultName(unsigned kind) {
  static constexpr const char* kNames[kFaultKinds] = {
      "bytes changed", "dropped", "truncated", "garbage first", "late, in time", "late, too late"};
  return kind < kFaultKinds ? kNames[kind] : "";
}

}  // namespace kavo5000::soak
