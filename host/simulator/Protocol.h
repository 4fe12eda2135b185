// Protocol.h — what a "Каво 5000" controller does with the line protocol, as
// the simulator plays it: the state characters it answers with, the common
// switches it keeps and the code that resets it, the calibration password
// and the type a fresh controller reports. The bytes, command characters and
// field widths on the line itself are the wire library's (LineProtocol.h);
// the driver's own reading of them is written apart, so that the two sides
// agree through the wire and not through shared code.
#ifndef KAVO5000_SIM_PROTOCOL_H
#define KAVO5000_SIM_PROTOCOL_H

#include "LineProtocol.h"

namespace kavo5000::sim {

using Byte = wire::Byte;
using Bytes = wire::Bytes;

// State reply bytes r1 and r2.
inline constexpr Byte kStateIdle = '0';        // r1: nozzle hung, nothing authorised
inline constexpr Byte kStateLifted = '1';      // r1: nozzle lifted, not authorised
inline constexpr Byte kStateAuthorised = '2';  // r1: authorised, waiting for the nozzle
inline constexpr Byte kStateDelivery = '4';    // r1: a delivery runs or has ended
inline constexpr Byte kSubRunning = '0';       // r2 with '4': fuel is flowing
inline constexpr Byte kSubFinished = '1';      // r2 with '4': the delivery has ended
inline constexpr Byte kSubNone = '0';          // r2 of every other state

// Common switches and calibration.
inline constexpr int kCommonSwitchCount = 9;   // 'W' codes 0..8
inline constexpr int kCommonResetCode = 4;     // 'W' code that resets every controller
inline constexpr int kParamPassword = 26;      // written: calibration password; read: confirmation
inline constexpr int kParamCoefficient = 27;   // calibration coefficient, behind the password
inline constexpr int kParamCalibrations = 28;  // count of calibrations performed
inline constexpr int kCalibrationPassword = 5821;  // opens the coefficient for one write
inline constexpr int kPasswordConfirmed = 1;       // confirmation code: the password was right

// Dispenser type of a controller nobody configured.
inline constexpr int kDefaultType = 1;

}  // namespace kavo5000::sim

#endif  // KAVO5000_SIM_PROTOCOL_H
