// PortSpec.cpp — parsing and printing port specs.
#include "PortSpec.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace kavo5000::host {

namespace {
constexpr std::string_view kSimSpec = "sim";
constexpr std::string_view kTcpPrefix = "tcp://";
constexpr char kFieldSeparator = ':';
constexpr int kMaxTcpPort = 65535;
constexpr int kMinDataBits = 5;
constexpr int kMaxDataBits = 8;
constexpr std::array<int, 11> kBauds = {300,   600,   1200,  2400,   4800,  9600,
                                        19200, 38400, 57600, 115200, 230400};

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

int ToInt(std::string_view s) {
  int value = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || ptr != s.data() + s.size()) return -1;
  return value;
}

bool IsFraming(std::string_view s) {
  return s.size() == 3 && s[0] >= '0' + kMinDataBits && s[0] <= '0' + kMaxDataBits &&
         (s[1] == 'N' || s[1] == 'E' || s[1] == 'O' || s[1] == 'n' || s[1] == 'e' || s[1] == 'o') &&
         (s[2] == '1' || s[2] == '2');
}

std::string Quote(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

PortSpec ParseTcp(std::string_view text, std::string_view rest) {
  PortSpec spec;
  spec.kind = PortSpec::Kind::kTcp;
  std::string_view host;
  std::string_view port;
  if (!rest.empty() && rest.front() == '[') {  // [::1]:4001
    const auto close = rest.find(']');
    if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
      throw PortSpecError("port " + Quote(text) + ": expected tcp://[ADDRESS]:PORT");
    }
    host = rest.substr(1, close - 1);
    port = rest.substr(close + 2);
  } else {
    const auto colon = rest.rfind(kFieldSeparator);
    if (colon == std::string_view::npos) {
      throw PortSpecError("port " + Quote(text) + ": expected tcp://HOST:PORT");
    }
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
  }
  const int number = AllDigits(port) ? ToInt(port) : -1;
  if (host.empty() || number < 1 || number > kMaxTcpPort) {
    throw PortSpecError("port " + Quote(text) + ": expected tcp://HOST:PORT with PORT 1..65535");
  }
  spec.host = std::string(host);
  spec.port = number;
  return spec;
}
}  // namespace

bool IsSupportedBaud(int baud) {
  return std::find(kBauds.begin(), kBauds.end(), baud) != kBauds.end();
}

PortSpec ParsePortSpec(std::string_view text) {
  if (text == kSimSpec) return PortSpec{};
  if (text.substr(0, kTcpPrefix.size()) == kTcpPrefix) {
    return ParseTcp(text, text.substr(kTcpPrefix.size()));
  }
  if (text.empty()) throw PortSpecError("port: empty; expected sim, a device or tcp://HOST:PORT");
  PortSpec spec;
  spec.kind = PortSpec::Kind::kDevice;
  std::string_view path = text;
  // Up to two trailing fields: the baud rate, then the framing.
  for (int field = 0; field < 2; ++field) {
    const auto colon = path.rfind(kFieldSeparator);
    if (colon == std::string_view::npos) break;
    const std::string_view last = path.substr(colon + 1);
    const std::string_view before = path.substr(0, colon);
    if (IsFraming(last) && field == 0 && before.rfind(kFieldSeparator) != std::string_view::npos) {
      spec.serial.dataBits = last[0] - '0';
      spec.serial.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(last[1])));
      spec.serial.stopBits = last[2] - '0';
      path = before;
      continue;
    }
    if (AllDigits(last)) {
      const int baud = ToInt(last);
      if (!IsSupportedBaud(baud)) {
        throw PortSpecError("port " + Quote(text) + ": unsupported baud rate " + std::string(last));
      }
      spec.serial.baud = baud;
      path = before;
      break;  // nothing precedes the baud rate but the path
    }
    if (field == 0 && IsFraming(last)) {
      throw PortSpecError("port " + Quote(text) + ": framing needs a baud rate before it");
    }
    break;
  }
  if (path.empty()) throw PortSpecError("port " + Quote(text) + ": no device path");
  spec.path = std::string(path);
  return spec;
}

std::string FormatPortSpec(const PortSpec& spec) {
  switch (spec.kind) {
    case PortSpec::Kind::kSim:
      return std::string(kSimSpec);
    case PortSpec::Kind::kTcp: {
      const bool v6 = spec.host.find(':') != std::string::npos;
      return std::string(kTcpPrefix) + (v6 ? "[" + spec.host + "]" : spec.host) + ":" +
             std::to_string(spec.port);
    }
    case PortSpec::Kind::kDevice:
      return spec.path + ":" + std::to_string(spec.serial.baud) + ":" +
             std::to_string(spec.serial.dataBits) + spec.serial.parity +
             std::to_string(spec.serial.stopBits);
  }
  return {};
}

}  // namespace kavo5000::host
