// SimTransport.h — the in-process simulator as a LineHostPort channel's
// transport: a line of simulated controllers answering on its clock, paced
// like a serial line. A library of its own, so that the production port
// carries no simulator; the tool, the station and the tests link it.
#ifndef KAVO5000_HOST_SIMTRANSPORT_H
#define KAVO5000_HOST_SIMTRANSPORT_H

#include <memory>

#include "Transport.h"

namespace kavo5000::sim {
class Clock;
class Line;
}  // namespace kavo5000::sim

namespace kavo5000::host {

// How the in-process simulator paces its answers.
struct SimPacing {
  int baud = 4800;  // 0: answers arrive in no time
  Nanos turnaround = std::chrono::milliseconds(5);
};

// A transport onto a simulated line of the caller's, on the caller's clock.
std::unique_ptr<Transport> MakeSimTransport(std::shared_ptr<sim::Line> line, sim::Clock& clock,
                                            SimPacing pacing);

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_SIMTRANSPORT_H
