// FdTransport.h — the part that serial devices and TCP connections share:
// a non-blocking file descriptor written whole and read with poll.
#ifndef KAVO5000_HOST_FDTRANSPORT_H
#define KAVO5000_HOST_FDTRANSPORT_H

#include <optional>

#include "Transport.h"

namespace kavo5000::host {

class FdTransport : public Transport {
 public:
  ~FdTransport() override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  std::int32_t Write(std::span<const Byte> bytes) override;
  ReadResult Read(std::span<Byte> into, Nanos timeout) override;
  ReadResult ReadKnownReply(std::span<Byte> into, Nanos timeout, std::size_t expected) override;
  Nanos Now() const override;

 protected:
  // Takes ownership of an open, non-blocking descriptor.
  void Adopt(int fd) { fd_ = fd; }
  // From now on Write refuses without touching the line: a listener on a
  // bus another program drives must never put a byte on it.
  void ListenOnly() { listenOnly_ = true; }
  bool Listening() const { return listenOnly_; }
  int fd() const { return fd_; }
  // Reads and drops whatever is waiting.
  void DrainInput();
  // A read of 0 bytes means the peer has gone (sockets) or nothing (ttys).
  virtual bool EndOfFileIsClosed() const = 0;
  virtual std::int32_t WriteSome(const Byte* bytes, std::size_t count, std::size_t& written);

 private:
  // Waits up to `timeout` until input is there: poll's count (−1 on an
  // error, errno set), and the events it saw.
  int WaitForInput(Nanos timeout, short& events);
  // One read of what is waiting: the result, or nothing when nothing was.
  std::optional<ReadResult> TakeInput(std::span<Byte> into, short events);

  int fd_ = -1;
  bool listenOnly_ = false;
};

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_FDTRANSPORT_H
