// Serial devices: how long a frame takes on the line at each framing, and
// one program per device — a second opener in another process is turned
// away naming the holder, and the device is free again once the holder ends.
// A pseudo-terminal stands in for the device. And lines that go away and
// come back: a TCP server that stops and returns, an adapter unplugged and
// plugged back, both found again by the port on its own.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "HostTestCheck.h"
#include "LineHostPort.h"
#include "Simulation.h"

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

// A simulated line served on a pseudo-terminal or on TCP loopback from a
// thread of its own; gone, pseudo-terminal or listening socket and all, when
// destroyed.
class ServedLine {
 public:
  enum class On { kPty, kTcp };
  ServedLine(On on, int tcpPort) : simulation_(Unpaced()) {
    if (on == On::kPty) {
      where_ = simulation_.OpenPty();
    } else {
      where_ = "tcp://127.0.0.1:" + std::to_string(simulation_.ListenTcp(tcpPort));
    }
    serving_ = std::thread([this] { simulation_.Serve(stop_); });
  }
  ~ServedLine() {
    stop_.store(true);
    serving_.join();
  }
  ServedLine(const ServedLine&) = delete;
  ServedLine& operator=(const ServedLine&) = delete;
  // The slave's path, or the server's port string.
  const std::string& where() const { return where_; }

 private:
  static SimulationSettings Unpaced() {
    SimulationSettings settings;
    settings.baud = 0;
    settings.turnaroundMs = 0;
    return settings;
  }
  Simulation simulation_;
  std::string where_;
  std::atomic<bool> stop_{false};
  std::thread serving_;
};

const std::array<Byte, 9> kTypeFrame = {0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x55};

// What a station sees of a line that goes away and comes back: the exchange
// that finds it gone fails, the next one's reopen fails for the reason the
// transport gives, and the first one after the line's return goes out on the
// reopened channel. No reopen interval: the steady clock is not waited on.
void ExpectTheLineComesBack(const std::string& port, const std::function<void()>& goAway,
                            const std::function<void()>& comeBack, const std::string& reason) {
  LineHostPort host;
  testing::HostTestCheck check;
  check.port = &host;
  host.Bind(kChannel, port);
  host.SetReplyCheck(kChannel, check.Ref());
  host.SetReopenInterval(Nanos::zero());
  std::array<Byte, 256> reply{};
  const auto exchange = [&] {
    return host.Send(kChannel, kTypeFrame.data(), kTypeFrame.size(), reply.data(), 6, 0);
  };
  ASSERT_EQ(host.Open(kChannel, 42, 4800), kPortOk) << host.ErrorText(kChannel);
  ASSERT_EQ(exchange(), kPortOk);
  EXPECT_EQ(host.GetLineState(kChannel), 1);

  goAway();
  EXPECT_NE(exchange(), kPortOk);
  EXPECT_NE(host.ErrorText(kChannel), "") << "the failure in words";
  EXPECT_EQ(exchange(), kPortOpenFailed);
  EXPECT_NE(host.ErrorText(kChannel).find(reason), std::string::npos) << host.ErrorText(kChannel);
  EXPECT_EQ(host.Recoveries(kChannel), 0u);

  comeBack();
  ASSERT_EQ(exchange(), kPortOk) << host.ErrorText(kChannel);
  EXPECT_EQ(host.GetLineState(kChannel), 1);
  EXPECT_EQ(host.ErrorText(kChannel), "");
  EXPECT_EQ(host.Recoveries(kChannel), 1u);
}

TEST(LineComesBack, ATcpServerThatStopsAndReturnsOnItsPort) {
  auto server = std::make_unique<ServedLine>(ServedLine::On::kTcp, 0);
  const std::string port = server->where();
  const int number = std::stoi(port.substr(port.rfind(':') + 1));
  ExpectTheLineComesBack(
      port, [&] { server.reset(); },
      [&] { server = std::make_unique<ServedLine>(ServedLine::On::kTcp, number); },
      "Connection refused");
}

// The adapter's stable name (a udev link such as /dev/serial/by-id/…) goes
// when it is unplugged and comes back pointing at a new terminal.
TEST(LineComesBack, AnAdapterUnpluggedAndPluggedBackUnderItsName) {
  const std::string link = ::testing::TempDir() + "kavo5000-adapter-" + std::to_string(getpid());
  unlink(link.c_str());
  auto adapter = std::make_unique<ServedLine>(ServedLine::On::kPty, 0);
  ASSERT_EQ(symlink(adapter->where().c_str(), link.c_str()), 0);
  ExpectTheLineComesBack(
      link,
      [&] {
        adapter.reset();
        unlink(link.c_str());
      },
      [&] {
        adapter = std::make_unique<ServedLine>(ServedLine::On::kPty, 0);
        ASSERT_EQ(symlink(adapter->where().c_str(), link.c_str()), 0);
      },
      "No such file or directory");
  unlink(link.c_str());
}

}  // namespace
}  // namespace kavo5000::host
