// DriverProbe.h — the tests' one way into a driver object's own parts: its
// configuration, its tables, the exchange and the reply check, and the
// operations the slots share. Nothing outside the tests uses it.
#ifndef KAVO5000_TESTS_DRIVERPROBE_H
#define KAVO5000_TESTS_DRIVERPROBE_H

#include <cstdint>
#include <span>

#include "VM30.h"

namespace kavo5000::driver {

class DriverProbe {
 public:
  explicit DriverProbe(VM30Driver& driver) : d_(driver) {}

  const DriverConfig& Config() const { return d_.config_; }
  DriverTables& Tables() { return d_.tables_; }

  ExchangeResult Exchange(Byte channel, std::span<const Byte> command, Byte replySize,
                          Byte replyMode) {
    return d_.Exchange(channel, command, replySize, replyMode);
  }
  // The reply check as the port calls it during an exchange; the length it
  // accepted goes to `accepted`.
  bool ReplyCheck(Byte channel, Byte* buffer, Byte* length, std::size_t* accepted = nullptr) {
    std::size_t kept = 0;
    const bool ok = d_.ReplyCheck(channel, buffer, length, kept);
    if (accepted != nullptr) *accepted = kept;
    return ok;
  }

  void GetType(Byte channel, Byte dispenser) { d_.GetType(channel, dispenser); }
  Byte GetNozzleState(Byte channel, std::int32_t dispenser, std::int32_t nozzle) {
    return d_.GetNozzleState(channel, dispenser, nozzle).code;
  }
  void ProgramNozzleAddress(Byte channel, std::int32_t dispenser, std::int32_t identification,
                            std::int32_t address) {
    d_.ProgramNozzleAddress(channel, dispenser, identification, address);
  }
  Calibration WriteCalibration(Byte channel, std::int32_t v, std::int32_t coefficient) {
    return d_.WriteCalibration(channel, v, coefficient);
  }

 private:
  VM30Driver& d_;
};

}  // namespace kavo5000::driver

#endif  // KAVO5000_TESTS_DRIVERPROBE_H
