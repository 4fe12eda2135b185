// StationCommands.h — what the station's operator asks of a dispenser (a
// price, a preset by volume or money, start, stop, close) carried out through
// the driver's slots, with the outcome worded for the status line. Plain: the
// poller's thread calls Perform, the window only shows the outcome.
#ifndef KAVO5000_STATION_STATIONCOMMANDS_H
#define KAVO5000_STATION_STATIONCOMMANDS_H

#include <functional>
#include <optional>
#include <string>

#include "ExchangeOutcome.h"
#include "OperationOutcome.h"
#include "Trace.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::station {

enum class Action { kPrice, kPresetVolume, kPresetMoney, kStart, kStop, kClose };

struct Command {
  Action action = Action::kStart;
  Byte channel = 1;
  int dispenser = 1;
  int nozzle = 1;
  double value = 0;  // the price, litres or money; unused by start, stop and close
};

// A delivery's counters as the controller reports them.
struct Amounts {
  double litres = 0;
  double money = 0;
};

struct CommandOutcome {
  Command command;
  bool ok = false;
  std::string text;                 // for the status line, in words
  std::optional<Amounts> counters;  // the delivery's counters, once closed
};

// Why the channel's line failed in the port's words ("" when it did not).
using LineReason = std::function<std::string(Byte channel)>;
// What `reason` says for the channel, "" when there is no reason to ask.
std::string PortWords(const LineReason& reason, Byte channel);

// The channel's last exchange, as the port logged it; none before the first.
// The driver keeps no code for a refused close: the exchange shows it.
using LastExchange = std::function<std::optional<host::ExchangeRecord>(Byte channel)>;

// Reads a closed delivery's counters; nothing when no valid reply gave them.
using CountersRead = std::function<std::optional<Amounts>()>;

// Carries out `command` on the calling thread. The kit's judge decides the
// outcome from the driver's status and the last exchange (a refused close
// shows only there); the driver's exceptions fail it too; nothing escapes. After a close the
// counters are read by `counters`, or through the driver when it is empty.
CommandOutcome Perform(kavo5000::TVM30& driver, const Command& command, const LineReason& reason,
                       const LastExchange& lastExchange = {}, const CountersRead& counters = {});

// Whether an exchange was a close the controller refused: the kit's one judge.
using host::IsRefusedClose;

// "цена", "доза по объёму" … for an action.
std::string ActionWords(Action action);

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_STATIONCOMMANDS_H
