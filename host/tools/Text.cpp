// Text.cpp — wording of codes and amounts.
#include "Text.h"

#include <cstdio>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::tool {

namespace {
constexpr std::uint8_t kClassMask = 0xF8;
constexpr std::uint8_t kNozzleMask = 0x07;

std::string Hex(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}
}  // namespace

std::uint8_t StateClass(std::uint16_t code) {
  return static_cast<std::uint8_t>(code & kClassMask);
}

std::string StateName(std::uint16_t code) {
  const int n = code & kNozzleMask;
  const std::string nozzle = n != 0 ? " (nozzle " + std::to_string(n) + ")" : "";
  if (code == 0) return "no valid reply";
  switch (StateClass(code)) {
    case kClassIdle:
      return "idle";
    case kClassAuthorised:
      return "authorised";
    case kClassDelivering:
      return "delivering" + nozzle;
    case kClassDone:
      return "delivery done" + nozzle;
    case kClassLifted:
      return "nozzle lifted" + nozzle;
    default:
      return "controller state " + Hex(static_cast<std::uint8_t>(code));
  }
}

std::string StatusMessage(std::uint8_t status) {
  switch (status) {
    case 0:
      return "no exchange took place";
    case kStatusValid:
      return "valid reply";
    case 2:
      return "no reply from the controller in time (line state 2)";
    case 3:
      return "the controller's reply was malformed, or a totals query found a volume total of 0 "
             "(status 3)";
    case 4:
      return "the controller's reply was incomplete or failed its checksum (line state 4)";
    case 0x10:
      return "the controller refused the start (status 0x10)";
    case 0x11:
      return "the controller refused the preparation step 'U' (status 0x11)";
    case 0x12:
      return "the controller refused the volume preset (status 0x12)";
    case 0x13:
      return "the controller refused the money preset (status 0x13)";
    case 0x14:
      return "the controller refused the stop (status 0x14)";
    case 0x15:
      return "the controller refused the price (status 0x15)";
    case 0x17:
      return "the controller refused the parameter read or write (status 0x17)";
    case 0x18:
      return "the controller refused the address (status 0x18)";
    case 0x19:
      return "the controller refused the volume query (status 0x19)";
    default:
      return "channel status " + Hex(status);
  }
}

std::string Amount(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::string Cp1251ToUtf8(const char* text, std::size_t length) {
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    char32_t cp = b;
    if (b >= kavo5000::detail::kCp1251LetterBase) {
      cp = kavo5000::detail::kFirstCyrillicLetter + (b - kavo5000::detail::kCp1251LetterBase);
    } else if (b >= 0x80) {
      cp = kavo5000::detail::kCp1251High[b - 0x80];
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace kavo5000::tool
