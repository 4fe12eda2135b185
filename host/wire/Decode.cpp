// Decode.cpp — annotating frames and replies for people.
#include "Decode.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "Frames.h"
#include "Hex.h"
#include "Readings.h"

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
constexpr int kDefaultType = 1;  // the type a controller reports unless configured otherwise
constexpr std::size_t kParamValueAt = 1;  // 'N': the value's digits follow the address byte

// The states outside a delivery, by r1.
struct StateName {
  Byte r1;
  const char* words;
};
constexpr StateName kStateNames[] = {
    {'0', "idle"},
    {'1', "nozzle lifted, not authorised"},
    {'2', "authorised, waiting for the nozzle"},
    {'3', "stopped"},
};

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

std::string Amount(std::uint64_t hundredths) {
  char text[kAmountSize];
  std::snprintf(text, sizeof text, "%llu.%02llu",
                static_cast<unsigned long long>(hundredths / kHundredths),
                static_cast<unsigned long long>(hundredths % kHundredths));
  return text;
}

// The number `width` digits at `at` spell, or nothing when they are not
// there or not digits.
std::optional<std::uint64_t> DigitField(const Bytes& data, std::size_t at, int width) {
  const auto n = static_cast<std::size_t>(width);
  if (at + n > data.size()) return std::nullopt;
  return ParseDigits(std::span<const Byte>(data).subspan(at, n));
}

std::size_t CounterDigits(const CounterLayout& layout) {
  // A few dozen digits at the most: the sum is taken in int, then widened.
  const int digits = layout.middle + layout.money + kDeliveryExtraDigits;
  return static_cast<std::size_t>(digits);
}

std::string LayoutText(const CounterLayout& layout) {
  return std::to_string(layout.volume) + " volume digits, " + std::to_string(layout.money) +
         " money digits";
}

// The delivery counters ('5'): volume, then money, then digits the layout's
// middle column sets, all by the dispenser type's layout. Layouts of one
// length are alike, so the length decides the reading when the type is not
// known.
void CounterLines(const Bytes& data, std::optional<int> type, std::vector<std::string>& out) {
  const std::string digits = std::to_string(data.size()) + " digits";
  std::optional<CounterLayout> layout;
  std::string basis;
  if (type && *type >= 0 && *type < kTypeCount) {
    const CounterLayout& own = kCounterLayouts[static_cast<std::size_t>(*type)];
    if (CounterDigits(own) == data.size()) {
      layout = own;
      basis = "type " + std::to_string(*type) + "'s layout";
    } else {
      basis = digits + " do not fit type " + std::to_string(*type) + "'s layout (" +
              std::to_string(CounterDigits(own)) + "); ";
    }
  } else if (type) {
    basis =
        "type " + std::to_string(*type) + " is none of 0.." + std::to_string(kTypeCount - 1) + "; ";
  } else if (CounterDigits(kCounterLayouts[kDefaultType]) == data.size()) {
    layout = kCounterLayouts[kDefaultType];
    basis = "type unknown, read by the default type " + std::to_string(kDefaultType) + "'s layout";
  } else {
    basis = "type unknown; ";
  }
  if (!layout) {
    std::string types;
    for (int t = 0; t < kTypeCount; ++t) {
      if (CounterDigits(kCounterLayouts[static_cast<std::size_t>(t)]) != data.size()) continue;
      if (!layout) layout = kCounterLayouts[static_cast<std::size_t>(t)];
      types += (types.empty() ? "" : ", ") + std::to_string(t);
    }
    if (!layout) {
      out.push_back("  " + basis + digits + " fit no dispenser type's layout");
      return;
    }
    basis += digits + " fit the layout of type" + (types.size() > 1 ? "s " : " ") + types;
  }
  if (layout->volume == 0 && layout->money == 0) {
    out.push_back("  no volume or money (" + basis + ")");
    return;
  }
  const auto volume = DigitField(data, 0, layout->volume);
  const auto money = DigitField(data, static_cast<std::size_t>(layout->volume), layout->money);
  if (!volume || !money) {
    out.push_back("  volume or money not digits (" + basis + ": " + LayoutText(*layout) + ")");
    return;
  }
  out.push_back("  volume " + Amount(*volume) + " l, money " + Amount(*money) + " (" + basis +
                ": " + LayoutText(*layout) + ")");
}

void TotalsLines(const Bytes& data, std::vector<std::string>& out) {
  const auto volume = DigitField(data, 0, kTotalVolumeDigits);
  const auto money = DigitField(data, kTotalVolumeDigits, kTotalMoneyDigits);
  if (!volume || !money) {
    out.push_back("  " + std::to_string(data.size()) + " bytes do not hold the totals (" +
                  std::to_string(kTotalVolumeDigits) + " volume digits, " +
                  std::to_string(kTotalMoneyDigits) + " money digits)");
    return;
  }
  out.push_back("  volume total " + Amount(*volume) + " l, money total " + Amount(*money));
}

void TypeLines(const Bytes& data, std::vector<std::string>& out) {
  const int type = data.empty() ? -1 : data[0] - kTypeBase;
  if (data.size() != 1 || type < 0 || type >= kTypeCount) {
    out.push_back("  no dispenser type (a type byte is '@' + 0.." + std::to_string(kTypeCount - 1) +
                  ")");
    return;
  }
  out.push_back("  dispenser type " + std::to_string(type) + " (delivery counters: " +
                LayoutText(kCounterLayouts[static_cast<std::size_t>(type)]) + ")");
}

// The answer to 'N': the controller's address byte, then the value's digits.
void ParameterLines(const Bytes& args, const Bytes& data, std::vector<std::string>& out) {
  if (args.empty()) return;
  const int index = args[kIndexArgument] - kDigitZero;
  const std::string name = "parameter " + std::to_string(index);
  const std::span<const Byte> digits =
      data.empty() ? std::span<const Byte>() : std::span<const Byte>(data).subspan(kParamValueAt);
  const auto value = ParseDigits(digits);
  if (digits.empty() || !value) {
    out.push_back("  " + name + ": the value is not digits");
    return;
  }
  std::string line = "  " + name + " = " + std::to_string(*value);
  if (index >= 0 && index < kParamCount &&
      kParamDigits[static_cast<std::size_t>(index)] != static_cast<int>(digits.size())) {
    line += " (" + std::to_string(digits.size()) + " digits; the parameter has " +
            std::to_string(kParamDigits[static_cast<std::size_t>(index)]) + ")";
  }
  out.push_back(line);
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

namespace kavo5000::wire {

std::string StateWords(Byte r1, std::optional<Byte> r2) {
  if (r1 >= kDeliveryFirst && r1 <= kDeliveryLast) {
    if (!r2) return "a delivery, running or ended";
    if (*r2 == kSubRunning) return "delivering, fuel flowing";
    if (*r2 == kSubFinished) return "delivery finished";
    return "a delivery, unknown second byte " + CharacterOf(*r2);
  }
  const auto named = std::find_if(std::begin(kStateNames), std::end(kStateNames),
                                  [r1](const StateName& n) { return n.r1 == r1; });
  if (named == std::end(kStateNames)) return "unknown state " + CharacterOf(r1);
  std::string words = named->words;
  if (r2 && *r2 != kSubNone) words += " (unknown second byte " + CharacterOf(*r2) + ")";
  return words;
}

std::vector<std::string> ReplyMeaning(const Bytes& frame, const Bytes& reply,
                                      std::optional<int> dispenserType) {
  std::vector<std::string> out;
  const ParsedFrame f = ParseFrame(frame);
  const ParsedReply r = ParseReply(reply);
  if (f.verdict != FrameVerdict::kGood || r.verdict != ReplyVerdict::kData) return out;
  const Bytes& c = f.command;
  if (c.size() <= kCommandAt || LinearOf({c[kGroupAt], c[kAddressAt]}) == std::nullopt) return out;
  const Bytes args(c.begin() + kArgumentsAt, c.end());
  const Bytes& data = r.data;
  switch (c[kCommandAt]) {
    case kCmdState: {
      if (data.empty()) break;
      const auto r2 =
          data.size() > kSubStateAt ? std::optional<Byte>(data[kSubStateAt]) : std::nullopt;
      out.push_back("  state r1 " + CharacterOf(data[kStateAt]) +
                    (r2 ? " r2 " + CharacterOf(*r2) : std::string()) + ": " +
                    StateWords(data[kStateAt], r2));
      break;
    }
    case kCmdVolume: {
      if (data.empty()) break;
      const auto volume = DigitField(data, kVolumeAt, kVolumeReplyDigits);
      out.push_back("  state r1 " + CharacterOf(data[kStateAt]) + ": " +
                    StateWords(data[kStateAt], std::nullopt) +
                    (volume ? "; volume " + Amount(*volume) + " l" : "; no volume digits"));
      break;
    }
    case kCmdDelivery:
      CounterLines(data, dispenserType, out);
      break;
    case kCmdTotals:
      if (args.empty()) TotalsLines(data, out);
      break;
    case kCmdType:
      TypeLines(data, out);
      break;
    case kCmdReadParam:
      ParameterLines(args, data, out);
      break;
    default:
      break;
  }
  return out;
}

std::vector<std::string> DecodeExchange(const Bytes& frame, const Bytes& reply,
                                        std::optional<int> dispenserType) {
  std::vector<std::string> out = Decode(frame);
  if (reply.empty()) {
    out.push_back("no reply");
    return out;
  }
  for (std::string& line : Decode(reply)) out.push_back(std::move(line));
  for (std::string& line : ReplyMeaning(frame, reply, dispenserType))
    out.push_back(std::move(line));
  return out;
}

}  // namespace kavo5000::wire
