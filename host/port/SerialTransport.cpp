// SerialTransport.cpp — a serial device through termios: raw mode, the
// channel's baud rate and framing, no controlling terminal. Pseudo-terminals
// are opened the same way, which is how a served simulator is reached.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "FdTransport.h"

namespace kavo5000::host {

namespace {

speed_t SpeedOf(int baud) {
  switch (baud) {
    case 300:
      return B300;
    case 600:
      return B600;
    case 1200:
      return B1200;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    default:
      return B0;
  }
}

tcflag_t SizeFlag(int dataBits) {
  switch (dataBits) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

class SerialTransport final : public FdTransport {
 public:
  SerialTransport(std::string path, SerialSettings settings)
      : path_(std::move(path)), settings_(settings) {}

  std::int32_t Open() override {
    if (IsOpen()) return kPortOk;
    const int fd = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Fail(kPortOpenFailed, path_ + ": " + std::strerror(errno));
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
      const std::string why = std::strerror(errno);
      close(fd);
      return Fail(kPortOpenFailed, path_ + ": not a serial line (" + why + ")");
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | SizeFlag(settings_.dataBits);
    if (settings_.parity != 'N') tio.c_cflag |= PARENB;
    if (settings_.parity == 'O') tio.c_cflag |= PARODD;
    if (settings_.stopBits == 2) tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = SpeedOf(settings_.baud);
    if (speed == B0 || cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0 ||
        tcsetattr(fd, TCSANOW, &tio) != 0) {
      const std::string why = std::strerror(errno);
      close(fd);
      return Fail(kPortOpenFailed,
                  path_ + ": cannot set " + std::to_string(settings_.baud) + " baud (" + why + ")");
    }
    tcflush(fd, TCIOFLUSH);
    Adopt(fd);
    return kPortOk;
  }

  void DiscardInput() override {
    if (!IsOpen()) return;
    tcflush(fd(), TCIFLUSH);
    DrainInput();
  }

  std::string Describe() const override {
    PortSpec spec;
    spec.kind = PortSpec::Kind::kDevice;
    spec.path = path_;
    spec.serial = settings_;
    return FormatPortSpec(spec);
  }

 protected:
  bool EndOfFileIsClosed() const override { return false; }

 private:
  std::string path_;
  SerialSettings settings_;
};

}  // namespace

std::unique_ptr<Transport> MakeSerialTransport(std::string path, SerialSettings settings) {
  return std::make_unique<SerialTransport>(std::move(path), settings);
}

}  // namespace kavo5000::host
