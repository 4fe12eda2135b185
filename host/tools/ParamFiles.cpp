// ParamFiles.cpp — a nozzle's whole parameter set as a file, for cloning a
// set-up across nozzles: `params save D N FILE` reads every parameter into
// JSON (code, name, raw value, text), `params load D N FILE [--dry-run]`
// writes only what differs, each write confirmed by reading it back, and
// `params diff D N FILE` compares without writing.
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "ParamLimits.h"
#include "ParameterUnit.h"

namespace kavo5000::tool {

namespace {

constexpr int kJsonIndent = 2;
constexpr std::string_view kReadOnlyPrefix = "Чтение";  // "reading …": the controller's to set
// Codes whose write does more than store a value: the calibration password,
// the coefficient behind it (kavo5000 calibrate) and the error reset.
constexpr int kSideEffectCodes[] = {26, 27, 40};

struct Entry {
  int code;
  std::int32_t raw;
};

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

std::string TextOf(const catalogue::CParameter& row, std::int32_t raw) {
  std::string text = row.ValueToText(raw, catalogue::NumberFormat::User());
  if (!row.Units.empty()) text += " " + row.Units;
  return text;
}

// Why a row is not written back, or nothing.
std::optional<std::string> NotWritten(const catalogue::CParameter& row) {
  if (row.Name.rfind(kReadOnlyPrefix, 0) == 0) return "read-only";
  for (int code : kSideEffectCodes) {
    if (row.Code == code) return "written by its own sequence";
  }
  return std::nullopt;
}

std::int32_t Read(Session& s, int dispenser, int nozzle, int code) {
  std::int32_t raw = -1;
  Guarded(s, "parameter read", [&] {
    raw = s.driver().GetParam(s.channel(), dispenser, HostParamNumber(nozzle, code));
  });
  s.Expect("parameter read of code " + std::to_string(code));
  if (raw < 0) throw ToolError("parameter read of code " + std::to_string(code) + ": no value");
  return raw;
}

std::vector<Entry> LoadFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw ToolError(path + ": cannot be read");
  std::vector<Entry> entries;
  try {
    const nlohmann::json file = nlohmann::json::parse(in);
    for (const nlohmann::json& p : file.at("parameters")) {
      entries.push_back({p.at("code").get<int>(), p.at("raw").get<std::int32_t>()});
    }
  } catch (const nlohmann::json::parse_error& e) {
    throw ToolError(path + ": not a parameter set of kavo5000 params save: not JSON (it goes " +
                    "wrong at byte " + std::to_string(e.byte) + ")");
  } catch (const nlohmann::json::exception&) {
    throw ToolError(path +
                    ": not a parameter set of kavo5000 params save: it needs \"parameters\", "
                    "a list of {\"code\": C, \"raw\": R}");
  }
  for (const Entry& e : entries) {
    if (ParameterRow(e.code) == nullptr) {
      throw ToolError(path + ": code " + std::to_string(e.code) + " is no controller parameter");
    }
  }
  return entries;
}

}  // namespace

int RunParamsSave(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  const int n = v.nozzle == 0 ? 1 : v.nozzle;
  nlohmann::json rows = nlohmann::json::array();
  const catalogue::CTRKParameters& table = Catalogue();
  for (std::int32_t i = 0; i < table.Count(); ++i) {
    const catalogue::CParameter& row = table.Item(i);
    if (catalogue::CommandFamilyOf(row.Kind) != catalogue::CommandFamily::Parameter) continue;
    // A set with a row missing would clone a different set-up: all or none.
    const std::int32_t raw = Read(s, v.dispenser, n, row.Code);
    rows.push_back({{"code", row.Code},
                    {"name", FirstLine(row.Name)},
                    {"raw", raw},
                    {"text", TextOf(row, raw)}});
  }
  const nlohmann::json file = {{"dispenser", v.dispenser}, {"nozzle", n}, {"parameters", rows}};
  std::ofstream out(v.value);
  out << file.dump(kJsonIndent) << "\n";
  if (!out) throw ToolError(v.value + ": cannot be written");
  std::printf("dispenser %d nozzle %d: %zu parameters saved to %s\n", v.dispenser, n, rows.size(),
              v.value.c_str());
  return kExitOk;
}

int RunParamsDiff(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  const int n = v.nozzle == 0 ? 1 : v.nozzle;
  const std::vector<Entry> entries = LoadFile(v.value);
  int differ = 0;
  for (const Entry& e : entries) {
    const catalogue::CParameter& row = *ParameterRow(e.code);
    const std::int32_t now = Read(s, v.dispenser, n, e.code);
    if (now == e.raw) continue;
    ++differ;
    std::printf("  code %2d  file %s (raw %d)  controller %s (raw %d)  %s\n", e.code,
                TextOf(row, e.raw).c_str(), e.raw, TextOf(row, now).c_str(), now,
                FirstLine(row.Name).c_str());
  }
  std::printf("dispenser %d nozzle %d: %d of %zu parameters differ from %s\n", v.dispenser, n,
              differ, entries.size(), v.value.c_str());
  // As diff(1) does: a script learns from the exit code whether they match.
  return differ == 0 ? kExitOk : kExitFailure;
}

int RunParamsLoad(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  const int n = v.nozzle == 0 ? 1 : v.nozzle;
  const std::vector<Entry> entries = LoadFile(v.value);
  int written = 0;
  int skipped = 0;
  int same = 0;
  for (const Entry& e : entries) {
    const catalogue::CParameter& row = *ParameterRow(e.code);
    const std::int32_t now = Read(s, v.dispenser, n, e.code);
    if (now == e.raw) {
      ++same;
      continue;
    }
    if (const auto why = NotWritten(row)) {
      ++skipped;
      std::printf("  code %2d  skipped (%s)  %s\n", e.code, why->c_str(),
                  FirstLine(row.Name).c_str());
      continue;
    }
    const std::int32_t number = HostParamNumber(n, e.code);
    if (const auto refusal = ParamValueRefusal(number, e.raw)) throw UsageError(*refusal);
    if (v.dryRun) {
      ++written;
      std::printf("  code %2d  would write %s (now %s)  %s\n", e.code, TextOf(row, e.raw).c_str(),
                  TextOf(row, now).c_str(), FirstLine(row.Name).c_str());
      continue;
    }
    Guarded(s, "parameter write",
            [&] { s.driver().SetParam(s.channel(), v.dispenser, number, e.raw); });
    s.Expect("parameter write of code " + std::to_string(e.code), Refusals::kFail);
    const std::int32_t back = Read(s, v.dispenser, n, e.code);
    if (back != e.raw) {
      throw ToolError("code " + std::to_string(e.code) + ": wrote raw " + std::to_string(e.raw) +
                      " but read back " + std::to_string(back));
    }
    ++written;
    std::printf("  code %2d  written %s (read back)  %s\n", e.code, TextOf(row, e.raw).c_str(),
                FirstLine(row.Name).c_str());
  }
  std::printf("dispenser %d nozzle %d: %d %s, %d skipped, %d already as in %s\n", v.dispenser, n,
              written, v.dryRun ? "would be written" : "written", skipped, same, v.value.c_str());
  return kExitOk;
}

}  // namespace kavo5000::tool
