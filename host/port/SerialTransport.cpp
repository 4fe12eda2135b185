// SerialTransport.cpp — a serial device through termios: raw mode, the
// channel's baud rate and framing, no controlling terminal. Pseudo-terminals
// are opened the same way, which is how a served simulator is reached.
//
// A line carries one conversation: two programs writing frames to one device
// would each read the other's replies. So the device is held exclusively
// (TIOCEXCL, which turns away later opens by ordinary users) and under an
// advisory write lock (which also turns away root, and names the holder).
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

#include "FdTransport.h"
#include "Listening.h"

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

flock WholeFileWriteLock() {
  flock lock{};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end, however far
  return lock;
}

// Who holds the lock that refused us, by asking the lock itself.
std::optional<pid_t> LockHolder(int fd) {
  flock lock = WholeFileWriteLock();
  if (fcntl(fd, F_GETLK, &lock) != 0 || lock.l_type == F_UNLCK) return std::nullopt;
  return lock.l_pid;
}

// Who holds a lock on the device, from the kernel's list of locks: when the
// device was opened exclusively we get no descriptor to ask F_GETLK with.
// Lines read "1: POSIX  ADVISORY  WRITE 1234 00:05:87 0 EOF", the device as
// the file system's major:minor in hex and the inode; waiters are marked "->".
std::optional<pid_t> LockHolderListed(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    if (line.find("->") != std::string::npos) continue;
    std::istringstream words(line);
    std::string word;
    std::string previous;
    while (words >> word) {
      unsigned devMajor = 0;
      unsigned devMinor = 0;
      unsigned long inode = 0;
      char tail = 0;
      if (std::sscanf(word.c_str(), "%x:%x:%lu%c", &devMajor, &devMinor, &inode, &tail) == 3) {
        if (devMajor == major(st.st_dev) && devMinor == minor(st.st_dev) && inode == st.st_ino) {
          return static_cast<pid_t>(std::strtol(previous.c_str(), nullptr, 10));
        }
        break;
      }
      previous = word;
    }
  }
  return std::nullopt;
}

std::string InUse(const std::string& path, std::optional<pid_t> holder) {
  if (holder && *holder > 0) return path + ": port in use by PID " + std::to_string(*holder);
  // Held exclusively with nobody's lock on it: a program that takes no lock,
  // or the mark of one that was killed while the device stays open elsewhere.
  return path + ": port in use by another program (held exclusively, no lock names the holder)";
}

class SerialTransport final : public FdTransport {
 public:
  SerialTransport(PortSpec spec, bool listenOnly) : spec_(std::move(spec)) {
    if (listenOnly) ListenOnly();
  }
  ~SerialTransport() override { SerialTransport::Close(); }
  SerialTransport(const SerialTransport&) = delete;
  SerialTransport& operator=(const SerialTransport&) = delete;

  std::int32_t Open() override {
    if (IsOpen()) return kPortOk;
    // A listener opens the device for reading alone, and leaves it to
    // whoever else may open it: it takes no lock and no exclusive mark.
    const int access = Listening() ? O_RDONLY : O_RDWR;
    const int fd = open(spec_.path.c_str(), access | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == EBUSY)
      return Fail(kPortInUse, InUse(spec_.path, LockHolderListed(spec_.path)));
    if (fd < 0) return Fail(kPortOpenFailed, spec_.path + ": " + std::strerror(errno));
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
      const std::string why = std::strerror(errno);
      close(fd);
      return Fail(kPortOpenFailed, spec_.path + ": not a serial line (" + why + ")");
    }
    // Where the file system keeps no locks the exclusive open still guards
    // the line; only a lock someone else holds refuses it.
    flock lock = WholeFileWriteLock();
    if (!Listening() && fcntl(fd, F_SETLK, &lock) != 0 && (errno == EACCES || errno == EAGAIN)) {
      const std::optional<pid_t> holder = LockHolder(fd);
      close(fd);
      return Fail(kPortInUse, InUse(spec_.path, holder));
    }
    if (!Listening()) ioctl(fd, TIOCEXCL);
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | SizeFlag(spec_.serial.dataBits);
    if (spec_.serial.parity != 'N') tio.c_cflag |= PARENB;
    if (spec_.serial.parity == 'O') tio.c_cflag |= PARODD;
    if (spec_.serial.stopBits == 2) tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = SpeedOf(spec_.serial.baud);
    if (speed == B0 || cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0 ||
        tcsetattr(fd, TCSANOW, &tio) != 0) {
      const std::string why = std::strerror(errno);
      close(fd);
      return Fail(kPortOpenFailed, spec_.path + ": cannot set " +
                                       std::to_string(spec_.serial.baud) + " baud (" + why + ")");
    }
    tcflush(fd, TCIOFLUSH);
    Adopt(fd);
    return kPortOk;
  }

  void Close() override {
    // The device may stay open elsewhere (a served simulator keeps its
    // pseudo-terminal's slave open), and the exclusive mark would outlive us.
    if (IsOpen() && !Listening()) ioctl(fd(), TIOCNXCL);
    FdTransport::Close();
  }

  Nanos WireTime(std::size_t bytes) const override { return SerialWireTime(bytes, spec_.serial); }

  void DiscardInput() override {
    if (!IsOpen()) return;
    tcflush(fd(), TCIFLUSH);
    DrainInput();
  }

  std::string Describe() const override { return FormatPortSpec(spec_); }

 protected:
  bool EndOfFileIsClosed() const override { return false; }

 private:
  PortSpec spec_;  // a device: its path and settings
};

}  // namespace

std::unique_ptr<Transport> MakeSerialTransport(const PortSpec& spec) {
  return std::make_unique<SerialTransport>(spec, false);
}

std::unique_ptr<Transport> MakeListeningSerialTransport(const PortSpec& spec) {
  return std::make_unique<SerialTransport>(spec, true);
}

}  // namespace kavo5000::host
