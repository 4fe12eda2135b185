// OpenDeliveries.h — deliveries the station finds open on its controllers
// but did not start itself: a station restarted while fuel ran, or one that
// took over a line another program drove. The driver's tables know nothing
// of them (no preset, no volume, not the nozzle), so its state mapping would
// take such a delivery for one that has ended and try to close it, and its
// volume and counters would be read from another nozzle. Until the
// delivery is closed the station reads that dispenser straight from its
// controllers, and stops and closes it on the nozzle found open.
#ifndef KAVO5000_STATION_OPENDELIVERIES_H
#define KAVO5000_STATION_OPENDELIVERIES_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "NozzleReadings.h"
#include "Poller.h"

namespace kavo5000::station {

// The host's state code for what a nozzle's controller reports, judged from
// the controller alone: a delivery is running while fuel flows and ended
// (0xD8 + n) once it stops, whatever the driver's tables hold.
std::uint16_t ControllerCode(wire::StateBytes state, int nozzle);

// The first nozzle (1-based) whose transaction is open; 0 when none is.
int OpenNozzle(const std::vector<wire::StateBytes>& states);

// The channel status a row shows for a reading that gave nothing because
// of the reply (a failed line is shown by its reason).
Byte ReadingStatus(host::ReadingFailure failure);

// The delivery counters of a nozzle, read from its controller.
std::optional<Amounts> ReadCounters(host::NozzleReader& reader, const PollPlan& plan, int dispenser,
                                    int nozzle);

// What a survey of a dispenser's nozzles found.
struct Survey {
  host::ReadingFailure failure = host::ReadingFailure::kNone;  // kNone: every nozzle answered
  int open = 0;  // the nozzle whose transaction is open, 0 none
};

// Reads the state of each nozzle the plan numbers on `dispenser`, up to
// the first that does not answer.
Survey SurveyDispenser(host::NozzleReader& reader, const PollPlan& plan, int dispenser);

// One round's view of a dispenser whose delivery on `nozzle` the station
// did not start: every nozzle's state from its controller and the
// delivery's counters (running, or the sale once fuel has stopped). `open`
// turns false once the transaction has been closed.
struct OpenDeliveryView {
  DispenserView view;
  bool open = true;
  host::ReadingFailure failure = host::ReadingFailure::kNone;  // of the reading that failed
};
OpenDeliveryView ReadOpenDelivery(host::NozzleReader& reader, const PollPlan& plan, int dispenser,
                                  int nozzle);

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_OPENDELIVERIES_H
