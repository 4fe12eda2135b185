// Tables.h — the bounds of the driver's per-channel, per-dispenser and
// per-nozzle tables, and the tables themselves.
#ifndef KAVO5000_DRIVER_TABLES_H
#define KAVO5000_DRIVER_TABLES_H

#include <array>

#include "Protocol.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::driver {

// The bounds themselves (channels, dispensers, nozzles) are the host's to
// know too and live in the public header.
inline constexpr int kFirstNozzle = 1;         // nozzle 0 counts as 1
inline constexpr int kStateRecordNozzles = 6;  // nozzle words in a StateRecord

template <typename T>
using PerDispenser = std::array<std::array<T, kLastDispenser + 1>, kLastChannel + 1>;
template <typename T>
using PerNozzle =
    std::array<std::array<std::array<T, kLastNozzle + 1>, kLastDispenser + 1>, kLastChannel + 1>;

// Everything the driver remembers about the dispensers, indexed by the host's
// own numbers: [channel][dispenser][nozzle]. Index 0 of channel and nozzle is
// never used; every access goes through numbers checked by Bounds.h.
struct DriverTables {
  PerDispenser<Byte> ActiveNozzles{};       // nozzle the last start addressed
  PerNozzle<double> Prices{};               // unit price as last set
  PerNozzle<Byte> NozzleStates{};           // last state code reported by GetSost
  PerDispenser<Byte> DispenserTypes{};      // type code 0..8
  PerDispenser<double> PresetVolumes{};     // litres of the last accepted preset
  PerDispenser<double> DispensedVolumes{};  // litres as last reported
  bool operator==(const DriverTables&) const = default;
};

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_TABLES_H
