// WinsockTcpTransport.cpp — a serial device server in raw TCP mode, reached
// through Winsock: the bytes of the line travel unchanged over one
// non-blocking connection, written whole and read with select.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <string>

#include "Transport.h"
#include "Win32Error.h"

namespace kavo5000::host {

namespace {

constexpr Nanos kConnectTimeout = std::chrono::seconds(3);
constexpr Nanos kWriteTimeout = std::chrono::seconds(2);  // a line that takes no bytes is dead
constexpr int kDrainChunk = 256;
constexpr WORD kWinsockVersion = MAKEWORD(2, 2);
// SIO_TCP_SET_ACK_FREQUENCY of mstcpip.h: acknowledge every n-th segment.
constexpr DWORD kSetAckFrequency = _WSAIOW(IOC_VENDOR, 23);

// Winsock is started once per process and left running: the port's sockets
// may be closed as late as static destruction.
bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(kWinsockVersion, &data) == 0;
  }();
  return started;
}

Nanos SteadyNow() {
  return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now().time_since_epoch());
}

timeval ToTimeval(Nanos d) {
  if (d < Nanos::zero()) d = Nanos::zero();
  const auto us = std::chrono::ceil<std::chrono::microseconds>(d).count();
  constexpr long long kPerSecond = 1000000;
  return {static_cast<long>(us / kPerSecond), static_cast<long>(us % kPerSecond)};
}

// Waits until `s` can be read (or written) or `wait` has passed: 1 ready, 0
// not, -1 failed.
int WaitFor(SOCKET s, bool writable, Nanos wait) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  fd_set failed;
  FD_ZERO(&failed);
  FD_SET(s, &failed);
  timeval t = ToTimeval(wait);
  const int n = select(0, writable ? nullptr : &set, writable ? &set : nullptr, &failed, &t);
  if (n == SOCKET_ERROR) return -1;
  if (n > 0 && FD_ISSET(s, &failed)) return -1;
  return n > 0 ? 1 : 0;
}

// Windows delays an acknowledgement by up to 200 ms, and a server that keeps
// Nagle's algorithm on (ser2net and socat by default) sends the rest of a
// reply only once its first packet is acknowledged: the socket is told to
// acknowledge every segment. Where Windows (or Wine) does not know the
// request, the reply's packet window still holds for a short delay.
void AcknowledgeEverySegment(SOCKET s) {
  DWORD everySegment = 1;
  DWORD returned = 0;
  WSAIoctl(s, kSetAckFrequency, &everySegment, sizeof everySegment, nullptr, 0, &returned, nullptr,
           nullptr);
}

class WinsockTcpTransport final : public Transport {
 public:
  explicit WinsockTcpTransport(PortSpec spec) : spec_(std::move(spec)) {}
  ~WinsockTcpTransport() override { WinsockTcpTransport::Close(); }
  WinsockTcpTransport(const WinsockTcpTransport&) = delete;
  WinsockTcpTransport& operator=(const WinsockTcpTransport&) = delete;

  std::int32_t Open() override {
    if (IsOpen()) return kPortOk;
    if (!WinsockStarted()) return Fail(kPortOpenFailed, Describe() + ": Winsock did not start");
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(spec_.port);
    if (getaddrinfo(spec_.host.c_str(), service.c_str(), &hints, &found) != 0) {
      return Fail(kPortOpenFailed, Describe() + ": " + Win32ErrorText(WSAGetLastError()));
    }
    std::string why = "no address";
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
      const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
      if (s == INVALID_SOCKET) continue;
      u_long nonBlocking = 1;
      ioctlsocket(s, FIONBIO, &nonBlocking);
      if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == SOCKET_ERROR &&
          WSAGetLastError() != WSAEWOULDBLOCK) {
        why = Win32ErrorText(WSAGetLastError());
        closesocket(s);
        continue;
      }
      // A refused connection shows as an exception on the socket, and its
      // reason in SO_ERROR.
      const int ready = WaitFor(s, true, kConnectTimeout);
      int error = 0;
      int length = sizeof error;
      getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
      if (ready != 1 || error != 0) {
        why = error != 0 ? Win32ErrorText(static_cast<unsigned long>(error)) : "timed out";
        closesocket(s);
        continue;
      }
      const BOOL yes = TRUE;
      setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
      AcknowledgeEverySegment(s);
      freeaddrinfo(found);
      socket_ = s;
      return kPortOk;
    }
    freeaddrinfo(found);
    return Fail(kPortOpenFailed, Describe() + ": " + why);
  }

  void Close() override {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

  bool IsOpen() const override { return socket_ != INVALID_SOCKET; }

  void DiscardInput() override {
    char sink[kDrainChunk];
    while (IsOpen()) {
      const int n = recv(socket_, sink, sizeof sink, 0);
      if (n > 0) continue;
      if (n == 0) {
        Close();
        Fail(kPortPeerClosed, "connection closed by the server");
      }
      return;
    }
  }

  std::int32_t Write(std::span<const Byte> bytes) override {
    if (!IsOpen()) return Fail(kPortNotOpen, "not open");
    std::size_t done = 0;
    const Nanos deadline = Now() + kWriteTimeout;
    while (done < bytes.size()) {
      const int n = send(socket_, reinterpret_cast<const char*>(bytes.data() + done),
                         static_cast<int>(bytes.size() - done), 0);
      if (n == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) {
        return Fail(kPortWriteFailed, "write: " + Win32ErrorText(WSAGetLastError()));
      }
      if (n > 0) done += static_cast<std::size_t>(n);
      if (done == bytes.size()) break;
      if (WaitFor(socket_, true, deadline - Now()) != 1)
        return Fail(kPortWriteFailed, "write: timed out");
    }
    return kPortOk;
  }

  ReadResult Read(std::span<Byte> into, Nanos timeout) override {
    if (!IsOpen()) return {ReadStatus::kFailed, 0, Fail(kPortNotOpen, "not open")};
    const Nanos deadline = Now() + timeout;
    for (;;) {
      const int ready = WaitFor(socket_, false, deadline - Now());
      if (ready < 0) {
        return {ReadStatus::kFailed, 0,
                Fail(kPortReadFailed, "read: " + Win32ErrorText(WSAGetLastError()))};
      }
      if (ready == 0) return {ReadStatus::kTimeout, 0, kPortOk};
      const int n =
          recv(socket_, reinterpret_cast<char*>(into.data()), static_cast<int>(into.size()), 0);
      if (n > 0) return {ReadStatus::kData, static_cast<std::size_t>(n), kPortOk};
      if (n == 0) {
        Close();
        return {ReadStatus::kFailed, 0, Fail(kPortPeerClosed, "connection closed by the server")};
      }
      if (WSAGetLastError() != WSAEWOULDBLOCK) {
        return {ReadStatus::kFailed, 0,
                Fail(kPortReadFailed, "read: " + Win32ErrorText(WSAGetLastError()))};
      }
      if (Now() >= deadline) return {ReadStatus::kTimeout, 0, kPortOk};
    }
  }

  Nanos Now() const override { return SteadyNow(); }

  std::string Describe() const override { return FormatPortSpec(spec_); }

  std::optional<Nanos> PacketWindow(std::size_t bytes) const override {
    return ServerPacketWindow(bytes);
  }

 private:
  PortSpec spec_;  // a server: its host and port
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace

std::unique_ptr<Transport> MakeTcpTransport(const PortSpec& spec) {
  return std::make_unique<WinsockTcpTransport>(spec);
}

}  // namespace kavo5000::host
