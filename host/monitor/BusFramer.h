// BusFramer.h — what a listener on the bus hears, cut into units: a host's
// command frame, a controller's reply, or bytes that begin neither. Both
// directions arrive as one stream, as an adapter on the RS-485 pair hears
// them; the protocol's own structure (start byte, complements, end bytes,
// checksum) says where a unit ends, and a silence on the line ends whatever
// has begun and not ended. Pure: bytes and the times they were heard in,
// units out.
#ifndef KAVO5000_MONITOR_BUSFRAMER_H
#define KAVO5000_MONITOR_BUSFRAMER_H

#include <span>
#include <vector>

#include "LineProtocol.h"

namespace kavo5000::monitor {

using wire::Byte;
using wire::Bytes;

enum class UnitKind {
  kFrame,  // begins with the frame's start byte: the host speaking
  kReply,  // begins with a control byte or a data reply's start: a controller
  kStray,  // begins neither: noise, or the tail of something not heard whole
};

enum class UnitFault {
  kNone,
  kBadChecksum,    // whole, but its checksum is wrong
  kBadComplement,  // a byte's complement is wrong, or it grew longer than any frame
  kBrokenOff,      // begun, then the line fell silent before it ended
};

// Who spoke, as a capture's pseudo-header numbers it.
enum class Direction : Byte {
  kUnknown = 0,
  kToControllers = 1,
  kToHost = 2,
};

// The direction a unit's first byte tells: the host's frames go to the
// controllers, replies come back, stray bytes are nobody's.
Direction DirectionOf(UnitKind kind);

struct BusUnit {
  UnitKind kind = UnitKind::kStray;
  UnitFault fault = UnitFault::kNone;
  Bytes bytes;
  double start = 0;  // seconds: when its first byte was heard
  // Seconds: when its last byte was through, by the later of when it was
  // heard and the line rate; an adapter or a server that hands bytes over in
  // bursts would otherwise end a frame before it could have.
  double end = 0;
};

// The silence that ends a unit at a line rate: ten characters' time, and
// never less than a listener's scheduling can blur (20 ms).
double SilenceAt(int baud);
// Seconds one byte takes on the line at a rate (ten bits; 0 for no rate).
double ByteTimeAt(int baud);

class BusFramer {
 public:
  BusFramer(double silence, double byteTime) : silence_(silence), byteTime_(byteTime) {}

  // Bytes heard at `time` (seconds, never going back); the units they end.
  std::vector<BusUnit> Feed(std::span<const Byte> bytes, double time);
  // Nothing heard until `time`: a unit begun before the silence ends there.
  std::vector<BusUnit> Idle(double time);
  // The stream has ended: whatever has begun is given up as it is.
  std::vector<BusUnit> Finish();

 private:
  // Cuts every unit the held bytes already end.
  void Cut(std::vector<BusUnit>& out);
  // Gives the first `count` held bytes up as one unit.
  void Emit(std::size_t count, UnitKind kind, UnitFault fault, std::vector<BusUnit>& out);
  // The first held byte after the first that may begin a unit, or the count.
  std::size_t NextBeginning() const;

  double silence_;
  double byteTime_;
  Bytes held_;
  std::vector<double> times_;  // when each held byte was heard
};

}  // namespace kavo5000::monitor

#endif  // KAVO5000_MONITOR_BUSFRAMER_H
