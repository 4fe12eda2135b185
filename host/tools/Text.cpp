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

namespace {
// What a channel status means, one entry per code the port or the driver stores.
struct StatusText {
  std::uint8_t code;
  const char* text;
};
constexpr StatusText kStatusTexts[] = {
    {0x00, "no exchange took place"},
    {0x01, "valid reply"},
    {0x02, "no reply from the controller in time (line state 2)"},
    {0x03,
     "the controller's reply was malformed, or a totals query found a volume total of 0 "
     "(status 3)"},
    {0x04, "the controller's reply was incomplete or failed its checksum (line state 4)"},
    {0x10, "the controller refused the start (status 0x10)"},
    {0x11, "the controller refused the preparation step 'U' (status 0x11)"},
    {0x12, "the controller refused the volume preset (status 0x12)"},
    {0x13, "the controller refused the money preset (status 0x13)"},
    {0x14, "the controller refused the stop (status 0x14)"},
    {0x15, "the controller refused the price (status 0x15)"},
    {0x17, "the controller refused the parameter read or write (status 0x17)"},
    {0x18, "the controller refused the address (status 0x18)"},
    {0x19, "the controller refused the volume query (status 0x19)"},
};
}  // namespace

std::string StatusMessage(std::uint8_t status) {
  for (const StatusText& entry : kStatusTexts) {
    if (entry.code == status) return entry.text;
  }
  return "channel status " + Hex(status);
}

std::string Amount(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace kavo5000::tool
