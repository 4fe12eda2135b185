// Protocol.h — the bytes, codes and limits of the "Каво 5000" controllers'
// serial protocol and of the driver's status codes, named once for the whole
// driver.
#ifndef KAVO5000_DRIVER_PROTOCOL_H
#define KAVO5000_DRIVER_PROTOCOL_H

#include <cstddef>
#include <cstdint>

namespace kavo5000::driver {

using Byte = std::uint8_t;

// Framing.
inline constexpr Byte kFrameStart = 0x7F;      // first byte of every command frame
inline constexpr Byte kComplementMask = 0x7F;  // each framed byte is followed by its XOR with this
inline constexpr Byte kEndByte = 0x03;         // frames and data replies end with it twice
inline constexpr Byte kChecksumSeed = 0x03;    // the checksum starts from the end byte
inline constexpr Byte kChecksumBit = 0x40;     // always set in a checksum byte
inline constexpr Byte kReplyStart = 0x02;      // first byte of a data reply
inline constexpr Byte kAck = 0x06;             // control reply: accepted
inline constexpr Byte kNak = 0x15;             // control reply: counts as accepted too
inline constexpr Byte kRefused = 0x18;         // control reply: the controller refuses

// Addressing: linear nozzle numbers 1..15 use group 0x02; from 16 on every
// further fifteen use the next group byte, starting at 0x07.
inline constexpr Byte kFirstGroupStart = 0x02;  // group start byte of linear nozzles below 16
inline constexpr Byte kAddressBase = 0x20;      // address byte = this + position in the group
inline constexpr int kFirstGroupLimit = 16;     // linear numbers below this use kFirstGroupStart
inline constexpr int kGroupSize = 15;           // nozzles per further group
inline constexpr int kGroupStartOffset = 6;     // group byte = (v - 1) div 15 + this

// Buffers.
inline constexpr std::size_t kMaxFrameLength = 255;  // the exchange's frame buffer
inline constexpr std::size_t kFrameOverhead =
    3;  // start byte, two end bytes and checksum, less c0's pair
inline constexpr std::size_t kMaxCommandBytes = (kMaxFrameLength - kFrameOverhead) / 2;  // 126
inline constexpr std::size_t kReplyBufferSize = 256;  // what the driver lends the port for a reply
inline constexpr std::size_t kMinDataReply = 4;       // 02 03 03 checksum: a reply without data

// Line states and errors the reply check reports to the port.
inline constexpr Byte kLineValid = 1;                 // a complete, valid reply is in the buffer
inline constexpr Byte kLineMalformed = 3;             // end bytes or a complement wrong
inline constexpr std::int32_t kErrorNone = 0;         // reported with kLineValid
inline constexpr std::int32_t kErrorChecksum = 222;   // data reply with a wrong checksum
inline constexpr std::int32_t kErrorNoStart = 223;    // no start byte in the buffer
inline constexpr std::int32_t kErrorMalformed = 246;  // reported with kLineMalformed

// Command characters.
inline constexpr Byte kCmdState = '1';           // nozzle state
inline constexpr Byte kCmdStart = '2';           // start the pump
inline constexpr Byte kCmdStop = '3';            // stop the pump
inline constexpr Byte kCmdVolume = '4';          // volume of the delivery in progress
inline constexpr Byte kCmdDelivery = '5';        // delivery counters
inline constexpr Byte kCmdTotals = '6';          // total counters (with sub-code 1: set)
inline constexpr Byte kCmdType = '7';            // dispenser type
inline constexpr Byte kCmdClose = '8';           // close the nozzle's transaction
inline constexpr Byte kCmdReadParam = 'N';       // read a per-nozzle parameter
inline constexpr Byte kCmdWriteParam = 'O';      // write a per-nozzle parameter
inline constexpr Byte kCmdPrice = 'Q';           // set the unit price
inline constexpr Byte kCmdPresetMoney = 'S';     // preset by money
inline constexpr Byte kCmdPresetVolume = 'T';    // preset by volume
inline constexpr Byte kCmdPrepare = 'U';         // first step of the extended start
inline constexpr Byte kCmdConfirm = 'V';         // last step of the extended start
inline constexpr Byte kCmdCommonSwitch = 'W';    // common switch parameter, to all controllers
inline constexpr Byte kCmdProgramAddress = ']';  // program a line address by identification
inline constexpr Byte kSetTotalSubCode = 0x01;   // follows '6' when the total is written
inline constexpr Byte kDigitZero = '0';          // digits and indices travel as '0' + value

// Codes the operations store in ChannelStatus themselves.
inline constexpr Byte kStatusTotalsEmpty = 0x03;      // volume total 0 after the query
inline constexpr Byte kStatusStartRefused = 0x10;     // '2' or 'V' refused
inline constexpr Byte kStatusPrepareRefused = 0x11;   // 'U' refused
inline constexpr Byte kStatusVolumeRefused = 0x12;    // 'T' refused
inline constexpr Byte kStatusMoneyRefused = 0x13;     // 'S' refused
inline constexpr Byte kStatusStopRefused = 0x14;      // '3' refused
inline constexpr Byte kStatusPriceRefused = 0x15;     // 'Q' refused
inline constexpr Byte kStatusParamRefused = 0x17;     // 'N' or 'O' refused
inline constexpr Byte kStatusAddressRefused = 0x18;   // ']' refused
inline constexpr Byte kStatusDeliveryRefused = 0x19;  // '4' refused

// What the port is asked to open a channel with.
inline constexpr std::int32_t kOpenSetting = 42;
inline constexpr std::int32_t kOpenBaudRate = 4800;

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_PROTOCOL_H
