// Protocol.h — the controller's side of the line protocol: the bytes, command
// characters and field widths a "Каво 5000" controller understands, named once
// for the simulator. Written apart from the driver on purpose: the two sides
// must agree through the wire, not through shared code.
#ifndef KAVO5000_SIM_PROTOCOL_H
#define KAVO5000_SIM_PROTOCOL_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavo5000::sim {

using Byte = std::uint8_t;
using Bytes = std::vector<Byte>;

// Framing of command frames and data replies.
inline constexpr Byte kFrameStart = 0x7F;      // first byte of every command frame
inline constexpr Byte kComplementMask = 0x7F;  // a framed byte is followed by its XOR with this
inline constexpr Byte kEndByte = 0x03;         // frames and data replies end with it twice
inline constexpr Byte kChecksumSeed = 0x03;    // the checksum starts from the end byte
inline constexpr Byte kChecksumBit = 0x40;     // always set in a checksum byte
inline constexpr Byte kDataStart = 0x02;       // first byte of a data reply
inline constexpr Byte kAck = 0x06;             // control reply: accepted
inline constexpr Byte kUnknownCommand = 0x15;  // control reply: command not understood
inline constexpr Byte kRefuse = 0x18;          // control reply: refused
inline constexpr std::size_t kMaxFrame = 255;  // longest frame or reply on the line

// Nozzle addresses: linear numbers 1..15 use group byte 0x02 with address
// bytes 0x21..0x2F; from 16 on each further fifteen use the next group byte
// (0x07, 0x08, …), the group's last nozzle taking address byte 0x20.
inline constexpr Byte kFirstGroup = 0x02;      // group byte of linear numbers below 16
inline constexpr Byte kAddressBase = 0x20;     // address byte = this + position in the group
inline constexpr int kFirstGroupLimit = 16;    // linear numbers below this use kFirstGroup
inline constexpr int kGroupSize = 15;          // nozzles per further group
inline constexpr int kGroupByteOffset = 6;     // group byte = (v − 1) div 15 + this
inline constexpr int kMaxLinearAddress = 999;  // three address digits in ']'

// Command characters (the byte after the address, or in the address's place
// for the two unaddressed commands).
inline constexpr Byte kCmdState = '1';           // nozzle state: r1 r2
inline constexpr Byte kCmdStart = '2';           // authorise / start the pump
inline constexpr Byte kCmdStop = '3';            // stop the pump
inline constexpr Byte kCmdVolume = '4';          // status and volume of the running delivery
inline constexpr Byte kCmdDelivery = '5';        // delivery counters, laid out by type
inline constexpr Byte kCmdTotals = '6';          // total counters; with kSetTotalSub: set
inline constexpr Byte kCmdType = '7';            // dispenser type
inline constexpr Byte kCmdClose = '8';           // close the transaction
inline constexpr Byte kCmdReadParam = 'N';       // read a parameter
inline constexpr Byte kCmdWriteParam = 'O';      // write a parameter
inline constexpr Byte kCmdPrice = 'Q';           // unit price, 4 digits
inline constexpr Byte kCmdPresetMoney = 'S';     // money preset, 6 digits
inline constexpr Byte kCmdPresetVolume = 'T';    // volume preset, 5 digits
inline constexpr Byte kCmdPrepare = 'U';         // first step of an extended start
inline constexpr Byte kCmdConfirm = 'V';         // last step of an extended start
inline constexpr Byte kCmdCommonSwitch = 'W';    // common switch, to every controller, unanswered
inline constexpr Byte kCmdProgramAddress = ']';  // line address by identification number
inline constexpr Byte kSetTotalSub = 0x01;       // after '6': the volume total follows
inline constexpr Byte kDigitZero = '0';          // digits and indices travel as '0' + value
inline constexpr Byte kTypeBase = '@';           // type reply: this + type

// State reply bytes r1 and r2.
inline constexpr Byte kStateIdle = '0';        // r1: nozzle hung, nothing authorised
inline constexpr Byte kStateLifted = '1';      // r1: nozzle lifted, not authorised
inline constexpr Byte kStateAuthorised = '2';  // r1: authorised, waiting for the nozzle
inline constexpr Byte kStateDelivery = '4';    // r1: a delivery runs or has ended
inline constexpr Byte kSubRunning = '0';       // r2 with '4': fuel is flowing
inline constexpr Byte kSubFinished = '1';      // r2 with '4': the delivery has ended
inline constexpr Byte kSubNone = '0';          // r2 of every other state

// Field widths.
inline constexpr int kPriceDigits = 4;          // 'Q': price × 100
inline constexpr int kPresetMoneyDigits = 6;    // 'S': money × 100
inline constexpr int kPresetVolumeDigits = 5;   // 'T': litres × 100
inline constexpr int kVolumeReplyDigits = 5;    // '4': litres × 100
inline constexpr int kTotalVolumeDigits = 12;   // '6': volume total × 100
inline constexpr int kTotalMoneyDigits = 11;    // '6': money total × 100
inline constexpr int kTotalTrailerDigits = 1;   // '6': one more digit after the money
inline constexpr int kDeliveryExtraDigits = 6;  // '5': b + this − a digits follow the money
inline constexpr int kShortIdDigits = 5;        // ']': identification, short form
inline constexpr int kLongIdDigits = 10;        // ']': identification, long form
inline constexpr int kAddressDigits = 3;        // ']': the new line address

// Parameters.
inline constexpr int kParamCount = 60;         // per-nozzle parameter indices 0..59
inline constexpr int kCommonSwitchCount = 9;   // 'W' codes 0..8
inline constexpr int kCommonResetCode = 4;     // 'W' code that resets every controller
inline constexpr int kParamPassword = 26;      // written: calibration password; read: confirmation
inline constexpr int kParamCoefficient = 27;   // calibration coefficient, behind the password
inline constexpr int kParamCalibrations = 28;  // count of calibrations performed
inline constexpr int kCalibrationPassword = 5821;  // opens the coefficient for one write
inline constexpr int kPasswordConfirmed = 1;       // confirmation code: the password was right

// Digits of each per-nozzle parameter.
inline constexpr std::array<int, kParamCount> kParamDigits = {
    1, 1, 1, 1, 3, 3, 1, 2, 1, 3,  //  0.. 9
    3, 3, 2, 2, 1, 2, 2, 2, 5, 3,  // 10..19
    3, 2, 1, 3, 6, 8, 4, 5, 5, 5,  // 20..29
    1, 1, 3, 2, 3, 1, 3, 3, 3, 2,  // 30..39
    2, 3, 2, 2, 8, 1, 2, 1, 2, 2,  // 40..49
    1, 1, 0, 0, 0, 0, 0, 0, 0, 0,  // 50..59
};

// Digit layout of the delivery counters ('5') for dispenser types 0..8:
// volume digits a, middle column b, money digits c.
struct CounterLayout {
  int volume;
  int middle;
  int money;
};
inline constexpr int kTypeCount = 9;
inline constexpr int kDefaultType = 1;
inline constexpr std::array<CounterLayout, kTypeCount> kCounterLayouts = {{
    {0, 0, 0},
    {6, 4, 6},
    {6, 6, 8},
    {6, 4, 6},
    {6, 4, 6},
    {6, 4, 6},
    {6, 6, 8},
    {6, 6, 8},
    {5, 4, 7},
}};

}  // namespace kavo5000::sim

#endif  // KAVO5000_SIM_PROTOCOL_H
