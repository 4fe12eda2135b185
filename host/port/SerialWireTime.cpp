// SerialWireTime.cpp — how long bytes take on a serial line at its rate and
// framing, shared by the termios and the Win32 serial transports, and how
// long a reply may take through a serial device server, shared by the two
// TCP transports.
#include "Transport.h"

namespace kavo5000::host {

namespace {
constexpr int kStartBits = 1;
}  // namespace

Nanos SerialWireTime(std::size_t bytes, const SerialSettings& settings) {
  if (settings.baud <= 0) return Nanos::zero();
  const int bits =
      kStartBits + settings.dataBits + (settings.parity == 'N' ? 0 : 1) + settings.stopBits;
  const auto perSecond = std::chrono::duration_cast<Nanos>(std::chrono::seconds(1)).count();
  return Nanos(static_cast<std::int64_t>(bytes) * bits * perSecond / settings.baud);
}

Nanos ServerPacketWindow(std::size_t bytes) {
  return SerialWireTime(bytes, kServerSerialSide) + kServerPacketTimer;
}

}  // namespace kavo5000::host
