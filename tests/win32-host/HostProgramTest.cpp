// HostProgramTest.cpp — Kavo5000.dll as a Windows station program meets it:
// loaded with LoadLibrary, GetVM30 found by its plain name, a whole delivery
// over TCP through LineHostPort's Winsock transport to a served simulator,
// and the exceptions the module raises caught here by their type. Nothing of
// the driver is linked into this program: whatever it catches was thrown in
// the DLL and unwound through both modules' frames.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "LineHostPort.h"
#include "kavo5000/Kavo5000.h"

namespace {

using Factory = kavo5000::TVM30*(KAVO5000_CALL*)(std::uint32_t, std::uintptr_t,
                                                 kavo5000::HostPort*);
constexpr kavo5000::Byte kChannel = 1;
constexpr int kDispenser = 1;
constexpr int kNozzle = 1;
constexpr kavo5000::Byte kValid = kavo5000::kLineValid;
constexpr const char* kDeadServer = "tcp://127.0.0.1:1";  // nothing listens there

// The module this build made, or the one $KAVO5000_MODULE names: a bare
// "Kavo5000.dll" is looked for as a station program's LoadLibrary looks,
// beside the program first (a package unpacked around this program).
const char* ModulePath() {
  const char* named = std::getenv("KAVO5000_MODULE");
  return named != nullptr && *named != '\0' ? named : KAVO5000_MODULE_PATH;
}

// The module stays loaded to the end of the process, as a station program
// keeps it: an exception's what() and destructor live in it.
HMODULE Module() {
  static const HMODULE module = LoadLibraryA(ModulePath());
  return module;
}

Factory GetVM30() {
  return reinterpret_cast<Factory>(reinterpret_cast<void*>(GetProcAddress(Module(), "GetVM30")));
}

// Where the served simulator listens, as sim-serve.sh wrote it down.
std::string SimulatorPort() {
  const char* file = std::getenv("KAVO5000_SIM_PORT_FILE");
  if (file == nullptr) return {};
  std::ifstream in(file);
  std::string port;
  std::getline(in, port);
  return port;
}

// A driver lent a port whose channel 1 goes to `portName`.
struct Station {
  explicit Station(const std::string& portName) {
    port.Bind(kChannel, portName);
    driver.reset(GetVM30()(0, 0, &port));
  }
  kavo5000::host::LineHostPort port;
  std::unique_ptr<kavo5000::TVM30> driver;
};

TEST(WindowsModule, ExportsGetVM30UnderItsPlainNameOnly) {
  ASSERT_NE(Module(), nullptr) << "LoadLibrary(" << ModulePath() << ") failed: error "
                               << GetLastError();
  EXPECT_NE(GetVM30(), nullptr);
  // The 32-bit stdcall decorations must not be what a host has to ask for.
  EXPECT_EQ(GetProcAddress(Module(), "GetVM30@12"), nullptr);
  EXPECT_EQ(GetProcAddress(Module(), "_GetVM30@12"), nullptr);
}

TEST(WindowsModule, DescriptionCrossesTheSlotTable) {
  ASSERT_NE(GetVM30(), nullptr);
  std::unique_ptr<kavo5000::TVM30> driver(GetVM30()(0, 0, nullptr));
  kavo5000::ShortString text{};
  driver->Description(&text);
  EXPECT_EQ(kavo5000::Cp1251ToUtf8(std::string(text.Text, text.Length)),
            "v2.41#Протокол колонок Каво 5000");
}

// Bad input is refused in the module before anything is sent; each refusal
// must reach this program's catch as kavo5000::Exception with its message.
TEST(WindowsModule, RefusalsRaisedInTheModuleAreCaughtByType) {
  ASSERT_NE(GetVM30(), nullptr);
  std::unique_ptr<kavo5000::TVM30> driver(GetVM30()(0, 0, nullptr));
  struct Case {
    const char* what;
    std::function<void()> call;
    const char* message;
  };
  const Case cases[] = {
      {"channel 21", [&] { driver->StartPump(21, kDispenser, kNozzle); },
       "Номер канала выходит за допустимый диапазон"},
      {"dispenser 33", [&] { driver->StartPump(kChannel, 33, kNozzle); },
       "Номер колонки выходит за допустимый диапозон"},
      {"nozzle 16", [&] { driver->PresetVolume(kChannel, kDispenser, 16, 0, 1.0); },
       "Номер пистолета выходит за допустимый диапазон"},
      {"slot 0", [&] { driver->Abstract0(); }, "Abstract Error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.call();
      ADD_FAILURE() << "nothing was raised";
    } catch (const kavo5000::ESerialIO& e) {
      ADD_FAILURE() << "a refusal came as a failed exchange: " << e.what();
    } catch (const kavo5000::Exception& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.MessageCp1251(), kavo5000::detail::Utf8ToCp1251(c.message));
    } catch (...) {
      ADD_FAILURE() << "the exception lost its type on the way out of the module";
    }
  }
}

TEST(WindowsModule, AFailedExchangeIsCaughtAsESerialIO) {
  ASSERT_NE(GetVM30(), nullptr);
  Station station(kDeadServer);
  EXPECT_NE(station.driver->OpenChannel(kChannel), 0);
  kavo5000::StateRecord record{};
  try {
    station.driver->GetSost(kChannel, kDispenser, 1, &record);
    ADD_FAILURE() << "an exchange on a dead line raised nothing";
  } catch (const kavo5000::ESerialIO& e) {
    EXPECT_STREQ(e.what(), "Can't GetSost");
  } catch (...) {
    ADD_FAILURE() << "the failed exchange did not come as ESerialIO";
  }
}

class WindowsOverTcp : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetVM30(), nullptr);
    simulatorPort_ = SimulatorPort();
    ASSERT_FALSE(simulatorPort_.empty())
        << "no served simulator: KAVO5000_SIM_PORT_FILE names none";
    station_ = std::make_unique<Station>(simulatorPort_);
    ASSERT_EQ(station_->driver->OpenChannel(kChannel), 0) << station_->port.ErrorText(kChannel);
  }
  kavo5000::TVM30& d() { return *station_->driver; }
  kavo5000::Byte Status() { return d().GetChannelStatus(kChannel); }
  std::uint8_t NozzleClass() {
    kavo5000::StateRecord record{};
    d().GetSost(kChannel, kDispenser, 1, &record);
    return static_cast<std::uint8_t>(record.Nozzle[0] & kavo5000::kStateClassMask);
  }

  std::string simulatorPort_;
  std::unique_ptr<Station> station_;
};

TEST_F(WindowsOverTcp, RunsAWholeDeliveryThatTheDriverCloses) {
  constexpr double kPrice = 50.0;
  constexpr double kLitres = 2.0;
  constexpr int kPolls = 200;
  d().SetPrice(kChannel, kDispenser, kNozzle, 0, 0, kPrice);
  ASSERT_EQ(Status(), kValid);
  double volumeBefore = 0;
  double moneyBefore = 0;
  d().GetTotalCounters(kChannel, kDispenser, kNozzle, &volumeBefore, &moneyBefore, 0);
  ASSERT_EQ(Status(), kValid);
  d().PresetVolume(kChannel, kDispenser, kNozzle, 0, kLitres);
  ASSERT_EQ(Status(), kValid);
  d().StartPump(kChannel, kDispenser, kNozzle);
  ASSERT_EQ(Status(), kValid);

  // The driver closes a delivery that has reached its preset while the
  // host polls; the nozzle then reads idle or lifted again.
  bool delivered = false;
  bool closed = false;
  double litres = 0;
  for (int poll = 0; poll < kPolls && !closed; ++poll) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    double money = 0;
    litres = d().GetDeliveredVolume(kChannel, kDispenser, &money);
    ASSERT_EQ(Status(), kValid);
    EXPECT_NEAR(money, litres * kPrice, 0.01);
    const std::uint8_t cls = NozzleClass();
    ASSERT_EQ(Status(), kValid);
    delivered = delivered || cls == kavo5000::kStateFinished;
    closed = delivered && (cls == kavo5000::kStateIdle || cls == kavo5000::kStateLifted);
  }
  ASSERT_TRUE(closed) << "the delivery never ended";
  EXPECT_DOUBLE_EQ(litres, kLitres);
  double volume = 0;
  double money = 0;
  d().GetTotalCounters(kChannel, kDispenser, kNozzle, &volume, &money, 0);
  EXPECT_NEAR(volume, volumeBefore + kLitres, 1e-6);
  EXPECT_NEAR(money, moneyBefore + kLitres * kPrice, 1e-6);
}

TEST_F(WindowsOverTcp, ReadsAParameterAndRefusesOneOutOfRangeBeforeTheLine) {
  // Host parameter 10 + 19: nozzle 1's software version, 107 in the simulator.
  constexpr std::int32_t kVersion = 10 + 19;
  constexpr std::int32_t kSimulatorVersion = 107;
  EXPECT_EQ(d().GetParam(kChannel, kDispenser, kVersion), kSimulatorVersion);
  ASSERT_EQ(Status(), kValid);
  // Raised in the module with a live line open; the line is none the worse.
  try {
    d().GetParam(kChannel, kDispenser, -1);
    ADD_FAILURE() << "parameter -1 was not refused";
  } catch (const kavo5000::Exception& e) {
    EXPECT_STREQ(e.what(), "Недопустимое значение");
  }
  EXPECT_EQ(d().GetParam(kChannel, kDispenser, kVersion), kSimulatorVersion);
  EXPECT_EQ(Status(), kValid);
}

}  // namespace
