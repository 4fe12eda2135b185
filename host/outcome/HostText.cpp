// HostText.cpp — the kit's common figures as text.
#include "HostText.h"

#include <cstdio>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::host {

std::string ByteHex(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

std::string AmountText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::uint8_t StateClass(std::uint16_t code) {
  return static_cast<std::uint8_t>(code & kStateClassMask);
}

int StateNozzle(std::uint16_t code) {
  return code & kStateNozzleMask;
}

}  // namespace kavo5000::host
