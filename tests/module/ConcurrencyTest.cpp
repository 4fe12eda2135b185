// Several host threads driving the module at once: exchanges on one channel
// never overlap and a compound operation's frames stay together; different
// channels run side by side.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ScriptedPort.h"
#include "kavo5000/Kavo5000.h"

namespace {

using kavo5000::Byte;
using kavo5000::testing::Bytes;
using kavo5000::testing::Reply;
using kavo5000::testing::ScriptedPort;

using GetVM30Proc = kavo5000::TVM30*(KAVO5000_CALL*)(std::uint32_t, std::uintptr_t,
                                                     kavo5000::HostPort*);

constexpr int kRounds = 150;
constexpr Byte kAck = 0x06;

class ConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Mapped to the end of the process, as a host keeps it while anything of
    // it may live: the Qt libraries the window brings in would otherwise
    // unload with it, and what they allocate at load would read as leaked.
    module = dlopen(KAVO5000_MODULE_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(module, nullptr) << dlerror();
    auto getVM30 = reinterpret_cast<GetVM30Proc>(dlsym(module, "GetVM30"));
    ASSERT_NE(getVM30, nullptr);
    port.SetSendYields(20);
    // A contented controller: parameters read as 7, everything else accepted.
    port.SetResponder([](Byte, const Bytes& frame) {
      const Bytes command = kavo5000::testing::CommandOf(frame);
      if (command.size() > 2 && command[2] == 'N') return Reply::Data({command[1], '7'});
      return Reply::Control(kAck);
    });
    driver.reset(getVM30(0, 0, &port));
  }
  void TearDown() override {
    driver.reset();
    if (module != nullptr) dlclose(module);
  }

  // The command bytes sent on a channel.
  std::vector<Bytes> Commands(Byte channel) const { return port.Commands(channel); }

  void* module = nullptr;
  ScriptedPort port;
  std::unique_ptr<kavo5000::TVM30> driver;
};

TEST_F(ConcurrencyTest, DifferentChannelsRunSideBySide) {
  auto work = [this](Byte channel) {
    for (int i = 0; i < kRounds; ++i) {
      driver->SetPrice(channel, 1, 1, 0, 0, 45.1);
      driver->StartPump(channel, 1, 1);
      EXPECT_EQ(driver->GetParam(channel, 1, 10), 7);
      EXPECT_EQ(driver->GetChannelStatus(channel), 1);
    }
  };
  std::thread a(work, 1);
  std::thread b(work, 2);
  a.join();
  b.join();
  EXPECT_EQ(port.Overlaps(), 0);
  EXPECT_EQ(Commands(1).size(), 3u * kRounds);
  EXPECT_EQ(Commands(2).size(), 3u * kRounds);
}

TEST_F(ConcurrencyTest, OneChannelKeepsEachOperationsFramesTogether) {
  auto work = [this](int nozzle) {
    for (int i = 0; i < kRounds; ++i) driver->StartPumpEx(1, 1, nozzle, false);
  };
  std::thread a(work, 1);
  std::thread b(work, 2);
  a.join();
  b.join();
  EXPECT_EQ(port.Overlaps(), 0);
  const std::vector<Bytes> commands = Commands(1);
  ASSERT_EQ(commands.size(), 3u * 2 * kRounds);
  // Each start is a close, a 'U' and a '2' for one nozzle, back to back.
  for (std::size_t i = 0; i < commands.size(); i += 3) {
    const Byte address = commands[i + 1][1];
    EXPECT_EQ(commands[i + 1][2], 'U') << i;
    EXPECT_EQ(commands[i + 2][2], '2') << i;
    EXPECT_EQ(commands[i + 2][1], address) << i;
  }
}

}  // namespace
