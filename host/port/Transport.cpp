// Transport.cpp — what every transport shares unless it does better: pausing
// on the steady clock, and a reply of known length read around a pause.
#include "Transport.h"

#include <thread>

namespace kavo5000::host {

void Transport::Pause(Nanos d) {
  if (d > Nanos::zero()) std::this_thread::sleep_for(d);
}

ReadResult Transport::ReadKnownReply(std::span<Byte> into, Nanos timeout, std::size_t expected) {
  ReadResult first = Read(into, timeout);
  if (first.status != ReadStatus::kData || first.count >= expected) return first;
  // From the bytes in hand to the last: the line's own reckoning of both.
  Pause(WireTime(expected) - WireTime(first.count));
  // What the pause brought, without waiting further; a failure here shows
  // again on the caller's next read, after the bytes already in hand.
  const ReadResult rest = Read(into.subspan(first.count), Nanos::zero());
  if (rest.status == ReadStatus::kData) first.count += rest.count;
  return first;
}

}  // namespace kavo5000::host
