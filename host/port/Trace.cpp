// Trace.cpp — exchange records as JSON lines.
#include "Trace.h"

#include <cstdio>
#include <stdexcept>

#include "Hex.h"

namespace kavo5000::host {

namespace {
std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}
}  // namespace

std::string ToJsonLine(const ExchangeRecord& r) {
  // Every string here is hex digits or one of the port's own verdict words:
  // nothing needs escaping.
  return "{\"t\":" + Fixed(r.time, 6) + ",\"channel\":" + std::to_string(r.channel) +
         ",\"frame\":\"" + wire::Hex(r.frame) + "\",\"received\":\"" + wire::Hex(r.received) +
         "\",\"reply\":\"" + wire::Hex(r.reply) + "\",\"verdict\":\"" + r.verdict +
         "\",\"state\":" + std::to_string(r.lineState) +
         ",\"error\":" + std::to_string(r.lineError) + ",\"result\":" + std::to_string(r.result) +
         ",\"ms\":" + Fixed(r.milliseconds, 3) + "}";
}

TraceFile::TraceFile(const std::string& path) : out_(path, std::ios::app) {
  if (!out_) throw std::runtime_error("cannot open trace file " + path);
}

void TraceFile::Write(const ExchangeRecord& record) {
  std::lock_guard lock(mutex_);
  out_ << ToJsonLine(record) << '\n';
  out_.flush();
}

}  // namespace kavo5000::host
