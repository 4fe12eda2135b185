// BadInputSweep.cpp — each sweep input run on a driver of its own over a
// scripted line, and its answer checked against the documented one.
#include "BadInputSweep.h"

#include <map>
#include <memory>
#include <sstream>

#include "DriverProbe.h"
#include "ScriptedPort.h"
#include "SweepInputs.h"
#include "VM30.h"

namespace kavo5000::sweep {

namespace {

using driver::VM30Driver;
using testing::Bytes;
using testing::Reply;
using testing::ScriptedPort;

constexpr std::size_t kCommandCharAt = 2;
constexpr Byte kAck = 0x06;
constexpr std::int64_t kFirstChannel = 1;
constexpr std::int64_t kLastChannel = 20;

// A line whose controllers answer everything: parameters read as 7, states
// idle, type 1, counters zero; commands accepted.
std::optional<Reply> Answer(Byte, const Bytes& frame) {
  const Bytes command = testing::CommandOf(frame);
  if (command.size() <= kCommandCharAt) return std::nullopt;  // 'W' gets no answer
  switch (command[kCommandCharAt]) {
    case 'N':
      return Reply::Data({command[1], '7'});
    case '1':
      return Reply::Data(testing::Ascii("00"));
    case '7':
      return Reply::Data(testing::Ascii("@1"));
    case '4':
      return Reply::Data(testing::Ascii("000000"));
    case '5':
      return Reply::Data(testing::Ascii("0000000000000000"));
    case '6':
      return Reply::Data(testing::Ascii("000001000000000100000000"));
    default:
      return Reply::Control(kAck);
  }
}

// A driver on a scripted line, every price set and every status primed.
struct Rig {
  explicit Rig(Byte config) : driver(std::make_unique<VM30Driver>(config, 0, &port)) {
    port.SetResponder(Answer);
    driver::DriverTables& t = driver::DriverProbe(*driver).Tables();
    for (auto& channel : t.Prices) {
      for (auto& dispenser : channel) dispenser.fill(kSweepPrice);
    }
    for (std::int64_t c = kFirstChannel; c <= kLastChannel; ++c) {
      driver->SetChannelStatus(static_cast<Byte>(c), kPrimedStatus);
    }
    port.ClearCalls();
  }
  ScriptedPort port;
  std::unique_ptr<VM30Driver> driver;
};

// Valid operations that read what a refused input must have left alone
// (prices, active nozzles, types, statuses): what they send and give back.
std::string FollowUp(Rig& rig) {
  VM30Driver& d = *rig.driver;
  rig.port.ClearCalls();
  std::ostringstream out;
  for (std::int64_t c = kFirstChannel; c <= kLastChannel; ++c) {
    out << int{d.GetChannelStatus(static_cast<Byte>(c))} << ' ';
  }
  double a = 0;
  double b = 0;
  d.PresetMoney(1, 1, 1, 0, 10.0);
  d.StopActiveNozzle(1, 2, true);
  d.GetDeliveryCounters(1, 1, &a, &b);
  out << a << ' ' << b << ' ' << d.GetParam(1, 2, 70) << ' ';
  for (const Bytes& command : rig.port.Commands()) {
    for (Byte byte : command) out << int{byte} << ',';
    out << ' ';
  }
  return out.str();
}

class Runner {
 public:
  SweepResult Run(const std::vector<Input>& inputs) {
    for (const Input& input : inputs) Check(input);
    return std::move(result_);
  }

 private:
  const std::string& Baseline(Byte config) {
    auto [it, fresh] = baselines_.try_emplace(config);
    if (fresh) {
      Rig rig(config);
      it->second = FollowUp(rig);
    }
    return it->second;
  }

  void Check(const Input& input) {
    ++result_.inputs;
    Rig rig(input.config);
    driver::DriverProbe probe(*rig.driver);
    const driver::DriverTables before = probe.Tables();
    std::string raised;
    try {
      input.call(*rig.driver);
    } catch (const kavo5000::Exception& e) {
      raised = e.what();
    } catch (...) {
      raised = "an exception that is not the driver's";
    }
    auto fail = [&](const std::string& why) {
      result_.failures.push_back(input.text + ": " + why);
    };
    if (input.refusal == nullptr) {
      if (!raised.empty()) return fail("raised \"" + raised + "\", none documented");
      ++result_.handled;
      return;
    }
    if (raised != input.refusal) {
      return fail(std::string("expected \"") + input.refusal + "\", got " +
                  (raised.empty() ? std::string("none") : "\"" + raised + "\""));
    }
    if (!rig.port.Calls().empty()) return fail("refused, yet the port was called");
    if (!(probe.Tables() == before)) return fail("refused, yet a table changed");
    if (FollowUp(rig) != Baseline(input.config)) {
      return fail("refused, yet a following operation behaves otherwise");
    }
    ++result_.refused;
  }

  SweepResult result_;
  std::map<Byte, std::string> baselines_;
};

}  // namespace

SweepResult RunSweep(std::uint64_t seed, int randomPerSlot) {
  std::mt19937_64 random(seed);
  return CheckInputs(SweepInputs(random, randomPerSlot));
}

SweepResult CheckInputs(const std::vector<Input>& inputs) {
  return Runner().Run(inputs);
}

}  // namespace kavo5000::sweep
