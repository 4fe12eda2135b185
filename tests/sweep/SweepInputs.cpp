// SweepInputs.cpp — the sweep's inputs and their documented answers.
#include "SweepInputs.h"

#include <cmath>
#include <limits>
#include <sstream>

namespace kavo5000::sweep {

namespace {

using driver::VM30Driver;

// The documented refusals (docs/HOST-INTERFACE.md, "The driver's messages").
constexpr const char* kChannelRange = "Номер канала выходит за допустимый диапазон";
constexpr const char* kDispenserRange = "Номер колонки выходит за допустимый диапозон";
constexpr const char* kNozzleRange = "Номер пистолета выходит за допустимый диапазон";
constexpr const char* kInvalidValue = "Недопустимое значение";
constexpr const char* kNoResult = "Не указан адрес результата";
constexpr const char* kAbstract = "Abstract Error";

// The driver's documented bounds.
constexpr std::int64_t kFirstChannel = 1;
constexpr std::int64_t kLastChannel = 20;
constexpr std::int64_t kLastDispenser = 32;
constexpr std::int64_t kLastNozzle = 15;
constexpr std::int32_t kLastSwitch = 8;          // numbers 0..8: common switches
constexpr std::int32_t kLargestSwitchValue = 9;  // one digit
constexpr std::int32_t kLastLinearNozzle = kLastDispenser * kLastNozzle;
constexpr Byte kWindowParamFamily = 0;
constexpr std::int32_t kWindowDigits = 3;
constexpr std::int32_t kOptionsOn[] = {1, 4, 5};
constexpr std::int32_t kOptionsOff[] = {2, 3};

// Digit fields of the amounts, in hundredths.
constexpr int kPriceDigits = 4;
constexpr int kVolumeDigits = 5;
constexpr int kMoneyDigits = 6;
constexpr int kTotalDigits = 12;
constexpr double kHundredths = 100.0;
// A money preset sent as a volume: the volume is cut to hundredths after
// this is added to the money.
constexpr double kMoneyRoundUp = 0.0049;
constexpr Byte kMoneyAsMoney = 0x10;  // configuration bit 4: money presets go as 'S'
constexpr Byte kMoneyAsVolume = 0x00;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

const std::vector<std::int32_t> kChannels = {-1, 0, 1, 20, 21, 255, 256};
const std::vector<std::int32_t> kDispensers = {kMin, -1, 0, 32, 33, kMax};
// With the sweep's four nozzles per dispenser, 5 is the next dispenser's first.
const std::vector<std::int32_t> kNozzles = {0, 1, 4, 5, 15, 16, 255};
// 249 is nozzle 4's last parameter, 250 nozzle 5's first; 909 is nozzle 15's
// last, 910 nozzle 16's first.
const std::vector<std::int32_t> kParamNumbers = {kMin, -1, 0, 8, 9, 10, 249, 250, 909, 910, kMax};
const std::vector<std::int32_t> kParamValues = {kMin, -1, 0, 9, 10, 123456, kMax};
const std::vector<std::int32_t> kOptionCodes = {kMin, -1, 0, 1, 2, 3, 4, 5, 6, kMax};
const std::vector<std::int32_t> kFamilies = {0, 1, 2, 255};
const std::vector<std::int32_t> kLinearNozzles = {-1, 0, 1, kLastLinearNozzle,
                                                  kLastLinearNozzle + 1};
const std::vector<std::int32_t> kCodes = {-1, 0, 59, 60};

// What a careless host passes around the largest amount a field holds.
std::vector<double> Amounts(double largest) {
  return {kNaN, kInf, -kInf, -0.01, 0.0, largest, largest + 0.01, 1e300};
}
double Largest(int digits) {
  return (std::pow(10.0, digits) - 1.0) / kHundredths;
}
// The largest money sent as a volume at the sweep's price.
double LargestMoneyAsVolume() {
  return Largest(kVolumeDigits) * kSweepPrice;
}

bool ChannelOk(std::int64_t c) {
  return c >= kFirstChannel && c <= kLastChannel;
}
bool DispenserOk(std::int64_t d) {
  return d >= 0 && d <= kLastDispenser;
}
// Nozzles per dispenser: the configuration byte's low four bits, four for a
// byte of 0.
std::int64_t NozzlesPer(Byte config) {
  constexpr Byte kNozzleBits = 0x0F;
  constexpr std::int64_t kDefaultNozzles = 4;
  return config == 0 ? kDefaultNozzles : config & kNozzleBits;
}
// Within the tables and, while the configuration numbers nozzles per
// dispenser, within the dispenser (0 counts as 1).
bool NozzleOk(std::int64_t n, Byte config) {
  const std::int64_t per = NozzlesPer(config);
  return n >= 0 && n <= kLastNozzle && (per == 0 || n <= per);
}
// Finite, not negative, and its hundredths (halves to even) within the digits.
bool Fits(double x, int digits) {
  return std::isfinite(x) && x >= 0.0 && std::nearbyint(x * kHundredths) < std::pow(10.0, digits);
}
// A money preset sent as a volume: the volume field must hold money / price.
bool MoneyFitsAsVolume(double money) {
  if (!std::isfinite(money) || money < 0.0) return false;
  const double litres =
      std::trunc((money + kMoneyRoundUp) * kHundredths / kSweepPrice) / kHundredths;
  return Fits(litres, kVolumeDigits);
}
// The nozzle a host parameter number ≥ 10 names is one a slot would take.
bool ParamNozzleOk(std::int32_t number, Byte config) {
  return number < kParamFirstNozzle || NozzleOk(SplitHostParamNumber(number).Nozzle, config);
}
bool Known(std::int32_t code) {
  for (std::int32_t c : kOptionsOn)
    if (c == code) return true;
  for (std::int32_t c : kOptionsOff)
    if (c == code) return true;
  return false;
}

// The first documented refusal that applies, in the documented order:
// channel, dispenser, nozzle, then values.
const char* First(std::initializer_list<std::pair<bool, const char*>> refusals) {
  for (const auto& [refused, message] : refusals) {
    if (refused) return message;
  }
  return nullptr;
}
const char* Numbers(std::int64_t c, std::int64_t d, std::int64_t n = 0, Byte config = 0) {
  return First({{!ChannelOk(c), kChannelRange},
                {!DispenserOk(d), kDispenserRange},
                {!NozzleOk(n, config), kNozzleRange}});
}
const char* Then(const char* numbers, bool valueRefused) {
  return numbers != nullptr ? numbers : (valueRefused ? kInvalidValue : nullptr);
}

template <typename... T>
std::string Text(const char* slot, T... args) {
  std::ostringstream out;
  out << slot << '(';
  const char* sep = "";
  ((out << sep << args, sep = ", "), ...);
  out << ')';
  return out.str();
}

// Arguments either from the boundary lists or drawn at random.
class Args {
 public:
  explicit Args(std::mt19937_64& random) : random_(random) {}

  std::int32_t Near(std::int32_t low, std::int32_t high) {
    if (Coin()) return std::uniform_int_distribution<std::int32_t>(low, high)(random_);
    return std::uniform_int_distribution<std::int32_t>(kMin, kMax)(random_);
  }
  std::int32_t Channel() { return Near(-3, 260); }
  std::int32_t Dispenser() { return Near(-3, 40); }
  std::int32_t Nozzle() { return Near(-3, 20); }
  std::int32_t Number() { return Near(-5, 1000); }
  std::int32_t Value() { return Near(-2, 12); }
  double Amount(int digits) {
    if (Coin()) {
      const std::vector<double> special = Amounts(Largest(digits));
      return special[std::uniform_int_distribution<std::size_t>(0, special.size() - 1)(random_)];
    }
    const double top = 2.0 * std::pow(10.0, digits) / kHundredths;
    return std::round(std::uniform_real_distribution<double>(-1.0, top)(random_) * kHundredths) /
           kHundredths;
  }
  bool Coin() { return std::bernoulli_distribution(0.5)(random_); }

 private:
  std::mt19937_64& random_;
};

class Builder {
 public:
  Builder(std::mt19937_64& random, int randomPerSlot)
      : args_(random), randomPerSlot_(randomPerSlot) {}

  std::vector<Input> Build() {
    NumberedSlots();
    AmountSlots();
    ParamSlots();
    ByteSlots();
    WindowRead();
    return std::move(inputs_);
  }

 private:
  void Add(std::string text, Byte config, std::function<void(VM30Driver&)> call,
           const char* refusal) {
    inputs_.push_back(Input{std::move(text), config, std::move(call), refusal});
  }

  // Each slot's grid, then its random inputs, through one maker.
  template <typename Maker>
  void Grid3(const Maker& make) {
    for (auto c : kChannels)
      for (auto d : kDispensers)
        for (auto n : kNozzles) make(c, d, n);
    for (int i = 0; i < randomPerSlot_; ++i)
      make(args_.Channel(), args_.Dispenser(), args_.Nozzle());
  }
  template <typename Maker>
  void Grid2(const Maker& make) {
    for (auto c : kChannels)
      for (auto d : kDispensers) make(c, d);
    for (int i = 0; i < randomPerSlot_; ++i) make(args_.Channel(), args_.Dispenser());
  }
  template <typename Maker>
  void Grid4(const std::vector<double>& amounts, int digits, const Maker& make) {
    for (auto c : kChannels)
      for (auto d : kDispensers)
        for (auto n : kNozzles)
          for (double x : amounts) make(c, d, n, x);
    for (int i = 0; i < randomPerSlot_; ++i)
      make(args_.Channel(), args_.Dispenser(), args_.Nozzle(), args_.Amount(digits));
  }

  void NumberedSlots() {
    for (bool doStop : {false, true}) {
      Grid2([&](std::int32_t c, std::int32_t d) {
        Add(
            Text("StopActiveNozzle", c, d, doStop), 0,
            [=](VM30Driver& v) { v.StopActiveNozzle(c, d, doStop); },
            doStop ? Numbers(c, d) : nullptr);
      });
      Grid3([&](std::int32_t c, std::int32_t d, std::int32_t n) {
        Add(
            Text("StopPump", c, d, n, doStop), 0,
            [=](VM30Driver& v) { v.StopPump(c, d, n, doStop); },
            doStop ? Numbers(c, d, n) : nullptr);
        // Checked whatever doStop says.
        Add(
            Text("StopAndClose", c, d, n, doStop), 0,
            [=](VM30Driver& v) { v.StopAndClose(c, d, n, doStop); }, Numbers(c, d, n));
        Add(
            Text("StartPumpEx", c, d, n, doStop), 0,
            [=](VM30Driver& v) { v.StartPumpEx(c, d, n, doStop); }, Numbers(c, d, n));
      });
    }
    Grid2([&](std::int32_t c, std::int32_t d) {
      Add(
          Text("GetDeliveryCounters", c, d), 0,
          [=](VM30Driver& v) {
            double a = 0;
            double b = 0;
            v.GetDeliveryCounters(c, d, &a, &b);
          },
          Numbers(c, d));
      Add(
          Text("GetDeliveredVolume", c, d), 0,
          [=](VM30Driver& v) {
            double money = 0;
            v.GetDeliveredVolume(c, d, &money);
          },
          Numbers(c, d));
    });
    Grid3([&](std::int32_t c, std::int32_t d, std::int32_t n) {
      Add(
          Text("StartPump", c, d, n), 0, [=](VM30Driver& v) { v.StartPump(c, d, n); },
          Numbers(c, d, n));
      Add(
          Text("GetTotalCounters", c, d, n), 0,
          [=](VM30Driver& v) {
            double a = 0;
            double b = 0;
            v.GetTotalCounters(c, d, n, &a, &b, 0);
          },
          Numbers(c, d, n));
    });
  }

  void AmountSlots() {
    Grid4(Amounts(Largest(kPriceDigits)), kPriceDigits,
          [&](std::int32_t c, std::int32_t d, std::int32_t n, double x) {
            Add(
                Text("SetPrice", c, d, n, x), 0,
                [=](VM30Driver& v) { v.SetPrice(c, d, n, 0, 0, x); },
                Then(Numbers(c, d, n), !Fits(x, kPriceDigits)));
          });
    Grid4(Amounts(Largest(kVolumeDigits)), kVolumeDigits,
          [&](std::int32_t c, std::int32_t d, std::int32_t n, double x) {
            Add(
                Text("PresetVolume", c, d, n, x), 0,
                [=](VM30Driver& v) { v.PresetVolume(c, d, n, 0, x); },
                Then(Numbers(c, d, n), !Fits(x, kVolumeDigits)));
          });
    Grid4(Amounts(Largest(kMoneyDigits)), kMoneyDigits,
          [&](std::int32_t c, std::int32_t d, std::int32_t n, double x) {
            Add(
                Text("PresetMoney/S", c, d, n, x), kMoneyAsMoney,
                [=](VM30Driver& v) { v.PresetMoney(c, d, n, 0, x); },
                Then(Numbers(c, d, n, kMoneyAsMoney), !Fits(x, kMoneyDigits)));
          });
    Grid4(Amounts(LargestMoneyAsVolume()), kMoneyDigits,
          [&](std::int32_t c, std::int32_t d, std::int32_t n, double x) {
            Add(
                Text("PresetMoney/T", c, d, n, x), kMoneyAsVolume,
                [=](VM30Driver& v) { v.PresetMoney(c, d, n, 0, x); },
                Then(Numbers(c, d, n), !MoneyFitsAsVolume(x)));
          });
    Grid4(Amounts(Largest(kTotalDigits)), kTotalDigits,
          [&](std::int32_t c, std::int32_t d, std::int32_t n, double x) {
            Add(
                Text("SetTotalCounter", c, d, n, x), 0,
                [=](VM30Driver& v) { v.SetTotalCounter(c, d, n, x, 0); },
                Then(Numbers(c, d, n), !Fits(x, kTotalDigits)));
          });
  }

  void ParamSlots() {
    auto getParam = [&](std::int32_t c, std::int32_t d, std::int32_t number) {
      const char* numbers = Numbers(c, d);
      Add(
          Text("GetParam", c, d, number), 0, [=](VM30Driver& v) { v.GetParam(c, d, number); },
          numbers != nullptr          ? numbers
          : !ParamNozzleOk(number, 0) ? kNozzleRange
          : number < 0                ? kInvalidValue
                                      : nullptr);
    };
    auto setParam = [&](std::int32_t c, std::int32_t d, std::int32_t number, std::int32_t value) {
      const char* numbers = Numbers(c, d);
      const bool switchTooLarge =
          number >= 0 && number <= kLastSwitch && value > kLargestSwitchValue;
      Add(
          Text("SetParam", c, d, number, value), 0,
          [=](VM30Driver& v) { v.SetParam(c, d, number, value); },
          numbers != nullptr                            ? numbers
          : !ParamNozzleOk(number, 0)                   ? kNozzleRange
          : (number < 0 || value < 0 || switchTooLarge) ? kInvalidValue
                                                        : nullptr);
    };
    for (auto c : kChannels)
      for (auto d : kDispensers)
        for (auto number : kParamNumbers) {
          getParam(c, d, number);
          for (auto value : kParamValues) setParam(c, d, number, value);
        }
    for (int i = 0; i < randomPerSlot_; ++i) {
      getParam(args_.Channel(), args_.Dispenser(), args_.Number());
      setParam(args_.Channel(), args_.Dispenser(), args_.Number(), args_.Value());
    }
  }

  // Slots that take the channel (and dispenser) as a byte: the host's number
  // arrives cut to its low byte, and that byte is judged.
  void ByteSlots() {
    auto slots = [&](std::int32_t channel, std::int32_t dispenser) {
      const auto c = static_cast<Byte>(channel);
      const auto d = static_cast<Byte>(dispenser);
      Add(
          Text("GetDispenserState", int{c}, int{d}), 0,
          [=](VM30Driver& v) { v.GetDispenserState(c, d); }, Numbers(c, d));
      Add(
          Text("GetSost", int{c}, int{d}), 0,
          [=](VM30Driver& v) {
            StateRecord record{};
            v.GetSost(c, d, 0, &record);
          },
          Numbers(c, d));
    };
    Grid2(slots);
    for (auto channel : kChannels) {
      const auto c = static_cast<Byte>(channel);
      Add(
          Text("OpenChannel", int{c}), 0, [=](VM30Driver& v) { v.OpenChannel(c); }, Numbers(c, 0));
      Add(
          Text("SetChannelStatus", int{c}), 0,
          [=](VM30Driver& v) {
            v.SetChannelStatus(c, 0);
            if (!ChannelOk(c)) throw kavo5000::Exception(kStatusIgnored);
          },
          ChannelOk(c) ? nullptr : kStatusIgnored);
      Add(
          Text("GetChannelStatus", int{c}), 0,
          [=](VM30Driver& v) {
            const Byte status = v.GetChannelStatus(c);
            if (!ChannelOk(c) && status == 0) throw kavo5000::Exception(kStatusIgnored);
          },
          ChannelOk(c) ? nullptr : kStatusIgnored);
      Add(
          Text("GetSost/null", int{c}), 0, [=](VM30Driver& v) { v.GetSost(c, 1, 0, nullptr); },
          kNoResult);
    }
    Add(
        "Abstract0()", 0, [](VM30Driver& v) { v.Abstract0(); }, kAbstract);
    Add(
        "Description(null)", 0, [](VM30Driver& v) { v.Description(nullptr); }, kNoResult);
    Add(
        "Description()", 0,
        [](VM30Driver& v) {
          ShortString text{};
          v.Description(&text);
        },
        nullptr);
    for (auto raw : kParamValues) {
      Add(
          Text("Reserved5", raw), 0, [=](VM30Driver& v) { v.Reserved5(raw); }, nullptr);
      Add(
          Text("Reserved12", raw), 0, [=](VM30Driver& v) { v.Reserved12(raw, raw, raw); }, nullptr);
    }
    for (auto code : kOptionCodes) {
      Add(
          Text("QueryOption", code), 0,
          [=](VM30Driver& v) {
            std::int32_t value = 0;
            v.QueryOption(code, &value);
          },
          nullptr);
      Add(
          Text("QueryOption/null", code), 0, [=](VM30Driver& v) { v.QueryOption(code, nullptr); },
          Known(code) ? kNoResult : nullptr);
    }
  }

  void WindowRead() {
    auto read = [&](std::int32_t family, std::int32_t c, std::int32_t linear, std::int32_t code) {
      const bool refused = family != kWindowParamFamily || !ChannelOk(c) || code < 0 ||
                           code >= kParamsPerNozzle || linear < 0 || linear > kLastLinearNozzle;
      Add(
          Text("WindowReadParam", family, c, linear, code), 0,
          [=](VM30Driver& v) {
            if (v.WindowReadParam(static_cast<catalogue::CommandFamily>(family), c, linear, code,
                                  kWindowDigits) < 0)
              throw kavo5000::Exception(kWindowRefused);
          },
          refused ? kWindowRefused : nullptr);
    };
    for (auto family : kFamilies)
      for (auto c : kChannels)
        for (auto linear : kLinearNozzles)
          for (auto code : kCodes) read(family, c, linear, code);
    for (int i = 0; i < randomPerSlot_; ++i) {
      read(args_.Near(0, 3), args_.Channel(), args_.Near(-2, 500), args_.Near(-2, 70));
    }
  }

  Args args_;
  int randomPerSlot_;
  std::vector<Input> inputs_;
};

}  // namespace

std::vector<Input> SweepInputs(std::mt19937_64& random, int randomPerSlot) {
  return Builder(random, randomPerSlot).Build();
}

}  // namespace kavo5000::sweep
