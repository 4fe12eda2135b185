// StationRows.h — what the station's table and status line show, computed
// from the poller's reports: a dispenser's row (its state, the nozzle in
// use, the running or last delivery's amounts) and a channel's line (up,
// down since when and why, back since when). Pure; the window only applies it.
#ifndef KAVO5000_STATION_STATIONROWS_H
#define KAVO5000_STATION_STATIONROWS_H

#include <optional>
#include <string>
#include <vector>

#include "Poller.h"

namespace kavo5000::station {

// The table's columns, in order.
enum Column {
  kColChannel,
  kColDispenser,
  kColState,
  kColNozzle,
  kColLitres,
  kColMoney,
  kColNozzles
};
const std::vector<std::string>& ColumnTitles();

// What a row remembers between polls: the amounts last shown, so that a
// delivery's counters stay in view after it has ended.
struct RowMemory {
  std::optional<Amounts> amounts;
};

struct RowCells {
  std::vector<std::string> cells;  // one per column
  bool failed = false;             // no valid reply: shown in red
};

// The row for `view`; updates what the row remembers.
RowCells CellsFor(const DispenserView& view, RowMemory& memory);

// A channel's line as the last rounds found it.
struct LineWatch {
  bool known = false;  // a round has been seen
  bool up = false;
  bool recovered = false;  // up again after being down
  std::string since;       // when the line went down, or came back
  std::string reason;      // why it is down
};

// Takes in a round that ended at `now` (a time of day, "12:00:03").
void Observe(LineWatch& watch, const Round& round, const std::string& now);
// "Канал 1 (sim): связь есть", "… нет связи с 12:00:01", "… связь восстановлена в …";
// why the line is down the rows show, and the watch's reason.
std::string LineWords(const LineWatch& watch, Byte channel, const std::string& port);

// "Конфигурация 0x14: пистолетов на ТРК — 4".
std::string ConfigWords(std::uint32_t config);

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_STATIONROWS_H
