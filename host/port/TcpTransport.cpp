// TcpTransport.cpp — a serial device server in raw TCP mode: the bytes of the
// line travel unchanged over one connection, in packets the server cuts by
// its own timers.
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "FdTransport.h"
#include "Listening.h"

namespace kavo5000::host {

namespace {

constexpr int kConnectTimeoutMs = 3000;

class TcpTransport final : public FdTransport {
 public:
  TcpTransport(PortSpec spec, bool listenOnly) : spec_(std::move(spec)) {
    if (listenOnly) ListenOnly();
  }

  std::int32_t Open() override {
    if (IsOpen()) return kPortOk;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(spec_.port);
    if (const int rc = getaddrinfo(spec_.host.c_str(), service.c_str(), &hints, &found); rc != 0) {
      return Fail(kPortOpenFailed, Describe() + ": " + gai_strerror(rc));
    }
    std::string why = "no address";
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
      const int fd =
          socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
      if (fd < 0) continue;
      if (connect(fd, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
        why = std::strerror(errno);
        close(fd);
        continue;
      }
      pollfd p{fd, POLLOUT, 0};
      int error = 0;
      socklen_t length = sizeof error;
      if (poll(&p, 1, kConnectTimeoutMs) != 1 ||
          getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        why = error != 0 ? std::strerror(error) : "timed out";
        close(fd);
        continue;
      }
      const int yes = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
      freeaddrinfo(found);
      Adopt(fd);
      return kPortOk;
    }
    freeaddrinfo(found);
    return Fail(kPortOpenFailed, Describe() + ": " + why);
  }

  void DiscardInput() override { DrainInput(); }

  std::string Describe() const override { return FormatPortSpec(spec_); }

  std::optional<Nanos> PacketWindow(std::size_t bytes) const override {
    return ServerPacketWindow(bytes);
  }

  // Linux delays the acknowledgement of what it received by up to 40 ms,
  // and a server that keeps Nagle's algorithm on (ser2net and socat by
  // default) sends the rest of a reply only once its first packet is
  // acknowledged: asking for quick acknowledgements sends the one pending.
  void AcknowledgeNow() override {
#ifdef TCP_QUICKACK
    const int yes = 1;
    setsockopt(fd(), IPPROTO_TCP, TCP_QUICKACK, &yes, sizeof yes);
#endif
  }

 protected:
  bool EndOfFileIsClosed() const override {
    return true;
  }

  std::int32_t WriteSome(const Byte* bytes, std::size_t count, std::size_t& written) override {
    const ssize_t n = send(fd(), bytes, count, MSG_NOSIGNAL);
    if (n < 0) {
      written = 0;
      return (errno == EAGAIN || errno == EINTR) ? kPortOk : kPortWriteFailed;
    }
    written = static_cast<std::size_t>(n);
    return kPortOk;
  }

 private:
  PortSpec spec_;  // a server: its host and port
};

}  // namespace

std::unique_ptr<Transport> MakeTcpTransport(const PortSpec& spec) {
  return std::make_unique<TcpTransport>(spec, false);
}

std::unique_ptr<Transport> MakeListeningTcpTransport(const PortSpec& spec) {
  return std::make_unique<TcpTransport>(spec, true);
}

}  // namespace kavo5000::host
