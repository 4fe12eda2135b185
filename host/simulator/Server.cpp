// Server.cpp — serving a simulated line on a pseudo-terminal or TCP loopback.
#include "Server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): posix_openpt lives here
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace kavo5000::sim {

namespace {
constexpr Duration kLongestWait = std::chrono::milliseconds(100);  // how often `stop` is seen
constexpr std::size_t kReadChunk = 512;
constexpr int kListenBacklog = 4;
constexpr std::size_t kPtyNameLength = 128;

[[noreturn]] void Fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) Fail("fcntl");
}

timespec ToTimespec(Duration d) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(d);
  return {static_cast<time_t>(seconds.count()), static_cast<long>((d - seconds).count())};
}
}  // namespace

Server::Server(Line& line, Clock& clock, ServeOptions options)
    : line_(line), clock_(clock), options_(options) {}

Server::~Server() {
  for (Peer& p : peers_) close(p.fd);
  if (listenFd_ >= 0) close(listenFd_);
  if (ptySlaveFd_ >= 0) close(ptySlaveFd_);
}

std::string Server::OpenPty() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) Fail("posix_openpt");
  char name[kPtyNameLength] = {};
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    close(master);
    Fail("pseudo-terminal");
  }
  // Holding the slave open keeps the master readable while hosts come and
  // go, and lets the line start out raw: no echo, no line editing.
  ptySlaveFd_ = open(name, O_RDWR | O_NOCTTY);
  if (ptySlaveFd_ < 0) {
    close(master);
    Fail("open pseudo-terminal slave");
  }
  termios tio{};
  if (tcgetattr(ptySlaveFd_, &tio) != 0) Fail("tcgetattr");
  cfmakeraw(&tio);
  if (tcsetattr(ptySlaveFd_, TCSANOW, &tio) != 0) Fail("tcsetattr");
  SetNonBlocking(master);
  Peer peer;
  peer.fd = master;
  peers_.push_back(std::move(peer));
  return name;
}

int Server::ListenTcp(int port) {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) Fail("socket");
  const int yes = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) Fail("bind");
  if (listen(listenFd_, kListenBacklog) != 0) Fail("listen");
  socklen_t length = sizeof address;
  if (getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    Fail("getsockname");
  }
  SetNonBlocking(listenFd_);
  return ntohs(address.sin_port);
}

void Server::Run(const std::atomic<bool>& stop) {
  std::vector<pollfd> fds;
  while (!stop.load()) {
    fds.clear();
    const Instant now = clock_.Now();
    Duration wait = kLongestWait;
    for (const Peer& p : peers_) {
      fds.push_back({p.fd, POLLIN, 0});
      if (!p.outgoing.empty()) wait = std::min(wait, std::max(Duration::zero(), NextDue(p) - now));
      if (p.stream.Pending()) {
        wait = std::min(wait, std::max(Duration::zero(), p.lastByte + options_.resyncGap - now));
      }
    }
    if (listenFd_ >= 0) fds.push_back({listenFd_, POLLIN, 0});
    const timespec timeout = ToTimespec(wait);
    const int ready = ppoll(fds.data(), fds.size(), &timeout, nullptr);
    if (ready < 0 && errno != EINTR) Fail("ppoll");
    const Instant after = clock_.Now();
    std::vector<bool> alive(peers_.size(), true);
    for (std::size_t i = 0; i < peers_.size(); ++i) {
      if (ready > 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        alive[i] = Receive(peers_[i], after);
      }
      if (alive[i]) alive[i] = Transmit(peers_[i], clock_.Now());
    }
    for (std::size_t i = peers_.size(); i-- > 0;) {
      if (!alive[i]) {
        close(peers_[i].fd);
        peers_.erase(peers_.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
    if (ready > 0 && listenFd_ >= 0 && (fds.back().revents & POLLIN) != 0) Accept();
  }
}

void Server::Accept() {
  for (;;) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    const int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    Peer peer;
    peer.fd = fd;
    peer.socket = true;
    peers_.push_back(std::move(peer));
  }
}

bool Server::Receive(Peer& peer, Instant now) {
  Byte buffer[kReadChunk];
  for (;;) {
    const ssize_t n = read(peer.fd, buffer, sizeof buffer);
    if (n == 0) return !peer.socket;  // a socket closed by the host
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) return true;
      // A pseudo-terminal reports EIO while no host holds it open.
      return !peer.socket && errno == EIO;
    }
    if (peer.stream.Pending() && now - peer.lastByte > options_.resyncGap) peer.stream.Reset();
    peer.lastByte = now;
    for (const Bytes& frame :
         peer.stream.Feed(std::span<const Byte>(buffer, static_cast<std::size_t>(n)))) {
      // A new frame: the host has given up any answer not yet begun.
      while (!peer.outgoing.empty() && peer.outgoing.back().sent == 0) peer.outgoing.pop_back();
      LineReply reply = line_.Receive(frame, now);
      if (reply.bytes.empty()) continue;
      // Bytes from the host arrive in one go on a pseudo-terminal or a
      // socket; a controller on a real line hears the frame only once its
      // last byte is through, so the answer starts that much later.
      Transmission t;
      t.start = now + WireTime(frame.size(), options_.baud) + options_.turnaround + reply.delay;
      if (!peer.outgoing.empty()) {
        const Transmission& last = peer.outgoing.back();
        t.start = std::max(t.start, last.start + WireTime(last.bytes.size(), options_.baud));
      }
      t.bytes = std::move(reply.bytes);
      peer.outgoing.push_back(std::move(t));
    }
  }
}

Instant Server::NextDue(const Peer& peer) const {
  const Transmission& t = peer.outgoing.front();
  return t.start + WireTime(t.sent + 1, options_.baud);
}

bool Server::Transmit(Peer& peer, Instant now) {
  while (!peer.outgoing.empty()) {
    Transmission& t = peer.outgoing.front();
    // Bytes whose last bit has left the wire by now.
    std::size_t due = t.bytes.size();
    if (options_.baud > 0) {
      while (due > t.sent && t.start + WireTime(due, options_.baud) > now) --due;
    } else if (t.start > now) {
      due = t.sent;
    }
    const Instant writing = clock_.Now();  // the moment the bytes go to the host
    if (due > t.sent) {
      const std::size_t count = due - t.sent;
      const ssize_t n = peer.socket ? send(peer.fd, t.bytes.data() + t.sent, count, MSG_NOSIGNAL)
                                    : write(peer.fd, t.bytes.data() + t.sent, count);
      if (n < 0) return errno == EAGAIN || errno == EINTR || !peer.socket;
      t.sent += static_cast<std::size_t>(n);
    }
    if (t.sent < t.bytes.size()) return true;
    if (onSent_) onSent_(writing);
    peer.outgoing.pop_front();
  }
  return true;
}

}  // namespace kavo5000::sim
