// Text.cpp — wording of codes and amounts.
#include "Text.h"

#include "HostText.h"
#include "LineHostPort.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::tool {

using host::ByteHex;
using host::StateClass;

std::string StateName(std::uint16_t code) {
  const int n = code & kStateNozzleMask;
  const std::string nozzle = n != 0 ? " (nozzle " + std::to_string(n) + ")" : "";
  if (code == 0) return "no valid reply";
  switch (StateClass(code)) {
    case kStateIdle:
      return "idle";
    case kStateBusy:
      return "authorised";
    case kStateDelivering:
      return "delivering" + nozzle;
    case kStateFinished:
      return "delivery done" + nozzle;
    case kStateLifted:
      return "nozzle lifted" + nozzle;
    default:
      return "controller state " + ByteHex(static_cast<std::uint8_t>(code));
  }
}

namespace {
// What a channel status means, one entry per code the port or the driver stores.
struct StatusText {
  std::uint8_t code;
  const char* text;
};
constexpr StatusText kStatusTexts[] = {
    {kStatusNoExchange, "no exchange took place"},
    {kLineValid, "valid reply"},
    {host::kLineNoReply, "no reply from the controller in time (line state 2)"},
    {kLineMalformed,
     "the controller's reply was malformed, or a totals query found a volume total of 0 "
     "(status 3)"},
    {host::kLineIncomplete,
     "the controller's reply was incomplete or failed its checksum (line state 4)"},
    {kStatusStartRefused, "the controller refused the start (status 0x10)"},
    {kStatusPrepareRefused, "the controller refused the preparation step 'U' (status 0x11)"},
    {kStatusVolumeRefused, "the controller refused the volume preset (status 0x12)"},
    {kStatusMoneyRefused, "the controller refused the money preset (status 0x13)"},
    {kStatusStopRefused, "the controller refused the stop (status 0x14)"},
    {kStatusPriceRefused, "the controller refused the price (status 0x15)"},
    {kStatusParamRefused, "the controller refused the parameter read or write (status 0x17)"},
    {kStatusAddressRefused, "the controller refused the address (status 0x18)"},
    {kStatusDeliveryRefused, "the controller refused the volume query (status 0x19)"},
};
}  // namespace

std::string StatusMessage(std::uint8_t status) {
  for (const StatusText& entry : kStatusTexts) {
    if (entry.code == status) return entry.text;
  }
  return "channel status " + ByteHex(status);
}

}  // namespace kavo5000::tool
