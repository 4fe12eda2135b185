// Port specs: what each accepted spelling means, and what is refused.
#include <gtest/gtest.h>

#include "PortSpec.h"

namespace kavo5000::host {
namespace {

TEST(PortSpecs, ParseEachTransport) {
  struct Case {
    const char* text;
    PortSpec::Kind kind;
    const char* formatted;
  };
  const Case cases[] = {
      {"sim", PortSpec::Kind::kSim, "sim"},
      {"/dev/ttyUSB0", PortSpec::Kind::kDevice, "/dev/ttyUSB0:4800:8N1"},
      {"/dev/ttyUSB0:9600", PortSpec::Kind::kDevice, "/dev/ttyUSB0:9600:8N1"},
      {"/dev/pts/3:19200:7e2", PortSpec::Kind::kDevice, "/dev/pts/3:19200:7E2"},
      {"COM3", PortSpec::Kind::kDevice, "COM3:4800:8N1"},
      {"tcp://127.0.0.1:4001", PortSpec::Kind::kTcp, "tcp://127.0.0.1:4001"},
      {"tcp://localhost:23", PortSpec::Kind::kTcp, "tcp://localhost:23"},
      {"tcp://[::1]:4001", PortSpec::Kind::kTcp, "tcp://[::1]:4001"},
  };
  for (const Case& c : cases) {
    const PortSpec spec = ParsePortSpec(c.text);
    EXPECT_EQ(spec.kind, c.kind) << c.text;
    EXPECT_EQ(FormatPortSpec(spec), c.formatted) << c.text;
  }
  const PortSpec odd = ParsePortSpec("/dev/ttyS1:1200:5O2");
  EXPECT_EQ(odd.serial, (SerialSettings{1200, 5, 'O', 2}));
}

TEST(PortSpecs, RefuseWhatCannotBeOpened) {
  const char* bad[] = {
      "",           "/dev/ttyUSB0:4801", "/dev/ttyUSB0:8N1", ":4800",       "tcp://",
      "tcp://host", "tcp://host:0",      "tcp://host:70000", "tcp://:4001", "tcp://[::1]4001"};
  for (const char* text : bad) EXPECT_THROW(ParsePortSpec(text), PortSpecError) << text;
}

}  // namespace
}  // namespace kavo5000::host
