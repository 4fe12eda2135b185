// FdTransport.cpp — writing whole and reading with timeouts on a descriptor.
#include "FdTransport.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace kavo5000::host {

namespace {
constexpr Nanos kWriteTimeout = std::chrono::seconds(2);  // a line that takes no bytes is dead
constexpr std::size_t kDrainChunk = 256;
constexpr const char* kPeerClosedText = "connection closed by the server";

timespec ToTimespec(Nanos d) {
  if (d < Nanos::zero()) d = Nanos::zero();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(d);
  return {static_cast<time_t>(seconds.count()), static_cast<long>((d - seconds).count())};
}
}  // namespace

FdTransport::~FdTransport() {
  FdTransport::Close();
}

void FdTransport::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

Nanos FdTransport::Now() const {
  return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now().time_since_epoch());
}

std::int32_t FdTransport::WriteSome(const Byte* bytes, std::size_t count, std::size_t& written) {
  const ssize_t n = write(fd_, bytes, count);
  if (n < 0) {
    written = 0;
    return (errno == EAGAIN || errno == EINTR) ? kPortOk : kPortWriteFailed;
  }
  written = static_cast<std::size_t>(n);
  return kPortOk;
}

std::int32_t FdTransport::Write(std::span<const Byte> bytes) {
  if (listenOnly_) return Fail(kPortWriteFailed, Describe() + ": opened to listen only");
  if (fd_ < 0) return Fail(kPortNotOpen, "not open");
  std::size_t done = 0;
  // A frame nearly always goes in one write; the clock is read only when not.
  std::optional<Nanos> deadline;
  while (done < bytes.size()) {
    std::size_t written = 0;
    if (WriteSome(bytes.data() + done, bytes.size() - done, written) != kPortOk) {
      return Fail(kPortWriteFailed, std::string("write: ") + std::strerror(errno));
    }
    done += written;
    if (done == bytes.size()) break;
    if (!deadline) deadline = Now() + kWriteTimeout;
    pollfd p{fd_, POLLOUT, 0};
    const timespec timeout = ToTimespec(*deadline - Now());
    if (ppoll(&p, 1, &timeout, nullptr) == 0) return Fail(kPortWriteFailed, "write: timed out");
  }
  return kPortOk;
}

// A signal restarts the wait whole: a little longer, never shorter, and the
// clock is not read on the way to every reply.
int FdTransport::WaitForInput(Nanos timeout, short& events) {
  const timespec wait = ToTimespec(timeout);
  for (;;) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ppoll(&p, 1, &wait, nullptr);
    if (ready < 0 && errno == EINTR) continue;
    events = p.revents;
    return ready;
  }
}

std::optional<ReadResult> FdTransport::TakeInput(std::span<Byte> into, short events) {
  const ssize_t n = read(fd_, into.data(), into.size());
  if (n > 0) return ReadResult{ReadStatus::kData, static_cast<std::size_t>(n), kPortOk};
  if (n == 0 && EndOfFileIsClosed()) {
    Close();
    return ReadResult{ReadStatus::kFailed, 0, Fail(kPortPeerClosed, kPeerClosedText)};
  }
  if (n == 0 && (events & POLLHUP) != 0) {
    return ReadResult{ReadStatus::kFailed, 0, Fail(kPortReadFailed, "the line hung up")};
  }
  if (n < 0 && errno != EAGAIN && errno != EINTR) {
    return ReadResult{ReadStatus::kFailed, 0,
                      Fail(kPortReadFailed, std::string("read: ") + std::strerror(errno))};
  }
  return std::nullopt;
}

ReadResult FdTransport::Read(std::span<Byte> into, Nanos timeout) {
  if (fd_ < 0) return {ReadStatus::kFailed, 0, Fail(kPortNotOpen, "not open")};
  const Nanos deadline = Now() + timeout;
  for (;;) {
    short events = 0;
    const int ready = WaitForInput(deadline - Now(), events);
    if (ready < 0) return {ReadStatus::kFailed, 0, Fail(kPortReadFailed, std::strerror(errno))};
    if (ready == 0) return {ReadStatus::kTimeout, 0, kPortOk};
    if (const std::optional<ReadResult> r = TakeInput(into, events)) return *r;
    if (Now() >= deadline) return {ReadStatus::kTimeout, 0, kPortOk};
  }
}

// The first byte is waited for but left where it is, so that after the sleep
// one read takes it with the rest: a wait, a sleep and a read.
ReadResult FdTransport::ReadKnownReply(std::span<Byte> into, Nanos timeout, std::size_t expected) {
  if (fd_ < 0) return {ReadStatus::kFailed, 0, Fail(kPortNotOpen, "not open")};
  short events = 0;
  const int ready = WaitForInput(timeout, events);
  if (ready < 0) return {ReadStatus::kFailed, 0, Fail(kPortReadFailed, std::strerror(errno))};
  if (ready == 0) return {ReadStatus::kTimeout, 0, kPortOk};
  if ((events & POLLIN) != 0 && expected > 1) Pause(WireTime(expected) - WireTime(1));
  if (const std::optional<ReadResult> r = TakeInput(into, events)) return *r;
  // Woken with nothing to take (seldom if ever): wait on as an ordinary read.
  return Read(into, timeout);
}

void FdTransport::DrainInput() {
  Byte sink[kDrainChunk];
  while (fd_ >= 0) {
    const ssize_t n = read(fd_, sink, sizeof sink);
    if (n > 0) continue;
    if (n == 0 && EndOfFileIsClosed()) {
      Close();
      Fail(kPortPeerClosed, kPeerClosedText);
    }
    return;
  }
}

}  // namespace kavo5000::host
