// PortSpec.h — the text that names where a channel's controllers are:
//   sim                        the in-process simulator
//   DEVICE[:BAUD[:FRAMING]]    a serial device (/dev/ttyUSB0, /dev/pts/3, COM3),
//                              default 4800:8N1; FRAMING is data bits 5–8,
//                              parity N/E/O, stop bits 1 or 2 (e.g. 8E1)
//   tcp://HOST:PORT            a serial device server in raw TCP mode
#ifndef KAVO5000_HOST_PORTSPEC_H
#define KAVO5000_HOST_PORTSPEC_H

#include <stdexcept>
#include <string>
#include <string_view>

namespace kavo5000::host {

class PortSpecError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct SerialSettings {
  int baud = 4800;
  int dataBits = 8;
  char parity = 'N';  // 'N', 'E' or 'O'
  int stopBits = 1;
  bool operator==(const SerialSettings&) const = default;
};

struct PortSpec {
  enum class Kind { kSim, kDevice, kTcp };
  Kind kind = Kind::kSim;
  std::string path;       // kDevice
  SerialSettings serial;  // kDevice
  std::string host;       // kTcp
  int port = 0;           // kTcp
};

// Throws PortSpecError saying what is wrong.
PortSpec ParsePortSpec(std::string_view text);
// The port spec back as text, settings spelled out.
std::string FormatPortSpec(const PortSpec& spec);
// Whether termios knows this rate.
bool IsSupportedBaud(int baud);

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_PORTSPEC_H
