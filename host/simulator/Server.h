// Server.h — a simulated line served to a real port: on a pseudo-terminal
// pair (the host opens the slave side like any serial device) or on a TCP
// port on loopback (like a serial device server in raw mode). Answers go out
// paced at the line rate, ten bits per byte at the configured baud, after a
// turnaround; a frame that arrives before an answer has begun cancels it, as
// a controller drops an answer the host no longer waits for.
#ifndef KAVO5000_SIM_SERVER_H
#define KAVO5000_SIM_SERVER_H

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Clock.h"
#include "FrameStream.h"
#include "Line.h"

namespace kavo5000::sim {

struct ServeOptions {
  int baud = 4800;                                     // 0: no pacing
  Duration turnaround = std::chrono::milliseconds(5);  // from a frame's end to the answer
  Duration resyncGap = std::chrono::milliseconds(50);  // a frame broken off this long is dropped
};

class Server {
 public:
  // Serves `line` on the real time of `clock` (a steady clock).
  Server(Line& line, Clock& clock, ServeOptions options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Creates a pseudo-terminal pair in raw mode; returns the slave's path.
  // Throws std::system_error.
  std::string OpenPty();
  // Listens on 127.0.0.1 (port 0: a free one); returns the port. Throws
  // std::system_error.
  int ListenTcp(int port);
  // A tap: a copy of both directions, in the order they pass, as the bus
  // wire carries them to an adapter that only listens. On a second
  // pseudo-terminal (returns its slave's path) or on a TCP port of its own on
  // 127.0.0.1 (returns the port; every connection gets the copy). A tap
  // nobody reads fast enough loses bytes; the line never waits for it.
  // Throws std::system_error.
  std::string OpenTapPty();
  int ListenTapTcp(int port);
  // Serves until `stop` becomes true (looked at least every 100 ms).
  void Run(const std::atomic<bool>& stop);
  // Called on the serving thread once an answer's last byte has been
  // written, with the clock's time just before that write; for measuring
  // the host's latency.
  void OnAnswerSent(std::function<void(Instant)> callback) { onSent_ = std::move(callback); }

 private:
  struct Transmission {
    Bytes bytes;
    Instant start{};       // when the first byte begins on the wire
    std::size_t sent = 0;  // bytes written so far
  };
  struct Peer {
    int fd = -1;
    bool socket = false;
    FrameStream stream;
    Instant lastByte{};
    std::deque<Transmission> outgoing;
  };

  void Accept();
  void AcceptTaps();
  // Copies bytes that passed on the line to every tap.
  void Tap(const Byte* bytes, std::size_t count);
  // Drops what a tap's reader wrote (a tap carries nothing back); false
  // when the reader has gone.
  static bool DrainTap(int fd);
  // Returns false when the peer has gone.
  bool Receive(Peer& peer, Instant now);
  bool Transmit(Peer& peer, Instant now);
  Instant NextDue(const Peer& peer) const;

  Line& line_;
  Clock& clock_;
  ServeOptions options_;
  int listenFd_ = -1;
  int ptySlaveFd_ = -1;
  int tapListenFd_ = -1;
  int tapSlaveFd_ = -1;
  struct TapReader {
    int fd = -1;
    bool socket = false;  // an accepted connection, else the pseudo-terminal's master
  };
  std::vector<TapReader> taps_;
  std::vector<Peer> peers_;
  std::function<void(Instant)> onSent_;
};

}  // namespace kavo5000::sim

#endif  // KAVO5000_SIM_SERVER_H
