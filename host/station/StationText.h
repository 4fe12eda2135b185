// StationText.h — how the station words what the driver and the line report,
// in Russian like the menus the module joins and its parameter window: state
// codes, channel status codes, amounts and the table's cells. Pure functions.
#ifndef KAVO5000_STATION_STATIONTEXT_H
#define KAVO5000_STATION_STATIONTEXT_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "HostText.h"

namespace kavo5000::station {

// "ожидание", "отпуск топлива" … for a host state code, without the nozzle.
std::string StateWords(std::uint16_t code);
// The nozzle a state code names (0: none), and an amount with two decimals:
// the kit's own.
using host::AmountText;
using host::StateNozzle;
// What a channel status byte means: a refusal, a silent line, a reply.
std::string StatusWords(std::uint8_t status);
// The port's reason for a failed line ("tcp://…: Connection refused"), its
// words put into Russian where the station knows them; a device's name and
// what it does not know stay as they are.
std::string PortReasonWords(const std::string& text);

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_STATIONTEXT_H
