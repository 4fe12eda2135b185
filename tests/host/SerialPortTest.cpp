// Serial devices: how long a frame takes on the line at each framing, and
// one program per device — a second opener in another process is turned
// away naming the holder, and the device is free again once the holder ends.
// A pseudo-terminal stands in for the device.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "LineHostPort.h"

namespace kavo5000::host {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr Byte kChannel = 1;

TEST(SerialLine, AFrameTakesItsBitsAtTheBaudRate) {
  struct Case {
    SerialSettings settings;
    Nanos expected;  // for a 9-byte frame
  };
  const Case cases[] = {
      {{4800, 8, 'N', 1}, microseconds(18750)},  // 10 bits a byte
      {{300, 8, 'N', 1}, milliseconds(300)},
      {{9600, 8, 'E', 2}, microseconds(11250)},  // 12 bits: parity and two stop bits
      {{1200, 7, 'O', 1}, milliseconds(75)},     // 10 bits: seven data bits and parity
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SerialWireTime(9, c.settings), c.expected) << c.settings.baud;
  }
}

// A pseudo-terminal pair; the slave's path is the device a port opens.
class Pty {
 public:
  Pty() : master_(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) std::abort();
    slave_ = ptsname(master_);
  }
  ~Pty() { close(master_); }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  const std::string& slave() const { return slave_; }

 private:
  int master_;
  std::string slave_;
};

// A child process that opens the device with a port of its own and holds it
// until stopped by its pid.
class Holder {
 public:
  explicit Holder(const std::string& device) {
    int ready[2];
    if (pipe(ready) != 0) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      LineHostPort port;
      port.Bind(kChannel, device);
      const char opened = port.Open(kChannel, 42, 4800) == kPortOk ? 'y' : 'n';
      if (write(ready[1], &opened, 1) != 1) _exit(1);
      for (;;) pause();
    }
    close(ready[1]);
    if (read(ready[0], &opened_, 1) != 1) opened_ = 0;
    close(ready[0]);
  }
  ~Holder() { Stop(); }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;

  bool opened() const { return opened_ == 'y'; }
  pid_t pid() const { return pid_; }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  char opened_ = 0;
};

TEST(SerialLine, ASecondProgramOnTheDeviceIsTurnedAwayNamingTheHolder) {
  Pty pty;
  Holder holder(pty.slave());
  ASSERT_TRUE(holder.opened());

  LineHostPort port;
  port.Bind(kChannel, pty.slave());
  EXPECT_EQ(port.Open(kChannel, 42, 4800), kPortInUse);
  EXPECT_EQ(port.GetLastError(kChannel), kPortInUse);
  EXPECT_NE(port.ErrorText(kChannel).find("port in use by PID " + std::to_string(holder.pid())),
            std::string::npos)
      << port.ErrorText(kChannel);

  holder.Stop();  // its lock ends with it
  EXPECT_EQ(port.Open(kChannel, 42, 4800), kPortOk) << port.ErrorText(kChannel);
}

// The exclusive mark turns away ordinary users; it must go when the port
// closes, for the device may stay open elsewhere (a served simulator keeps
// its slave open) and the mark would outlive the port.
TEST(SerialLine, TheExclusiveMarkLastsWhileThePortIsOpen) {
  Pty pty;
  const int probe = open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(probe, 0);
  auto exclusive = [probe] {
    int mark = -1;
    EXPECT_EQ(ioctl(probe, TIOCGEXCL, &mark), 0);
    return mark;
  };
  {
    LineHostPort port;
    port.Bind(kChannel, pty.slave());
    ASSERT_EQ(port.Open(kChannel, 42, 4800), kPortOk) << port.ErrorText(kChannel);
    EXPECT_EQ(exclusive(), 1);
  }
  EXPECT_EQ(exclusive(), 0);
  close(probe);
}

}  // namespace
}  // namespace kavo5000::host
