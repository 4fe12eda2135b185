// Transport.cpp — what every transport shares unless it keeps a time of its
// own: pausing on the steady clock.
#include "Transport.h"

#include <thread>

namespace kavo5000::host {

void Transport::Pause(Nanos d) {
  if (d > Nanos::zero()) std::this_thread::sleep_for(d);
}

}  // namespace kavo5000::host
