// Protocol.h — the bytes, command characters, field widths, reply sizes and
// limits of the "Каво 5000" controllers' serial protocol, named once for the
// whole driver; the operations only compose them. The numbers the host also
// sees (line states, errors, status and state codes) are in the public
// header.
#ifndef KAVO5000_DRIVER_PROTOCOL_H
#define KAVO5000_DRIVER_PROTOCOL_H

#include <cstddef>
#include <cstdint>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::driver {

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
inline constexpr std::size_t kMinDataReply = 4;  // 02 03 03 checksum: a reply without data

// What the port is told to await, handed on unchanged: the reply size (the
// bytes the longest answer takes) and the reply mode.
inline constexpr Byte kControlReplySize = 2;  // a command answered with one control byte
inline constexpr Byte kNoReplySize = 0;       // 'W' goes to every controller; none answers
inline constexpr Byte kPlainReplyMode = 0;    // control replies, and the '4' query
inline constexpr Byte kDataReplyMode = 2;     // data replies of the state queries and 'N'

// Amounts (prices, volumes, money, totals) travel as whole hundredths.
inline constexpr double kHundredths = 100.0;

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

// Digit fields of the amounts, in hundredths.
inline constexpr int kPriceDigits = 4;   // 'Q'
inline constexpr int kVolumeDigits = 5;  // 'T'
inline constexpr int kMoneyDigits = 6;   // 'S'

// Reply sizes of the queries: the bytes the longest answer takes.
inline constexpr Byte kStateReplySize = 8;     // '1'
inline constexpr Byte kTypeReplySize = 6;      // '7'
inline constexpr Byte kVolumeReplySize = 17;   // '4'
inline constexpr Byte kTotalsReplySize = 52;   // '6'
inline constexpr Byte kSetTotalReplySize = 1;  // '6' with the set sub-code
inline constexpr int kCountersReplyBase = 16;  // '5': 2 × (b + c) + this, b and c by type
inline constexpr int kReadReplyOverhead = 6;  // 'N': 2 × digits + this (start, address, ends, sum)

// Controller state characters: the first data byte of the reply to '1'.
inline constexpr Byte kReplyIdle = '0';
inline constexpr Byte kReplyLifted = '1';
inline constexpr Byte kReplyAuthorised = '2';
inline constexpr Byte kReplyStopped = '3';
inline constexpr Byte kReplyDeliveringFirst = '4';
inline constexpr Byte kReplyDeliveringLast = '6';
inline constexpr Byte kReplyRunning = '0';  // second data byte while the pump runs

// Dispenser types: the reply to '7' carries '@' + type; the type sets the
// digits of the delivery counters (reply to '5').
inline constexpr Byte kTypeByteBase = 0x40;  // '@'
inline constexpr Byte kLastDispenserType = 8;
inline constexpr Byte kFallbackType = 1;  // what an unknown type byte is taken as
struct TypeRow {
  int volumeDigits;  // a
  int otherDigits;   // b: carried in the reply, not read
  int moneyDigits;   // c
};
inline constexpr TypeRow kDispenserTypes[] = {
    {0, 0, 0}, {6, 4, 6}, {6, 6, 8}, {6, 4, 6}, {6, 4, 6},
    {6, 4, 6}, {6, 6, 8}, {6, 6, 8}, {5, 4, 7},
};

// Total counters (reply to '6'): the volume field ends where the last end
// byte says; without one it has 8 digits.
inline constexpr int kTotalsDefaultHalf = 7;
inline constexpr int kTotalCounterDigits = 8;  // a total set is padded to this; longer keep theirs
inline constexpr int kTotalCounterLimitDigits = 12;  // at most this many digits of hundredths

// Parameters ('N', 'O', 'W').
inline constexpr int kWriteCommandHead =
    4;  // 'O': address bytes, 'O' and the index before the digits
inline constexpr std::int32_t kMaxSwitchDigit = 9;  // 'W' codes and values are one digit each

// Address programming (']'): identification numbers of up to 5 digits
// travel in the short form; longer ones are padded to 10 and split around
// the address, which takes 3 characters.
inline constexpr std::size_t kShortIdDigits = 5;
inline constexpr int kLongIdDigits = 10;
inline constexpr int kAddressDigits = 3;
inline constexpr std::int32_t kMaxLineAddress = 999;

// What the port is asked to open a channel with.
inline constexpr std::int32_t kOpenSetting = 42;
inline constexpr std::int32_t kOpenBaudRate = 4800;

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_PROTOCOL_H
