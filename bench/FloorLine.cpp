// FloorLine.cpp — the bare exchange: four system calls when the reply's last
// byte is in by the end of the sleep (write, ppoll, clock_nanosleep, read),
// and a ppoll and a read more for each late byte.
#include "FloorLine.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "BenchSupport.h"
#include "Frames.h"

namespace kavo5000::bench {

namespace {
using Nanos = std::chrono::nanoseconds;

constexpr auto kFirstByteTimeout = std::chrono::milliseconds(250);
constexpr auto kInterByteTimeout = std::chrono::milliseconds(20);

Nanos WireTime(std::size_t bytes) {
  return std::chrono::duration_cast<Nanos>(
      std::chrono::duration<double, std::milli>(WireMs(bytes)));
}

timespec ToTimespec(Nanos d) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(d);
  return {static_cast<time_t>(seconds.count()), static_cast<long>((d - seconds).count())};
}

[[noreturn]] void Fail(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

bool WaitForInput(int fd, Nanos timeout) {
  pollfd p{fd, POLLIN, 0};
  const timespec wait = ToTimespec(timeout);
  return ppoll(&p, 1, &wait, nullptr) == 1;
}
}  // namespace

wire::Bytes StateQuery(int nozzle) {
  const wire::AddressPair a = wire::AddressOf(nozzle);
  return wire::EncodeFrame(wire::Bytes{a.group, a.address, wire::kCmdState});
}

FloorLine::FloorLine(const std::string& device, int nozzles) {
  fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) Fail(device);
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) Fail(device);
  cfmakeraw(&tio);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, B4800);
  cfsetospeed(&tio, B4800);
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) Fail(device);
  tcflush(fd_, TCIOFLUSH);
  frames_.reserve(static_cast<std::size_t>(nozzles));
  for (int v = 1; v <= nozzles; ++v) frames_.push_back(StateQuery(v));
}

FloorLine::~FloorLine() {
  if (fd_ >= 0) close(fd_);
}

bool FloorLine::Exchange(int nozzle) {
  const wire::Bytes& frame = frames_[static_cast<std::size_t>(nozzle - 1)];
  if (write(fd_, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) return false;
  if (!WaitForInput(fd_, WireTime(frame.size()) + kFirstByteTimeout)) return false;
  std::this_thread::sleep_for(WireTime(kStateReplyBytes - 1));
  std::size_t got = 0;
  for (;;) {
    const ssize_t n = read(fd_, reply_.data() + got, reply_.size() - got);
    if (n > 0) got += static_cast<std::size_t>(n);
    if (got >= kStateReplyBytes) return true;
    if (!WaitForInput(fd_, WireTime(1) + kInterByteTimeout)) return false;
  }
}

}  // namespace kavo5000::bench
