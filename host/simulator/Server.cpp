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

// A pseudo-terminal pair in raw mode: the master, non-blocking, and its
// slave's path; the slave stays open in `slave`.
int OpenRawPty(int& slave, std::string& name) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) Fail("posix_openpt");
  char path[kPtyNameLength] = {};
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, path, sizeof path) != 0) {
    close(master);
    Fail("pseudo-terminal");
  }
  // Holding the slave open keeps the master readable while hosts come and
  // go, and lets the line start out raw: no echo, no line editing.
  slave = open(path, O_RDWR | O_NOCTTY);
  if (slave < 0) {
    close(master);
    Fail("open pseudo-terminal slave");
  }
  termios tio{};
  if (tcgetattr(slave, &tio) != 0) Fail("tcgetattr");
  cfmakeraw(&tio);
  if (tcsetattr(slave, TCSANOW, &tio) != 0) Fail("tcsetattr");
  SetNonBlocking(master);
  name = path;
  return master;
}

// A non-blocking socket listening on 127.0.0.1:port (0: a free one), kept
// in `fd`; returns the port.
int ListenOnLoopback(int port, int& fd) {
  fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) Fail("socket");
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) Fail("bind");
  if (listen(fd, kListenBacklog) != 0) Fail("listen");
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) Fail("getsockname");
  SetNonBlocking(fd);
  return ntohs(address.sin_port);
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
  for (const TapReader& t : taps_) close(t.fd);
  for (int fd : {listenFd_, ptySlaveFd_, tapListenFd_, tapSlaveFd_}) {
    if (fd >= 0) close(fd);
  }
}

std::string Server::OpenPty() {
  std::string name;
  Peer peer;
  peer.fd = OpenRawPty(ptySlaveFd_, name);
  peers_.push_back(std::move(peer));
  return name;
}

int Server::ListenTcp(int port) {
  return ListenOnLoopback(port, listenFd_);
}

std::string Server::OpenTapPty() {
  std::string name;
  taps_.push_back({OpenRawPty(tapSlaveFd_, name), false});
  return name;
}

int Server::ListenTapTcp(int port) {
  return ListenOnLoopback(port, tapListenFd_);
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
    const std::size_t listenAt = fds.size();
    fds.push_back({listenFd_, POLLIN, 0});  // poll passes over a negative descriptor
    fds.push_back({tapListenFd_, POLLIN, 0});
    const std::size_t tapsAt = fds.size();
    for (const TapReader& t : taps_) fds.push_back({t.fd, POLLIN, 0});
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
    for (std::size_t i = taps_.size(); ready > 0 && i-- > 0;) {
      if ((fds[tapsAt + i].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !DrainTap(taps_[i].fd)) {
        close(taps_[i].fd);
        taps_.erase(taps_.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
    if (ready > 0 && (fds[listenAt].revents & POLLIN) != 0) Accept();
    if (ready > 0 && (fds[listenAt + 1].revents & POLLIN) != 0) AcceptTaps();
  }
}

void Server::AcceptTaps() {
  for (;;) {
    const int fd = accept4(tapListenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    const int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    taps_.push_back({fd, true});
  }
}

bool Server::DrainTap(int fd) {
  Byte buffer[kReadChunk];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) continue;
    // A pseudo-terminal's master reads EIO while nobody holds its slave
    // open, and 0 never; a socket reads 0 once its reader has gone.
    return n < 0 && (errno == EAGAIN || errno == EINTR || errno == EIO);
  }
}

void Server::Tap(const Byte* bytes, std::size_t count) {
  for (std::size_t i = taps_.size(); i-- > 0;) {
    const TapReader& t = taps_[i];
    const ssize_t n = t.socket ? send(t.fd, bytes, count, MSG_NOSIGNAL | MSG_DONTWAIT)
                               : write(t.fd, bytes, count);
    // What a slow reader leaves unread is lost; the pseudo-terminal stays.
    if (n >= 0 || errno == EAGAIN || errno == EINTR || !t.socket) continue;
    close(t.fd);
    taps_.erase(taps_.begin() + static_cast<std::ptrdiff_t>(i));
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
    Tap(buffer, static_cast<std::size_t>(n));
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
      Tap(t.bytes.data() + t.sent, static_cast<std::size_t>(n));
      t.sent += static_cast<std::size_t>(n);
    }
    if (t.sent < t.bytes.size()) return true;
    if (onSent_) onSent_(writing);
    peer.outgoing.pop_front();
  }
  return true;
}

}  // namespace kavo5000::sim
