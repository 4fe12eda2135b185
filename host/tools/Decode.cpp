// Decode.cpp — annotating frames and replies for people.
#include "Decode.h"

#include <cstdio>

#include "Codec.h"

namespace kavo5000::tool {

namespace {

using sim::Byte;
using sim::Bytes;

constexpr std::size_t kShortProgramBody = sim::kShortIdDigits + sim::kAddressDigits;
constexpr std::size_t kLongProgramBody = sim::kLongIdDigits + sim::kAddressDigits;
constexpr std::size_t kSwitchFrameBytes = 4;  // 02 'W' code value
constexpr unsigned long long kHundredths = 100;
constexpr Byte kFirstPrintable = 0x20;
constexpr Byte kLastPrintable = 0x7E;

std::string Hex2(Byte b) {
  char text[3];
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
  const auto v = sim::LinearOf({group, address});
  const std::string bytes = "(group " + Hex2(group) + ", address byte " + Hex2(address) + ")";
  if (!v) return "no nozzle address " + bytes;
  return "nozzle address " + std::to_string(*v) + " " + bytes;
}

// Why a frame that does not parse fails: the first wrong complement, or the
// point where it stops.
std::string FrameFault(const Bytes& bytes) {
  for (std::size_t pos = 2; pos + 1 < bytes.size(); pos += 2) {
    if (bytes[pos] == sim::kEndByte && bytes[pos + 1] == sim::kEndByte) break;
    if ((bytes[pos] ^ bytes[pos + 1]) != sim::kComplementMask) {
      return "byte " + std::to_string(pos + 1) + ": complement " + Hex2(bytes[pos + 1]) +
             " should be " + Hex2(static_cast<Byte>(bytes[pos] ^ sim::kComplementMask));
    }
  }
  return "incomplete: no end bytes and checksum";
}

void DescribeArguments(Byte command, const Bytes& args, std::vector<std::string>& out) {
  if (args.empty()) return;
  switch (command) {
    case sim::kCmdReadParam:
    case sim::kCmdWriteParam: {
      out.push_back("  parameter index " + std::to_string(args[0] - sim::kDigitZero) + " " +
                    CharacterOf(args[0]));
      if (args.size() > 1) {
        const Bytes digits(args.begin() + 1, args.end());
        out.push_back("  value digits " + Printable(digits));
      }
      return;
    }
    case sim::kCmdTotals:
      if (args[0] == sim::kSetTotalSub) {
        out.push_back("  set the volume total: digits " +
                      Printable(Bytes(args.begin() + 1, args.end())));
        return;
      }
      break;
    case sim::kCmdPrice:
    case sim::kCmdPresetMoney:
    case sim::kCmdPresetVolume: {
      const auto value = sim::ParseDigits(args);
      std::string line = "  digits " + Printable(args);
      if (value) {
        char amount[32];
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
  out.push_back("  arguments " + sim::Hex(args) + "  \"" + Printable(args) + "\"");
}

void DecodeFrame(const Bytes& bytes, std::vector<std::string>& out) {
  out.push_back("command frame, " + std::to_string(bytes.size()) + " bytes: " + sim::Hex(bytes));
  const sim::ParsedFrame f = sim::ParseFrame(bytes);
  if (f.verdict == sim::FrameVerdict::kBadComplement ||
      f.verdict == sim::FrameVerdict::kIncomplete || f.verdict == sim::FrameVerdict::kNotAFrame) {
    out.push_back("  not sound: " + FrameFault(bytes));
    return;
  }
  const Bytes& c = f.command;
  if (c.size() >= 2 && c[0] == sim::kFirstGroup && c[1] == sim::kCmdCommonSwitch) {
    out.push_back("  command 'W' (57): " + CommandName(sim::kCmdCommonSwitch));
    if (c.size() == kSwitchFrameBytes) {
      out.push_back("  switch code " + std::to_string(c[2] - sim::kDigitZero) + ", value " +
                    std::to_string(c[3] - sim::kDigitZero));
    }
  } else if (c.size() >= 2 && c[0] == sim::kFirstGroup && c[1] == sim::kCmdProgramAddress) {
    out.push_back("  command ']' (5D): " + CommandName(sim::kCmdProgramAddress));
    const Bytes body(c.begin() + 2, c.end());
    if (body.size() == kShortProgramBody || body.size() == kLongProgramBody) {
      Bytes id(body.begin(), body.begin() + sim::kShortIdDigits);
      id.insert(id.end(), body.begin() + kShortProgramBody, body.end());
      out.push_back(
          "  identification " + Printable(id) + ", new address " +
          Printable(Bytes(body.begin() + sim::kShortIdDigits, body.begin() + kShortProgramBody)));
    } else {
      out.push_back("  arguments " + sim::Hex(body));
    }
  } else if (c.size() >= 2) {
    out.push_back("  " + AddressLine(c[0], c[1]));
    if (c.size() >= 3) {
      const std::string name = CommandName(c[2]);
      out.push_back("  command " + CharacterOf(c[2]) + ": " + (name.empty() ? "unknown" : name));
      DescribeArguments(c[2], Bytes(c.begin() + 3, c.end()), out);
    } else {
      out.push_back("  no command byte");
    }
  } else {
    out.push_back("  group byte " + Hex2(c[0]) + " only, no address");
  }
  const Byte sum = bytes[f.length - 1];
  const Byte want = sim::Checksum(std::span<const Byte>(c).subspan(1));
  out.push_back(f.verdict == sim::FrameVerdict::kGood
                    ? "  checksum " + Hex2(sum) + ": good"
                    : "  checksum " + Hex2(sum) + ": bad (should be " + Hex2(want) + ")");
  if (f.length < bytes.size())
    out.push_back("  " + std::to_string(bytes.size() - f.length) + " bytes after the frame");
}

void DecodeReply(const Bytes& bytes, std::vector<std::string>& out) {
  const sim::ParsedReply r = sim::ParseReply(bytes);
  if (r.verdict == sim::ReplyVerdict::kControl) {
    const char* meaning = r.control == sim::kAck              ? "accepted"
                          : r.control == sim::kUnknownCommand ? "command not understood"
                                                              : "refused";
    out.push_back("control reply " + Hex2(r.control) + ": " + meaning);
    if (bytes.size() > 1)
      out.push_back("  " + std::to_string(bytes.size() - 1) + " bytes after the reply");
    return;
  }
  out.push_back("data reply, " + std::to_string(bytes.size()) + " bytes: " + sim::Hex(bytes));
  switch (r.verdict) {
    case sim::ReplyVerdict::kData:
    case sim::ReplyVerdict::kBadChecksum: {
      out.push_back("  " + std::to_string(r.data.size()) + " data bytes: " + sim::Hex(r.data) +
                    "  \"" + Printable(r.data) + "\"");
      const Byte sum = bytes[r.length - 1];
      out.push_back(r.verdict == sim::ReplyVerdict::kData
                        ? "  checksum " + Hex2(sum) + ": good"
                        : "  checksum " + Hex2(sum) + ": bad (should be " +
                              Hex2(sim::Checksum(r.data)) + ")");
      if (r.length < bytes.size())
        out.push_back("  " + std::to_string(bytes.size() - r.length) + " bytes after the reply");
      return;
    }
    case sim::ReplyVerdict::kMalformed:
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
    case sim::kCmdState:
      return "nozzle state";
    case sim::kCmdStart:
      return "start the pump";
    case sim::kCmdStop:
      return "stop the pump";
    case sim::kCmdVolume:
      return "volume of the running delivery";
    case sim::kCmdDelivery:
      return "delivery counters";
    case sim::kCmdTotals:
      return "total counters";
    case sim::kCmdType:
      return "dispenser type";
    case sim::kCmdClose:
      return "close the transaction";
    case sim::kCmdReadParam:
      return "read a parameter";
    case sim::kCmdWriteParam:
      return "write a parameter";
    case sim::kCmdPrice:
      return "set the unit price";
    case sim::kCmdPresetMoney:
      return "preset by money";
    case sim::kCmdPresetVolume:
      return "preset by volume";
    case sim::kCmdPrepare:
      return "prepare an extended start";
    case sim::kCmdConfirm:
      return "confirm an extended start";
    case sim::kCmdCommonSwitch:
      return "common switch, to every controller (never answered)";
    case sim::kCmdProgramAddress:
      return "program a line address by identification number";
    default:
      return "";
  }
}

std::vector<std::string> Decode(const Bytes& bytes) {
  std::vector<std::string> out;
  if (bytes.empty()) {
    out.push_back("no bytes");
  } else if (bytes[0] == sim::kFrameStart) {
    DecodeFrame(bytes, out);
  } else if (bytes[0] == sim::kDataStart || bytes[0] == sim::kAck ||
             bytes[0] == sim::kUnknownCommand || bytes[0] == sim::kRefuse) {
    DecodeReply(bytes, out);
  } else {
    out.push_back("neither a command frame (7F …) nor a reply (02, 06, 15, 18 …): " +
                  sim::Hex(bytes));
  }
  return out;
}

}  // namespace kavo5000::tool
