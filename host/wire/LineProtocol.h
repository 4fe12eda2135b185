// LineProtocol.h — the line protocol's vocabulary as it travels on the wire:
// framing and control bytes, nozzle address bytes, command characters, field
// widths, each parameter's digit count and the delivery-counter layouts by
// dispenser type. Both the simulated controllers and the host kit's tools
// read the line through these names; what a controller does with a command
// is not here.
#ifndef KAVO5000_WIRE_LINEPROTOCOL_H
#define KAVO5000_WIRE_LINEPROTOCOL_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavo5000::wire {

using Byte = std::uint8_t;
using Bytes = std::vector<Byte>;

// Framing of command frames and data replies.
inline constexpr Byte kFrameStart = 0x7F;        // first byte of every command frame
inline constexpr Byte kComplementMask = 0x7F;    // a framed byte is followed by its XOR with this
inline constexpr Byte kEndByte = 0x03;           // frames and data replies end with it twice
inline constexpr Byte kChecksumSeed = 0x03;      // the checksum starts from the end byte
inline constexpr Byte kChecksumBit = 0x40;       // always set in a checksum byte
inline constexpr Byte kDataStart = 0x02;         // first byte of a data reply
inline constexpr Byte kAck = 0x06;               // control reply: accepted
inline constexpr Byte kUnknownCommand = 0x15;    // control reply: command not understood
inline constexpr Byte kRefuse = 0x18;            // control reply: refused
inline constexpr std::size_t kMaxFrame = 255;    // longest frame or reply on the line
inline constexpr std::size_t kPairLength = 2;    // a framed byte followed by its complement
inline constexpr std::size_t kFramePairsAt = 2;  // frame bytes: c1 and its complement begin here
inline constexpr std::size_t kTailLength = 3;    // end bytes and checksum: a frame's or reply's

// Nozzle addresses: linear numbers 1..15 use group byte 0x02 with address
// bytes 0x21..0x2F; from 16 on each further fifteen use the next group byte
// (0x07, 0x08, …), the group's last nozzle taking address byte 0x20.
inline constexpr Byte kFirstGroup = 0x02;      // group byte of linear numbers below 16
inline constexpr Byte kAddressBase = 0x20;     // address byte = this + position in the group
inline constexpr int kFirstGroupLimit = 16;    // linear numbers below this use kFirstGroup
inline constexpr int kGroupSize = 15;          // nozzles per further group
inline constexpr int kGroupByteOffset = 6;     // group byte = (v − 1) div 15 + this
inline constexpr int kMaxLinearAddress = 999;  // three address digits in ']'

// Where things sit in a frame's command bytes c0 … c(n−1).
inline constexpr std::size_t kGroupAt = 0;        // c0: the group byte
inline constexpr std::size_t kAddressAt = 1;      // c1: the address byte, or 'W' / ']'
inline constexpr std::size_t kCommandAt = 2;      // c2: an addressed command's character
inline constexpr std::size_t kArgumentsAt = 3;    // c3 …: an addressed command's arguments
inline constexpr std::size_t kUnaddressedAt = 2;  // c2 …: what follows 'W' or ']'
inline constexpr std::size_t kSwitchCodeAt = 2;   // 'W': c2, the switch code's digit
inline constexpr std::size_t kSwitchValueAt = 3;  // 'W': c3, the value's digit
inline constexpr std::size_t kSwitchLength = 4;   // 'W' in full: 02 'W' code value

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

// Per-nozzle parameters, read with 'N' and written with 'O'.
inline constexpr int kParamCount = 60;  // indices 0..59

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
inline constexpr int kTypeCount = 9;  // dispenser types 0..8
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

}  // namespace kavo5000::wire

#endif  // KAVO5000_WIRE_LINEPROTOCOL_H
