// Transport.h — what moves a channel's bytes: a serial device, a TCP
// connection, or a transport a program brings (the kit's simulator, in
// host/simtransport), behind one small interface that LineHostPort drives.
// Each transport keeps its own notion of time, so that the simulator's may be
// virtual.
#ifndef KAVO5000_HOST_TRANSPORT_H
#define KAVO5000_HOST_TRANSPORT_H

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "PortSpec.h"

namespace kavo5000::host {

using Byte = std::uint8_t;
using Nanos = std::chrono::nanoseconds;

// Codes Send, Open and GetLastError report; 0 is success.
inline constexpr std::int32_t kPortOk = 0;
inline constexpr std::int32_t kPortNotConfigured = 1;  // the channel has no transport
inline constexpr std::int32_t kPortNotOpen = 2;        // not opened, or closed after a failure
inline constexpr std::int32_t kPortOpenFailed = 3;     // the device or server cannot be opened
inline constexpr std::int32_t kPortWriteFailed = 4;    // writing the frame failed
inline constexpr std::int32_t kPortReadFailed = 5;     // reading the reply failed
inline constexpr std::int32_t kPortPeerClosed = 6;     // the server closed the connection
inline constexpr std::int32_t kPortInUse = 7;          // another program holds the device

enum class ReadStatus { kData, kTimeout, kFailed };

struct ReadResult {
  ReadStatus status = ReadStatus::kTimeout;
  std::size_t count = 0;         // bytes read, for kData
  std::int32_t error = kPortOk;  // for kFailed
};

class Transport {
 public:
  virtual ~Transport() = default;
  virtual std::int32_t Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Drops bytes that arrived since the last exchange: nobody awaits them.
  virtual void DiscardInput() = 0;
  // Writes all of `bytes`; 0 or a code.
  virtual std::int32_t Write(std::span<const Byte> bytes) = 0;
  // Waits up to `timeout` for bytes and returns what has arrived.
  virtual ReadResult Read(std::span<Byte> into, Nanos timeout) = 0;
  // The transport's time, which its timeouts are measured on.
  virtual Nanos Now() const = 0;
  // How long `bytes` bytes take to leave once written, at the line's rate:
  // the wait for an answer starts only after the frame is out. Zero where
  // the line has no rate of its own (a TCP connection).
  virtual Nanos WireTime(std::size_t /*bytes*/) const { return Nanos::zero(); }
  // How long a reply of up to `bytes` bytes may take to arrive once its
  // first byte is in, on a line that hands the bytes over in packets cut by
  // someone else's timers (a serial device server: its packet timer, its
  // buffer, its TCP stack): there a pause between packets is no gap on the
  // line, and the reply check alone says when a reply is whole. Nothing on
  // a line whose bytes arrive as they leave the wire (a serial device, a
  // pseudo-terminal), where a gap longer than the inter-byte timeout ends
  // the reply.
  virtual std::optional<Nanos> PacketWindow(std::size_t /*bytes*/) const { return std::nullopt; }
  // Acknowledges at once what has arrived, where the peer may hold the rest
  // of a reply until it is acknowledged (a TCP line); the port calls it
  // after a read that left the reply unfinished.
  virtual void AcknowledgeNow() {}
  // Lets `d` pass on the transport's time without looking at the line: the
  // port sleeps through a reply's known wire time instead of waking for
  // each of its bytes. Bytes arriving meanwhile wait for the next Read.
  virtual void Pause(Nanos d);
  // Reads a reply expected to be `expected` bytes long (its length the last
  // time): waits up to `timeout` for its first byte, sleeps through the wire
  // time of the rest and returns what has come by then, in as few trips
  // into the kernel as the transport can make it (a wait, a sleep, a read on
  // a descriptor). Fewer bytes than expected is no failure: the caller reads
  // on. This one reads, pauses and reads again.
  virtual ReadResult ReadKnownReply(std::span<Byte> into, Nanos timeout, std::size_t expected);
  virtual std::string Describe() const = 0;
  // Why the last operation failed, for people, and its code: what a caller
  // reports when the transport closed itself (a connection found closed
  // while stale input was dropped, say).
  const std::string& ErrorText() const { return errorText_; }
  std::int32_t ErrorCode() const { return errorCode_; }

 protected:
  std::int32_t Fail(std::int32_t code, std::string text) {
    errorText_ = std::move(text);
    errorCode_ = code;
    return code;
  }

 private:
  std::string errorText_;
  std::int32_t errorCode_ = kPortOk;
};

// Time `bytes` bytes take on a serial line: a start bit, the data bits, the
// parity bit if any and the stop bits, each 1/baud seconds.
Nanos SerialWireTime(std::size_t bytes, const SerialSettings& settings);

// The serial line behind a device server runs at the protocol's own rate
// (the driver opens every channel at 4800 baud, 8N1), and a server holds
// what it has read for its packet timer before it sends it: ser2net's
// character delay at most 20 ms, socat none, hardware servers 10–50 ms,
// and a server whose TCP stack waits for our acknowledgement 40 ms more.
inline constexpr SerialSettings kServerSerialSide{};
inline constexpr Nanos kServerPacketTimer = std::chrono::milliseconds(100);
// The packet window of a TCP line: a reply's wire time on the serial side
// plus the server's packet timer.
Nanos ServerPacketWindow(std::size_t bytes);

// A serial device (a kDevice spec) opened for this program alone: a second
// opener (another program, or one of ours in another process) fails with
// kPortInUse. Each transport describes itself by the port spec it was made from.
std::unique_ptr<Transport> MakeSerialTransport(const PortSpec& spec);
// A serial device server in raw TCP mode (a kTcp spec).
std::unique_ptr<Transport> MakeTcpTransport(const PortSpec& spec);
}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_TRANSPORT_H
