// ScanProgress.cpp — the scan's progress line on a terminal and its closing
// note on identification numbers.
#include "ScanProgress.h"

namespace kavo5000::tool {

namespace {
constexpr const char* kEraseLine = "\r\x1b[K";  // back to column 0, clear to the end
}  // namespace

const char* const kScanIdentificationNote =
    "identification numbers: no command of the line returns one; `kavo5000 switch 1 1` shows "
    "each controller's with its address on its dispenser's display, `switch 1 0` ends it";

std::string ScanProgressLine(int address, int first, int last, bool terminal) {
  if (!terminal) return {};
  return std::string(kEraseLine) + "scanning address " + std::to_string(address) + " (" +
         std::to_string(address - first + 1) + " of " + std::to_string(last - first + 1) + ")";
}

std::string ScanProgressClear(bool terminal) {
  return terminal ? kEraseLine : "";
}

}  // namespace kavo5000::tool
