// The simulated lines the kit's programs run on the steady clock: the
// Simulation made from settings (the default one behind `--port sim`), whose
// transport keeps the line alive on its own.
#include <gtest/gtest.h>

#include <string>

#include "Frames.h"
#include "HostTestCheck.h"
#include "LineHostPort.h"
#include "Simulation.h"

namespace kavo5000::host {
namespace {

using std::chrono::milliseconds;

constexpr Byte kChannel = 1;

// A port whose channel reaches a simulated line; Ask sends one command to a
// nozzle address and gives back what the port recorded of the exchange.
class PortOnLine {
 public:
  explicit PortOnLine(std::unique_ptr<Transport> transport) {
    port.SetTimeouts({milliseconds(100), milliseconds(20)});
    port.Bind(kChannel, std::move(transport));
    Start();
  }

  ExchangeRecord Ask(int address, const std::string& command) {
    const wire::AddressPair pair = wire::AddressOf(address);
    wire::Bytes bytes{pair.group, pair.address};
    bytes.insert(bytes.end(), command.begin(), command.end());
    const wire::Bytes frame = wire::EncodeFrame(bytes);
    std::array<Byte, 256> reply{};
    EXPECT_EQ(port.Send(kChannel, frame.data(), static_cast<Byte>(frame.size()), reply.data(),
                        static_cast<Byte>(reply.size() - 1), 0),
              kPortOk);
    return last;
  }

 private:
  void Start() {
    check.port = &port;
    port.SetReplyCheck(kChannel, check.Ref());
    port.AddObserver([this](const ExchangeRecord& r) { last = r; });
    EXPECT_EQ(port.Open(kChannel, 42, 4800), kPortOk);
  }

  LineHostPort port;
  testing::HostTestCheck check;
  ExchangeRecord last;
};

std::string Data(const ExchangeRecord& r) {
  const wire::ParsedReply reply = wire::ParseReply(r.reply);
  EXPECT_EQ(reply.verdict, wire::ReplyVerdict::kData) << VerdictText(r.verdict);
  return std::string(reply.data.begin(), reply.data.end());
}

TEST(PortSim, TheDefaultSimulationIsPacedAt4800Baud) {
  PortOnLine line(Simulation(SimulationSettings{}).MakeTransport());
  const ExchangeRecord type = line.Ask(8, "7");
  EXPECT_EQ(type.verdict, ExchangeVerdict::kValid);
  EXPECT_EQ(Data(type), "A");  // type 1
  // Nine bytes out, six back at ten bits a byte, and the 5 ms turnaround.
  EXPECT_GE(type.milliseconds, 36.0);
  EXPECT_EQ(line.Ask(9, "7").verdict, ExchangeVerdict::kNoReply);  // eight controllers
}

TEST(Simulation, SettingsMakeTheLineAndItsTransportOutlivesTheSimulation) {
  SimulationSettings settings;
  settings.controllers = 3;
  settings.liftAfter = 0.0;  // the customer lifts the nozzle at once
  settings.faults = "7:refuse*1";
  settings.baud = 0;
  settings.turnaroundMs = 0;
  std::unique_ptr<Transport> transport = Simulation(settings).MakeTransport();
  PortOnLine line(std::move(transport));

  EXPECT_EQ(line.Ask(3, "7").reply, (wire::Bytes{wire::kRefuse}));  // the injected fault
  EXPECT_EQ(Data(line.Ask(3, "7")), "A");
  EXPECT_EQ(line.Ask(4, "7").verdict, ExchangeVerdict::kNoReply);  // three controllers
  EXPECT_EQ(line.Ask(1, "2").reply, (wire::Bytes{wire::kAck}));
  EXPECT_EQ(Data(line.Ask(1, "1")), "40");  // lifted on the start: fuel runs
}

TEST(Simulation, FaultRulesThatDoNotParseAreASimulationError) {
  SimulationSettings settings;
  settings.faults = "T:explode";
  EXPECT_THROW(Simulation{settings}, SimulationError);
}

}  // namespace
}  // namespace kavo5000::host
