// Trace.cpp — exchange records as JSON lines, written and read back.
#include "Trace.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <nlohmann/json.hpp>

#include "Hex.h"

namespace kavo5000::host {

namespace {

using Json = nlohmann::ordered_json;

constexpr double kMicrosPerSecond = 1e6;  // "t" keeps microseconds
constexpr double kMicrosPerMilli = 1e3;   // "ms" keeps microseconds
constexpr int kEpochYear = 1900;          // struct tm counts years from here
constexpr std::size_t kWallLength = 24;   // "2026-12-08T04:31:02.123Z"
constexpr std::size_t kWallBuffer = 64;   // room for any year snprintf might write
constexpr int kLastMonth = 12;
constexpr int kLastDay = 31;
constexpr int kLastHour = 23;
constexpr int kLastMinute = 59;
constexpr int kLastSecond = 60;  // a leap second

double Rounded(double value, double scale) {
  return std::round(value * scale) / scale;
}

// A field the reader insists on, with the kind of value it must have.
const Json& Field(const Json& object, const char* name) {
  const auto it = object.find(name);
  if (it == object.end()) throw TraceFormatError(std::string("no \"") + name + "\"");
  return *it;
}

std::string Text(const Json& object, const char* name) {
  const Json& v = Field(object, name);
  if (!v.is_string()) throw TraceFormatError(std::string("\"") + name + "\" is not a string");
  return v.get<std::string>();
}

double Number(const Json& object, const char* name) {
  const Json& v = Field(object, name);
  if (!v.is_number()) throw TraceFormatError(std::string("\"") + name + "\" is not a number");
  return v.get<double>();
}

std::int64_t Whole(const Json& object, const char* name, std::int64_t low, std::int64_t high) {
  const Json& v = Field(object, name);
  if (!v.is_number_integer() || v.get<std::int64_t>() < low || v.get<std::int64_t>() > high) {
    throw TraceFormatError(std::string("\"") + name + "\" is not a whole number in " +
                           std::to_string(low) + ".." + std::to_string(high));
  }
  return v.get<std::int64_t>();
}

std::vector<std::uint8_t> Bytes(const Json& object, const char* name) {
  const auto bytes = wire::ParseHex(Text(object, name));
  if (!bytes) throw TraceFormatError(std::string("\"") + name + "\" is not hex bytes");
  return *bytes;
}

}  // namespace

std::string FormatWallTime(WallTime time) {
  const auto ms = std::chrono::floor<std::chrono::milliseconds>(time.time_since_epoch());
  const auto seconds = std::chrono::floor<std::chrono::seconds>(ms);
  const std::time_t whole = static_cast<std::time_t>(seconds.count());
  std::tm utc{};
  gmtime_r(&whole, &utc);
  char text[kWallBuffer];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + kEpochYear,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>((ms - seconds).count()));
  return text;
}

std::optional<WallTime> ParseWallTime(std::string_view text) {
  if (text.size() != kWallLength) return std::nullopt;
  const std::string copy(text);
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milli = 0;
  char zone = 0;
  int length = 0;
  if (std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c%n", &year, &month, &day, &hour,
                  &minute, &second, &milli, &zone, &length) != 8 ||
      zone != 'Z' || length != static_cast<int>(copy.size()) || month < 1 || month > kLastMonth ||
      day < 1 || day > kLastDay || hour > kLastHour || minute > kLastMinute ||
      second > kLastSecond || hour < 0 || minute < 0 || second < 0 || milli < 0) {
    return std::nullopt;
  }
  std::tm utc{};
  utc.tm_year = year - kEpochYear;
  utc.tm_mon = month - 1;
  utc.tm_mday = day;
  utc.tm_hour = hour;
  utc.tm_min = minute;
  utc.tm_sec = second;
  const std::time_t whole = timegm(&utc);
  return WallTime(std::chrono::seconds(whole)) + std::chrono::milliseconds(milli);
}

std::string ToJsonLine(const ExchangeRecord& r) {
  Json line;
  line["t"] = Rounded(r.time, kMicrosPerSecond);
  if (r.wall) line["wall"] = FormatWallTime(*r.wall);
  line["channel"] = r.channel;
  line["command"] = r.command;
  line["frame"] = wire::Hex(r.frame);
  line["received"] = wire::Hex(r.received);
  line["reply"] = wire::Hex(r.reply);
  line["verdict"] = std::string(VerdictText(r.verdict));
  line["state"] = r.lineState;
  line["error"] = r.lineError;
  line["result"] = r.result;
  line["ms"] = Rounded(r.milliseconds, kMicrosPerMilli);
  // The context is the caller's text: a byte that is no UTF-8 becomes U+FFFD
  // rather than costing the exchange its line.
  return line.dump(-1, ' ', false, Json::error_handler_t::replace);
}

ExchangeRecord FromJsonLine(std::string_view text) {
  Json line;
  try {
    line = Json::parse(text);
  } catch (const Json::parse_error& e) {
    throw TraceFormatError(std::string("not JSON (") + e.what() + ")");
  }
  if (!line.is_object()) throw TraceFormatError("not a JSON object");
  ExchangeRecord r;
  r.time = Number(line, "t");
  if (line.contains("wall")) {
    r.wall = ParseWallTime(Text(line, "wall"));
    if (!r.wall) throw TraceFormatError("\"wall\" is not a time like 2026-12-08T04:31:02.123Z");
  }
  r.channel = static_cast<std::uint8_t>(Whole(line, "channel", 0, 255));
  if (line.contains("command")) r.command = Text(line, "command");
  r.frame = Bytes(line, "frame");
  r.received = Bytes(line, "received");
  r.reply = Bytes(line, "reply");
  const std::optional<ExchangeVerdict> verdict = VerdictFromText(Text(line, "verdict"));
  if (!verdict) throw TraceFormatError("\"verdict\" is not one the port writes");
  r.verdict = *verdict;
  r.lineState = static_cast<std::uint8_t>(Whole(line, "state", 0, 255));
  r.lineError =
      static_cast<std::int32_t>(Whole(line, "error", std::numeric_limits<std::int32_t>::min(),
                                      std::numeric_limits<std::int32_t>::max()));
  r.result =
      static_cast<std::int32_t>(Whole(line, "result", std::numeric_limits<std::int32_t>::min(),
                                      std::numeric_limits<std::int32_t>::max()));
  r.milliseconds = Number(line, "ms");
  return r;
}

std::vector<ExchangeRecord> ReadTrace(std::istream& in, const std::string& name) {
  std::vector<ExchangeRecord> records;
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    try {
      records.push_back(FromJsonLine(line));
    } catch (const TraceFormatError& e) {
      throw TraceFormatError(name + " line " + std::to_string(number) + ": " + e.what());
    }
  }
  return records;
}

std::vector<ExchangeRecord> ReadTrace(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw TraceFormatError("cannot open trace file " + path);
  return ReadTrace(in, path);
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
