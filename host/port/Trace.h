// Trace.h — one exchange as the port saw it (frame out, bytes back, what the
// driver's check made of them), and the JSON-lines file that records them and
// reads them back. Each line carries both a monotonic time (for intervals)
// and the wall-clock time in UTC (to join a trace with other programs' logs),
// and the caller's context (the tool's subcommand), so traces of several
// runs or programs can be laid side by side.
#ifndef KAVO5000_HOST_TRACE_H
#define KAVO5000_HOST_TRACE_H

#include <chrono>
#include <cstdint>
#include <fstream>
#include <istream>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ExchangeVerdict.h"

namespace kavo5000::host {

using WallTime = std::chrono::system_clock::time_point;

struct ExchangeRecord {
  double time = 0;               // seconds on a monotonic clock, when the frame went out
  std::optional<WallTime> wall;  // the same moment by the wall clock (absent in old traces)
  std::uint8_t channel = 0;
  std::string command;  // the caller's context, e.g. the tool's subcommand
  std::vector<std::uint8_t> frame;
  std::vector<std::uint8_t> received;  // every byte that came back, as it came
  std::vector<std::uint8_t> reply;     // what the check left in the buffer
  // What the port made of it; a record that says nothing of a reply awaited none.
  ExchangeVerdict verdict = ExchangeVerdict::kNotAwaited;
  std::uint8_t lineState = 0;
  std::int32_t lineError = 0;
  std::int32_t result = 0;  // what Send returned
  double milliseconds = 0;  // from writing the frame to the end of the exchange
};

// A trace line that cannot be read back; what() names the line and the fault.
class TraceFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "2026-12-08T04:31:02.123Z": ISO 8601, UTC, milliseconds (truncated).
std::string FormatWallTime(WallTime time);
// The time back from exactly that form, or nothing.
std::optional<WallTime> ParseWallTime(std::string_view text);

// The record as one JSON object on one line (no newline).
std::string ToJsonLine(const ExchangeRecord& record);
// One line back into a record. Throws TraceFormatError saying what is wrong
// (not JSON, a field missing or of the wrong kind, bytes that are not hex).
// "wall" and "command" may be absent: traces from before they were written.
ExchangeRecord FromJsonLine(std::string_view line);

// Every record of a trace, in order; blank lines are skipped. Throws
// TraceFormatError naming the first bad line's number (from 1), and for a
// file that cannot be opened.
std::vector<ExchangeRecord> ReadTrace(std::istream& in, const std::string& name = "trace");
std::vector<ExchangeRecord> ReadTrace(const std::string& path);

// Appends records to a file, one line each; safe to call from several threads.
class TraceFile {
 public:
  // Throws std::runtime_error when the file cannot be opened.
  explicit TraceFile(const std::string& path);
  void Write(const ExchangeRecord& record);

 private:
  std::mutex mutex_;
  std::ofstream out_;
};

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_TRACE_H
