// MonitorReport.cpp — the monitor's lines and its summary.
#include "MonitorReport.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "Decode.h"
#include "Hex.h"

namespace kavo5000::monitor {

namespace {
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr std::size_t kFigureSize = 32;  // "after 12345.6 ms" with room to spare

std::string Trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : line.substr(first);
}

const char* DirectionWords(const BusEvent& e) {
  if (e.kind == BusEvent::Kind::kUnanswered) return "none";
  switch (DirectionOf(e.unit.kind)) {
    case Direction::kToControllers:
      return "host";
    case Direction::kToHost:
      return "controller";
    case Direction::kUnknown:
      break;
  }
  return "unknown";
}

std::string Milliseconds(double seconds) {
  char text[kFigureSize];
  std::snprintf(text, sizeof text, "%.1f", seconds * kMillisecondsPerSecond);
  return text;
}

// "nozzle address 3 '1'", "'W'": whom a command went to and what it asked.
std::string CommandWords(const BusEvent& e) {
  std::string words = e.nozzle ? "nozzle address " + std::to_string(*e.nozzle) : "";
  if (e.command && *e.command != 0) {
    if (!words.empty()) words += " ";
    words += "'" + std::string(1, static_cast<char>(*e.command)) + "'";
  }
  return words;
}

std::string Joined(const std::vector<std::string>& lines, const char* between) {
  std::string out;
  for (const std::string& line : lines) out += (out.empty() ? "" : between) + line;
  return out;
}

std::vector<std::string> ProblemList(const BusEvent& e) {
  std::vector<std::string> out;
  for (BusProblem p : e.problems) out.emplace_back(ProblemWords(p));
  return out;
}
}  // namespace

void BusSummary::Count(const BusEvent& event) {
  for (BusProblem p : event.problems) ++problems[static_cast<std::size_t>(p)];
  if (event.kind == BusEvent::Kind::kUnanswered) {
    if (event.nozzle) ++unansweredByAddress[*event.nozzle];
    return;
  }
  if (event.unit.kind == UnitKind::kFrame) {
    ++frames;
    if (event.nozzle) ++framesByAddress[*event.nozzle];
  } else if (event.unit.kind == UnitKind::kReply) {
    ++replies;
    if (event.answers) ++exchanges;
  }
}

std::vector<std::string> DecodedLines(const BusEvent& event) {
  std::vector<std::string> out;
  if (event.kind == BusEvent::Kind::kUnanswered) return out;
  for (const std::string& line : wire::Decode(event.unit.bytes)) out.push_back(Trimmed(line));
  if (event.answers) {
    for (const std::string& line :
         wire::ReplyMeaning(event.answeredFrame, event.unit.bytes, event.dispenserType)) {
      out.push_back(Trimmed(line));
    }
  }
  return out;
}

std::string EventText(const BusEvent& event, host::WallTime when) {
  std::string line = host::FormatWallTime(when) + "  ";
  char direction[kFigureSize];
  std::snprintf(direction, sizeof direction, "%-10s #%zu ", DirectionWords(event), event.number);
  line += direction;
  if (event.kind == BusEvent::Kind::kUnanswered) {
    line += "unanswered: " + CommandWords(event) + " got no reply";
  } else {
    if (event.answers) {
      line += "answers #" + std::to_string(*event.answers) + " (" + CommandWords(event) +
              ") after " + Milliseconds(event.delay.value_or(0)) + " ms: ";
    }
    line += Joined(DecodedLines(event), "; ");
  }
  if (!event.problems.empty()) line += "  [" + Joined(ProblemList(event), ", ") + "]";
  return line;
}

std::string EventJson(const BusEvent& event, host::WallTime when) {
  nlohmann::json j;
  j["time"] = host::FormatWallTime(when);
  j["number"] = event.number;
  j["direction"] = DirectionWords(event);
  if (event.kind == BusEvent::Kind::kUnanswered) {
    j["kind"] = "unanswered";
  } else {
    j["kind"] = event.unit.kind == UnitKind::kFrame   ? "frame"
                : event.unit.kind == UnitKind::kReply ? "reply"
                                                      : "stray";
    j["bytes"] = wire::Hex(event.unit.bytes);
    j["decoded"] = DecodedLines(event);
  }
  if (event.nozzle) j["nozzle"] = *event.nozzle;
  if (event.command && *event.command != 0)
    j["command"] = std::string(1, static_cast<char>(*event.command));
  if (event.answers) {
    j["answers"] = *event.answers;
    j["delay_ms"] = event.delay.value_or(0) * kMillisecondsPerSecond;
  }
  j["problems"] = ProblemList(event);
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

namespace {
std::vector<std::pair<int, std::size_t>> Busiest(const BusSummary& s) {
  std::vector<std::pair<int, std::size_t>> ranked(s.framesByAddress.begin(),
                                                  s.framesByAddress.end());
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  if (ranked.size() > kBusiestShown) ranked.resize(kBusiestShown);
  return ranked;
}

std::size_t Total(const std::map<int, std::size_t>& counts) {
  std::size_t n = 0;
  for (const auto& [address, count] : counts) n += count;
  return n;
}
}  // namespace

std::vector<std::string> SummaryText(const BusSummary& s) {
  std::vector<std::string> out;
  out.push_back("summary: " + std::to_string(s.frames) + " frames, " + std::to_string(s.replies) +
                " replies, " + std::to_string(s.exchanges) + " exchanges paired");
  std::string unanswered;
  for (const auto& [address, count] : s.unansweredByAddress) {
    unanswered += (unanswered.empty() ? "" : ", ") + std::string("nozzle address ") +
                  std::to_string(address) + ": " + std::to_string(count);
  }
  out.push_back("unanswered: " + std::to_string(Total(s.unansweredByAddress)) +
                (unanswered.empty() ? std::string() : " (" + unanswered + ")"));
  std::string problems;
  for (std::size_t k = 0; k < kProblemKinds; ++k) {
    if (s.problems[k] == 0) continue;
    problems += (problems.empty() ? "" : ", ") +
                std::string(ProblemWords(static_cast<BusProblem>(k))) + " " +
                std::to_string(s.problems[k]);
  }
  out.push_back("problems: " + (problems.empty() ? std::string("none") : problems));
  std::string busiest;
  for (const auto& [address, count] : Busiest(s)) {
    busiest += (busiest.empty() ? "" : ", ") + std::to_string(address) + " (" +
               std::to_string(count) + " frames)";
  }
  out.push_back("busiest nozzle addresses: " + (busiest.empty() ? std::string("none") : busiest));
  return out;
}

std::string SummaryJson(const BusSummary& s) {
  nlohmann::json summary;
  summary["frames"] = s.frames;
  summary["replies"] = s.replies;
  summary["exchanges"] = s.exchanges;
  nlohmann::json unanswered = nlohmann::json::object();
  for (const auto& [address, count] : s.unansweredByAddress)
    unanswered[std::to_string(address)] = count;
  summary["unanswered"] = unanswered;
  nlohmann::json problems = nlohmann::json::object();
  for (std::size_t k = 0; k < kProblemKinds; ++k) {
    if (s.problems[k] > 0)
      problems[std::string(ProblemWords(static_cast<BusProblem>(k)))] = s.problems[k];
  }
  summary["problems"] = problems;
  nlohmann::json busiest = nlohmann::json::array();
  for (const auto& [address, count] : Busiest(s))
    busiest.push_back({{"nozzle", address}, {"frames", count}});
  summary["busiest"] = busiest;
  return nlohmann::json{{"summary", summary}}.dump();
}

}  // namespace kavo5000::monitor
