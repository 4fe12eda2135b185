// The C interface as a host of another language calls it: every misuse a
// status of its own and a message, never a crash; the driver's refusal and a
// failed transport as statuses; and one thread per channel, with a close
// racing the calls still running.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "kavo5000/Kavo5000.h"
#include "kavo5000/kavo5000_c.h"

namespace {

constexpr std::uint8_t kChannel = 1;
constexpr std::uint8_t kUnbound = 2;

kavo5000_driver* OpenOnSim(int channels = 1) {
  std::vector<kavo5000_channel> lines;
  for (int c = 1; c <= channels; ++c)
    lines.push_back({static_cast<std::uint8_t>(c), "sim", nullptr, nullptr});
  kavo5000_driver* driver = nullptr;
  EXPECT_EQ(kavo5000_open(KAVO5000_MODULE_PATH, 0, lines.data(), channels, 0, &driver), KAVO5000_OK)
      << kavo5000_last_error();
  return driver;
}

TEST(CApi, MisuseIsAStatusAndAMessage) {
  kavo5000_driver* driver = OpenOnSim();
  kavo5000_driver* closed = OpenOnSim();
  ASSERT_EQ(kavo5000_close(closed), KAVO5000_OK);
  int local = 0;
  auto* foreign = reinterpret_cast<kavo5000_driver*>(&local);
  double litres = 0;
  char tiny[4];
  const kavo5000_channel noPort{kChannel, nullptr, nullptr, nullptr};
  const kavo5000_channel channel21{21, "sim", nullptr, nullptr};
  const kavo5000_channel missingDevice{kChannel, "/nonexistent/tty", nullptr, nullptr};
  const kavo5000_channel unreadable{kChannel, "tcp://nowhere", nullptr, nullptr};
  kavo5000_driver* opened = nullptr;
  struct Case {
    const char* name;
    kavo5000_status got;
    kavo5000_status expected;
  };
  const Case cases[] = {
      {"nullHandle", kavo5000_set_price(nullptr, 1, 1, 1, 50.0), KAVO5000_BAD_USE},
      {"foreignHandle", kavo5000_set_price(foreign, 1, 1, 1, 50.0), KAVO5000_BAD_USE},
      {"closedHandle", kavo5000_set_price(closed, 1, 1, 1, 50.0), KAVO5000_BAD_USE},
      {"closedTwice", kavo5000_close(closed), KAVO5000_BAD_USE},
      {"nullResult", kavo5000_get_delivered_volume(driver, 1, 1, &litres, nullptr),
       KAVO5000_BAD_USE},
      {"shortDescription", kavo5000_description(driver, tiny, sizeof tiny), KAVO5000_BAD_USE},
      {"nullDriverPointer", kavo5000_open(KAVO5000_MODULE_PATH, 0, nullptr, 0, 0, nullptr),
       KAVO5000_BAD_USE},
      {"negativeCount", kavo5000_open(KAVO5000_MODULE_PATH, 0, nullptr, -1, 0, &opened),
       KAVO5000_BAD_USE},
      {"nullPort", kavo5000_open(KAVO5000_MODULE_PATH, 0, &noPort, 1, 0, &opened),
       KAVO5000_BAD_USE},
      {"channel21", kavo5000_open(KAVO5000_MODULE_PATH, 0, &channel21, 1, 0, &opened),
       KAVO5000_BAD_USE},
      {"unreadablePort", kavo5000_open(KAVO5000_MODULE_PATH, 0, &unreadable, 1, 0, &opened),
       KAVO5000_BAD_USE},
      {"missingDevice", kavo5000_open(KAVO5000_MODULE_PATH, 0, &missingDevice, 1, 0, &opened),
       KAVO5000_NOT_FOUND},
      {"windowOfAnOlderDriver", kavo5000_show_parameter_window(driver), KAVO5000_BAD_USE},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;
  EXPECT_EQ(opened, nullptr);
  // Each failure leaves its own message on the thread, and a success none.
  EXPECT_EQ(kavo5000_open("/nonexistent/libKavo5000.so", 0, nullptr, 0, 0, &opened),
            KAVO5000_NOT_FOUND);
  EXPECT_NE(std::string(kavo5000_last_error()).find("/nonexistent/libKavo5000.so"),
            std::string::npos);
  std::uint8_t status = 0;
  EXPECT_EQ(kavo5000_get_channel_status(driver, kChannel, &status), KAVO5000_OK);
  EXPECT_STREQ(kavo5000_last_error(), "");
  EXPECT_EQ(kavo5000_close(driver), KAVO5000_OK);
}

TEST(CApi, TheDriversRefusalAndAFailedTransportAreStatuses) {
  kavo5000_driver* driver = OpenOnSim();
  EXPECT_EQ(kavo5000_set_price(driver, kChannel, 1, 1, 1000.0), KAVO5000_REFUSED);
  EXPECT_STREQ(kavo5000_last_error(), "Недопустимое значение");
  EXPECT_EQ(std::string(kavo5000_last_error_cp1251()),
            kavo5000::detail::Utf8ToCp1251("Недопустимое значение"));
  EXPECT_EQ(kavo5000_set_price(driver, kUnbound, 1, 1, 50.0), KAVO5000_SERIAL_IO);
  EXPECT_STREQ(kavo5000_last_error(), "Ошибка задания цены");
  // A controller's refusal is no status of the call: the channel status says it.
  EXPECT_EQ(kavo5000_set_price(driver, kChannel, 1, 1, 50.0), KAVO5000_OK);
  std::uint8_t status = 0;
  ASSERT_EQ(kavo5000_get_channel_status(driver, kChannel, &status), KAVO5000_OK);
  EXPECT_EQ(status, KAVO5000_LINE_VALID);
  EXPECT_EQ(kavo5000_close(driver), KAVO5000_OK);
}

// A host's own port: it answers a frame with `reply` (fed in two steps, as
// bytes arrive), says nothing, or fails its transport.
struct OwnPort {
  std::vector<std::uint8_t> reply;
  std::int32_t transport = 0;
  int frames = 0;

  static std::int32_t KAVO5000_C_CALL Open(void*, std::uint8_t, std::int32_t) { return 0; }
  static std::int32_t KAVO5000_C_CALL Send(void* context, std::uint8_t, const std::uint8_t*,
                                           std::int32_t, std::uint8_t* reply, std::int32_t capacity,
                                           kavo5000_reply_check check, void* checkContext) {
    auto& self = *static_cast<OwnPort*>(context);
    ++self.frames;
    if (self.transport != 0) return self.transport;
    std::int32_t got = 0;
    for (const std::uint8_t b : self.reply) {
      if (got == capacity) break;
      reply[got++] = b;
      std::int32_t length = got;
      if (check(checkContext, reply, &length) == 1) break;
    }
    return 0;
  }
};

TEST(CApi, AHostsOwnPortCarriesTheExchanges) {
  constexpr std::uint8_t kAccepted = 0x06;
  constexpr std::int32_t kWriteFailed = 4;
  struct Case {
    const char* name;
    std::vector<std::uint8_t> reply;
    std::int32_t transport;
    kavo5000_status call;
    std::uint8_t channelStatus;
  };
  const Case cases[] = {
      {"answered", {kAccepted}, 0, KAVO5000_OK, KAVO5000_LINE_VALID},
      {"silent", {}, 0, KAVO5000_OK, KAVO5000_LINE_NO_REPLY},
      {"malformed", {0x7F, 0x02}, 0, KAVO5000_OK, KAVO5000_LINE_MALFORMED},
      {"transportFailed", {}, kWriteFailed, KAVO5000_SERIAL_IO, KAVO5000_CHANNEL_NO_EXCHANGE},
  };
  const kavo5000_port_callbacks callbacks{&OwnPort::Open, &OwnPort::Send};
  for (const Case& c : cases) {
    OwnPort own{c.reply, c.transport};
    const kavo5000_channel line{kChannel, nullptr, &callbacks, &own};
    kavo5000_driver* driver = nullptr;
    ASSERT_EQ(kavo5000_open(KAVO5000_MODULE_PATH, 0, &line, 1, 0, &driver), KAVO5000_OK)
        << c.name << ": " << kavo5000_last_error();
    EXPECT_EQ(kavo5000_preset_volume(driver, kChannel, 1, 1, 2.0), c.call) << c.name;
    std::uint8_t status = 0xFF;
    ASSERT_EQ(kavo5000_get_channel_status(driver, kChannel, &status), KAVO5000_OK);
    if (c.call == KAVO5000_OK) {
      EXPECT_EQ(status, c.channelStatus) << c.name;
    }
    EXPECT_GE(own.frames, 1) << c.name;
    EXPECT_EQ(kavo5000_close(driver), KAVO5000_OK);
  }
}

TEST(CApi, OneThreadPerChannelAndACloseWhileTheyRun) {
  constexpr int kChannels = 2;
  constexpr int kPolls = 10;
  kavo5000_driver* driver = OpenOnSim(kChannels);
  std::atomic<int> polled{0};
  std::vector<std::thread> pollers;
  for (int c = 1; c <= kChannels; ++c) {
    pollers.emplace_back([&, c] {
      const auto ch = static_cast<std::uint8_t>(c);
      kavo5000_state state{};
      for (int i = 0; i < kPolls; ++i) {
        if (kavo5000_get_state(driver, ch, 1, 1, &state) != KAVO5000_OK) return;
        polled.fetch_add(1);
      }
      // Once the main thread has closed the driver, the handle is refused.
      while (kavo5000_get_state(driver, ch, 1, 1, &state) == KAVO5000_OK) {
      }
    });
  }
  while (polled.load() < kChannels * kPolls) std::this_thread::yield();
  EXPECT_EQ(kavo5000_close(driver), KAVO5000_OK);
  for (std::thread& t : pollers) t.join();
  EXPECT_EQ(polled.load(), kChannels * kPolls);
}

}  // namespace
