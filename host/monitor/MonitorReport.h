// MonitorReport.h — what `kavo5000 monitor` says of the bus: a line per event
// as text or JSON (the time, the direction, the decoder's reading of the
// bytes, what a reply answers and after how long, what is wrong), and the
// totals it gives when it stops.
#ifndef KAVO5000_MONITOR_MONITORREPORT_H
#define KAVO5000_MONITOR_MONITORREPORT_H

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "ExchangePairing.h"
#include "Trace.h"

namespace kavo5000::monitor {

inline constexpr std::size_t kBusiestShown = 5;  // nozzle addresses the summary ranks

struct BusSummary {
  std::size_t frames = 0;
  std::size_t replies = 0;
  std::size_t exchanges = 0;  // replies paired with a command
  std::map<int, std::size_t> unansweredByAddress;
  std::array<std::size_t, kProblemKinds> problems{};  // by BusProblem
  std::map<int, std::size_t> framesByAddress;

  void Count(const BusEvent& event);
};

// The decoder's reading of the event's bytes, a reply's meaning for the
// command it answers included; one line each, without indentation.
std::vector<std::string> DecodedLines(const BusEvent& event);

// One line (no newline); `when` is the wall time of the unit's first byte.
std::string EventText(const BusEvent& event, host::WallTime when);
std::string EventJson(const BusEvent& event, host::WallTime when);

std::vector<std::string> SummaryText(const BusSummary& summary);
std::string SummaryJson(const BusSummary& summary);

}  // namespace kavo5000::monitor

#endif  // KAVO5000_MONITOR_MONITORREPORT_H
