// StationRows.cpp — the station's rows and line status from the poller's reports.
#include "StationRows.h"

#include <cstdio>

#include "StationText.h"

namespace kavo5000::station {

namespace {

constexpr const char* kNoNozzle = "—";
// The driver's close of a delivery it took for ended was refused: fuel runs.
constexpr const char* kCloseRefused = "отпуск идёт, закрытие отклонено";

std::string NozzleList(const DispenserView& view) {
  if (view.nozzles.empty()) return "нет";
  std::string text;
  for (std::size_t n = 0; n < view.nozzles.size(); ++n) {
    if (n != 0) text += "; ";
    // The nozzle the driver went through the closing steps for.
    const bool refused = view.closeRefused && view.nozzles[n] == kStateFinished;
    text += std::to_string(n + 1) + ": " + (refused ? kCloseRefused : StateWords(view.nozzles[n]));
  }
  return text;
}
// Said of a delivery that was open before the station started.
constexpr const char* kAdopted = " (начат до запуска станции)";

// The nozzle in use: the state code's own, else the one the driver named
// when it went through a delivery's close itself.
int NozzleOf(const DispenserView& view) {
  if (const int nozzle = StateNozzle(view.summary); nozzle != 0) return nozzle;
  const bool closing = (view.summary & kStateClassMask) == kStateFinished;
  return closing ? view.summaryNozzle : 0;
}

}  // namespace

const std::vector<std::string>& ColumnTitles() {
  static const std::vector<std::string> titles = {"Канал",    "ТРК",   "Состояние", "Пистолет",
                                                  "Объём, л", "Сумма", "Пистолеты"};
  return titles;
}

RowCells CellsFor(const DispenserView& view, RowMemory& memory) {
  RowCells row;
  row.cells.resize(ColumnTitles().size());
  row.cells[kColChannel] = std::to_string(view.channel);
  row.cells[kColDispenser] = std::to_string(view.number);
  if (!view.answered) {
    row.failed = true;
    row.cells[kColState] =
        view.failure.empty() ? StatusWords(view.status) : "нет связи: " + view.failure;
  } else {
    row.cells[kColState] = view.closeRefused ? kCloseRefused : StateWords(view.summary);
    if (view.adoptedNozzle != 0) row.cells[kColState] += kAdopted;
    row.cells[kColNozzle] = kNoNozzle;
    if (const int nozzle = NozzleOf(view); nozzle != 0)
      row.cells[kColNozzle] = std::to_string(nozzle);
    row.cells[kColNozzles] = NozzleList(view);
    if (view.running) memory.amounts = view.running;
    if (view.delivered) memory.amounts = view.delivered;
  }
  if (memory.amounts) {
    row.cells[kColLitres] = AmountText(memory.amounts->litres);
    row.cells[kColMoney] = AmountText(memory.amounts->money);
  }
  return row;
}

void Observe(LineWatch& watch, const Round& round, const std::string& now) {
  if (round.lineUp) {
    if (watch.known && !watch.up) {
      watch.recovered = true;
      watch.since = now;
    }
    watch.reason.clear();
  } else {
    if (!watch.known || watch.up) watch.since = now;
    watch.recovered = false;
    watch.reason = round.reason;
  }
  watch.known = true;
  watch.up = round.lineUp;
}

std::string LineWords(const LineWatch& watch, Byte channel, const std::string& port) {
  const std::string name = "Канал " + std::to_string(channel) + " (" + port + "): ";
  if (!watch.known) return name + "опрос…";
  if (!watch.up) return name + "нет связи с " + watch.since;
  if (watch.recovered) return name + "связь восстановлена в " + watch.since;
  return name + "связь есть";
}

std::string ConfigWords(std::uint32_t config) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", config);
  return std::string("Конфигурация ") + hex + ": пистолетов на ТРК — " +
         std::to_string(kavo5000::NozzlesPerDispenser(config));
}

}  // namespace kavo5000::station
