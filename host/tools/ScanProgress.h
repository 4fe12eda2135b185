// ScanProgress.h — what `kavo5000 scan` writes on stderr while it asks the
// addresses of its range: a line redrawn in place on a terminal, so that a
// technician sees the scan move over silent addresses, and nothing where
// stderr is a file or a pipe, so that logs and scripts keep only the result.
#ifndef KAVO5000_TOOL_SCANPROGRESS_H
#define KAVO5000_TOOL_SCANPROGRESS_H

#include <string>

namespace kavo5000::tool {

// Redraws the progress line before nozzle address `address` of first..last
// is asked: "scanning address 17 (17 of 64)".
std::string ScanProgressLine(int address, int first, int last, bool terminal);
// Clears the progress line, before a result line and at the end of the scan.
std::string ScanProgressClear(bool terminal);

// The scan's last line: why it lists no identification numbers and how a
// technician reads them on the dispensers.
extern const char* const kScanIdentificationNote;

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_SCANPROGRESS_H
