// DriverFixture.h — a driver object on a scripted port, with the shorthands
// the operation tests share.
#ifndef KAVO5000_TESTS_DRIVERFIXTURE_H
#define KAVO5000_TESTS_DRIVERFIXTURE_H

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "DriverProbe.h"
#include "ScriptedPort.h"
#include "VM30.h"

namespace kavo5000::driver {

using testing::Ascii;
using testing::Bytes;
using testing::Reply;
using testing::ScriptedPort;

inline constexpr Byte kAckByte = 0x06;
inline constexpr Byte kNakByte = 0x15;
inline constexpr Byte kRefusalByte = 0x18;

class DriverTest : public ::testing::Test {
 protected:
  explicit DriverTest(Byte config = 0) : driver(std::make_unique<VM30Driver>(config, 0, &port)) {}

  void Reconfigure(Byte config) { driver = std::make_unique<VM30Driver>(config, 0, &port); }

  void Ack(Byte channel = 1) { port.Queue(channel, Reply::Control(kAckByte)); }
  void Refuse(Byte channel = 1) { port.Queue(channel, Reply::Control(kRefusalByte)); }
  void Silence(Byte channel = 1) { port.Queue(channel, Reply::Silence()); }
  void Fail(Byte channel = 1) { port.Queue(channel, Reply::Failure(7)); }
  void Data(const Bytes& data, Byte channel = 1) { port.Queue(channel, Reply::Data(data)); }

  Byte Status(Byte channel = 1) { return driver->GetChannelStatus(channel); }
  DriverProbe probe() { return DriverProbe(*driver); }
  DriverTables& tables() { return probe().Tables(); }

  // The command characters of the frames sent, in order ("UT28" …).
  std::string CommandChars(Byte channel = 0) const {
    std::string chars;
    for (const Bytes& c : port.Commands(channel)) chars.push_back(static_cast<char>(c.at(2)));
    return chars;
  }

  // Runs f, expecting kavo5000::Exception (or a subclass) with this message.
  template <typename E = kavo5000::Exception>
  static void ExpectThrowWith(const std::function<void()>& f, const std::string& message) {
    try {
      f();
      ADD_FAILURE() << "no exception; expected \"" << message << "\"";
    } catch (const E& e) {
      EXPECT_EQ(e.what(), message);
    }
  }

  ScriptedPort port;
  std::unique_ptr<VM30Driver> driver;
};

}  // namespace kavo5000::driver

#endif  // KAVO5000_TESTS_DRIVERFIXTURE_H
