// Trace.h — one exchange as the port saw it (frame out, bytes back, what the
// driver's check made of them), and the JSON-lines file that records them.
#ifndef KAVO5000_HOST_TRACE_H
#define KAVO5000_HOST_TRACE_H

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace kavo5000::host {

struct ExchangeRecord {
  double time = 0;  // seconds on a monotonic clock, when the frame went out
  std::uint8_t channel = 0;
  std::vector<std::uint8_t> frame;
  std::vector<std::uint8_t> received;  // every byte that came back, as it came
  std::vector<std::uint8_t> reply;     // what the check left in the buffer
  std::string verdict;                 // "valid", "no reply", "bad checksum", …
  std::uint8_t lineState = 0;
  std::int32_t lineError = 0;
  std::int32_t result = 0;  // what Send returned
  double milliseconds = 0;  // from writing the frame to the end of the exchange
};

// The record as one JSON object on one line (no newline).
std::string ToJsonLine(const ExchangeRecord& record);

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
