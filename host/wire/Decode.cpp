// Decode.cpp — annotating frames and replies for people.
#include "Decode.h"

#include <cstdio>

#include "Frames.h"
#include "Hex.h"

namespace kavo5000::wire {

namespace {

constexpr std::size_t kShortProgramBody = kShortIdDigits + kAddressDigits;  // ']': id, address
constexpr std::size_t kLongProgramBody = kLongIdDigits + kAddressDigits;    // ']': the long form
constexpr std::size_t kIndexArgument = 0;        // 'N', 'O', '6': the first argument byte
constexpr std::size_t kValueArgumentsAt = 1;     // 'N', 'O', '6': digits after the first byte
constexpr unsigned long long kHundredths = 100;  // prices and presets travel as hundredths
constexpr Byte kFirstPrintable = 0x20;           // space, the first printable ASCII byte
constexpr Byte kLastPrintable = 0x7E;            // '~', the last printable ASCII byte
constexpr std::size_t kHex2Size = 3;             // two hex digits and the terminating zero
constexpr std::size_t kAmountSize = 32;          // " (12345678.90)" with room to spare

std::string Hex2(Byte b) {
  char text[kHex2Size];
  std::snprintf(text, sizeof text, "%02X", b);
  return text;
}

std::string Printable(const Bytes& bytes) {
  std::string out;
  for (Byte b : bytes) {
    out += (b >= kFirstPrintable && b <= kLastPrintable) ? static_cast<char>(b) : '.';
  }
  return out;
}

std::string CharacterOf(Byte b) {
  if (b >= kFirstPrintable && b <= kLastPrintable)
    return "'" + std::string(1, static_cast<char>(b)) + "' (" + Hex2(b) + ")";
  return Hex2(b);
}

std::string AddressLine(Byte group, Byte address) {
  const auto v = LinearOf({group, address});
  const std::string bytes = "(group " + Hex2(group) + ", address byte " + Hex2(address) + ")";
  if (!v) return "no nozzle address " + bytes;
  return "nozzle address " + std::to_string(*v) + " " + bytes;
}

// Why a frame that does not parse fails: the first wrong complement, or the
// point where it stops.
std::string FrameFault(const Bytes& bytes) {
  for (std::size_t pos = kFramePairsAt; pos + 1 < bytes.size(); pos += kPairLength) {
    if (bytes[pos] == kEndByte && bytes[pos + 1] == kEndByte) break;
    if ((bytes[pos] ^ bytes[pos + 1]) != kComplementMask) {
      return "byte " + std::to_string(pos + 1) + ": complement " + Hex2(bytes[pos + 1]) +
             " should be " + Hex2(static_cast<Byte>(bytes[pos] ^ kComplementMask));
    }
  }
  return "incomplete: no end bytes and checksum";
}

void DescribeArguments(Byte command, const Bytes& args, std::vector<std::string>& out) {
  if (args.empty()) return;
  switch (command) {
    case kCmdReadParam:
    case kCmdWriteParam: {
      out.push_back("  parameter index " + std::to_string(args[kIndexArgument] - kDigitZero) + " " +
                    CharacterOf(args[kIndexArgument]));
      if (args.size() > kValueArgumentsAt) {
        const Bytes digits(args.begin() + kValueArgumentsAt, args.end());
        out.push_back("  value digits " + Printable(digits));
      }
      return;
    }
    case kCmdTotals:
      if (args[kIndexArgument] == kSetTotalSub) {
        out.push_back("  set the volume total: digits " +
                      Printable(Bytes(args.begin() + kValueArgumentsAt, args.end())));
        return;
      }
      break;
    case kCmdPrice:
    case kCmdPresetMoney:
    case kCmdPresetVolume: {
      const auto value = ParseDigits(args);
      std::string line = "  digits " + Printable(args);
      if (value) {
        char amount[kAmountSize];
        std::snprintf(amount, sizeof amount, " (%llu.%02llu)",
                      static_cast<unsigned long long>(*value / kHundredths),
                      static_cast<unsigned long long>(*value % kHundredths));
        line += amount;
      }
      out.push_back(line);
      return;
    }
    default:
      break;
  }
  out.push_back("  arguments " + Hex(args) + "  \"" + Printable(args) + "\"");
}

void DecodeFrame(const Bytes& bytes, std::vector<std::string>& out) {
  out.push_back("command frame, " + std::to_string(bytes.size()) + " bytes: " + Hex(bytes));
  const ParsedFrame f = ParseFrame(bytes);
  if (f.verdict == FrameVerdict::kBadComplement || f.verdict == FrameVerdict::kIncomplete ||
      f.verdict == FrameVerdict::kNotAFrame) {
    out.push_back("  not sound: " + FrameFault(bytes));
    return;
  }
  const Bytes& c = f.command;
  const bool hasAddressByte = c.size() > kAddressAt;
  if (hasAddressByte && c[kGroupAt] == kFirstGroup && c[kAddressAt] == kCmdCommonSwitch) {
    out.push_back("  command 'W' (57): " + CommandName(kCmdCommonSwitch));
    if (c.size() == kSwitchLength) {
      out.push_back("  switch code " + std::to_string(c[kSwitchCodeAt] - kDigitZero) + ", value " +
                    std::to_string(c[kSwitchValueAt] - kDigitZero));
    }
  } else if (hasAddressByte && c[kGroupAt] == kFirstGroup && c[kAddressAt] == kCmdProgramAddress) {
    out.push_back("  command ']' (5D): " + CommandName(kCmdProgramAddress));
    const Bytes body(c.begin() + kUnaddressedAt, c.end());
    if (body.size() == kShortProgramBody || body.size() == kLongProgramBody) {
      Bytes id(body.begin(), body.begin() + kShortIdDigits);
      id.insert(id.end(), body.begin() + kShortProgramBody, body.end());
      out.push_back(
          "  identification " + Printable(id) + ", new address " +
          Printable(Bytes(body.begin() + kShortIdDigits, body.begin() + kShortProgramBody)));
    } else {
      out.push_back("  arguments " + Hex(body));
    }
  } else if (hasAddressByte) {
    out.push_back("  " + AddressLine(c[kGroupAt], c[kAddressAt]));
    if (c.size() > kCommandAt) {
      const std::string name = CommandName(c[kCommandAt]);
      out.push_back("  command " + CharacterOf(c[kCommandAt]) + ": " +
                    (name.empty() ? "unknown" : name));
      DescribeArguments(c[kCommandAt], Bytes(c.begin() + kArgumentsAt, c.end()), out);
    } else {
      out.push_back("  no command byte");
    }
  } else {
    out.push_back("  group byte " + Hex2(c[kGroupAt]) + " only, no address");
  }
  const Byte sum = bytes[f.length - 1];
  const Byte want = Checksum(std::span<const Byte>(c).subspan(kAddressAt));
  out.push_back(f.verdict == FrameVerdict::kGood
                    ? "  checksum " + Hex2(sum) + ": good"
                    : "  checksum " + Hex2(sum) + ": bad (should be " + Hex2(want) + ")");
  if (f.length < bytes.size())
    out.push_back("  " + std::to_string(bytes.size() - f.length) + " bytes after the frame");
}

void DecodeReply(const Bytes& bytes, std::vector<std::string>& out) {
  const ParsedReply r = ParseReply(bytes);
  if (r.verdict == ReplyVerdict::kControl) {
    const char* meaning = r.control == kAck              ? "accepted"
                          : r.control == kUnknownCommand ? "command not understood"
                                                         : "refused";
    out.push_back("control reply " + Hex2(r.control) + ": " + meaning);
    if (bytes.size() > 1)
      out.push_back("  " + std::to_string(bytes.size() - 1) + " bytes after the reply");
    return;
  }
  out.push_back("data reply, " + std::to_string(bytes.size()) + " bytes: " + Hex(bytes));
  switch (r.verdict) {
    case ReplyVerdict::kData:
    case ReplyVerdict::kBadChecksum: {
      out.push_back("  " + std::to_string(r.data.size()) + " data bytes: " + Hex(r.data) + "  \"" +
                    Printable(r.data) + "\"");
      const Byte sum = bytes[r.length - 1];
      out.push_back(r.verdict == ReplyVerdict::kData
                        ? "  checksum " + Hex2(sum) + ": good"
                        : "  checksum " + Hex2(sum) + ": bad (should be " + Hex2(Checksum(r.data)) +
                              ")");
      if (r.length < bytes.size())
        out.push_back("  " + std::to_string(bytes.size() - r.length) + " bytes after the reply");
      return;
    }
    case ReplyVerdict::kMalformed:
      out.push_back("  not sound: a complement is wrong");
      return;
    default:
      out.push_back("  incomplete: no end bytes and checksum");
      return;
  }
}

}  // namespace

std::string CommandName(Byte command) {
  switch (command) {
    case kCmdState:
      return "nozzle state";
    case kCmdStart:
      return "start the pump";
    case kCmdStop:
      return "stop the pump";
    case kCmdVolume:
      return "volume of the running delivery";
    case kCmdDelivery:
      return "delivery counters";
    case kCmdTotals:
      return "total counters";
    case kCmdType:
      return "dispenser type";
    case kCmdClose:
      return "close the transaction";
    case kCmdReadParam:
      return "read a parameter";
    case kCmdWriteParam:
      return "write a parameter";
    case kCmdPrice:
      return "set the unit price";
    case kCmdPresetMoney:
      return "preset by money";
    case kCmdPresetVolume:
      return "preset by volume";
    case kCmdPrepare:
      return "prepare an extended start";
    case kCmdConfirm:
      return "confirm an extended start";
    case kCmdCommonSwitch:
      return "common switch, to every controller (never answered)";
    case kCmdProgramAddress:
      return "program a line address by identification number";
    default:
      return "";
  }
}

std::vector<std::string> Decode(const Bytes& bytes) {
  std::vector<std::string> out;
  if (bytes.empty()) {
    out.push_back("no bytes");
  } else if (bytes[0] == kFrameStart) {
    DecodeFrame(bytes, out);
  } else if (bytes[0] == kDataStart || IsControlReply(bytes[0])) {
    DecodeReply(bytes, out);
  } else {
    out.push_back("neither a command frame (7F …) nor a reply (02, 06, 15, 18 …): " + Hex(bytes));
  }
  return out;
}

}  // namespace kavo5000::wire
