// Text.cpp — wording of codes and amounts.
#include "Text.h"

#include "HostText.h"
#include "LineHostPort.h"
#include "StatusWords.h"
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

std::string StatusMessage(std::uint8_t status) {
  return host::StatusText(status, host::Language::kEnglish);
}

}  // namespace kavo5000::tool
