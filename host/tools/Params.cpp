// Params.cpp — a controller's parameters as a technician works with them:
// the catalogue listed (`params list`), every parameter of a nozzle address
// read (`params read`), one read or written by host number or by address and
// code with values in the parameter's unit (`param get`, `param set`), the
// common switches (`switch`) and the calibration coefficient (`calibrate`).
// All go through the driver's host slots.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "Checks.h"
#include "Commands.h"
#include "ParamLimits.h"
#include "ParameterUnit.h"
#include "RowTexts.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {

constexpr int kBarWidth = 30;
constexpr std::size_t kMaxValueColumn = 48;  // longer values push their name further right
constexpr int kSilentRowsToGiveUp = 3;       // a dead address stops `params read` after these
constexpr std::int32_t kNoValue = -1;

// Display columns of UTF-8 text: one per code point.
std::size_t Columns(const std::string& text) {
  constexpr unsigned char kContinuationMask = 0xC0;
  constexpr unsigned char kContinuationBits = 0x80;
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & kContinuationMask) != kContinuationBits ? 1 : 0;
  return n;
}

std::string Padded(const std::string& text, std::size_t width) {
  const std::size_t used = Columns(text);
  return used >= width ? text + " " : text + std::string(width - used, ' ');
}

void Progress(std::size_t done, std::size_t total) {
  const std::size_t filled = total == 0 ? 0 : done * kBarWidth / total;
  std::fprintf(stderr, "\r[%s%s] %zu/%zu", std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, '.').c_str(), done, total);
  std::fflush(stderr);
}

// The first line of a catalogue name (the choices follow on further lines).
std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

// Where a nozzle address sits for the host: a dispenser's nozzle.
struct HostNozzle {
  int dispenser;
  int nozzle;
};
HostNozzle FromAddress(int address, int perDispenser) {
  if (perDispenser <= 0) throw UsageError("the configuration byte gives no nozzles per dispenser");
  if (address < 1 || address > perDispenser * kavo5000::kLastDispenser) {
    throw UsageError("--address must be 1.." +
                     std::to_string(perDispenser * kavo5000::kLastDispenser) + " with " +
                     std::to_string(perDispenser) + " nozzles per dispenser");
  }
  return {(address - 1) / perDispenser + 1, (address - 1) % perDispenser + 1};
}

// The value text params read shows: the catalogue's text and the unit.
std::string ValueText(const catalogue::CParameter& row, std::int32_t raw) {
  std::string value = row.ValueToText(raw, catalogue::NumberFormat::User());
  if (!row.Units.empty()) value += " " + row.Units;
  return value;
}

// A read through GetParam; the failure named from the exchanges.
std::int32_t ReadParameter(Session& s, int dispenser, std::int32_t number) {
  std::int32_t raw = kNoValue;
  Guarded(s, "parameter read", [&] { raw = s.driver().GetParam(s.channel(), dispenser, number); });
  s.Expect("parameter read");
  if (raw < 0) throw ToolError("parameter read: no value in the reply");
  return raw;
}

// The code --code gives, or the one --name names; UsageError for neither,
// both, or a name that is not one parameter's.
int CodeOf(const CommandValues& v) {
  if (v.code && v.name) throw UsageError("give --code or --name, not both");
  if (v.code) return *v.code;
  if (!v.name) throw UsageError("needs --code C or --name TEXT");
  const CodeByName found = FindCodeByName(*v.name);
  if (!found.code) throw UsageError(found.error);
  return *found.code;
}

const catalogue::CParameter& RowOf(int code) {
  const catalogue::CParameter* row = ParameterRow(code);
  if (row == nullptr) {
    throw UsageError("--code " + std::to_string(code) +
                     " is no controller parameter (kavo5000 params list shows them)");
  }
  return *row;
}

}  // namespace

int RunParamsList(const CommandValues& v) {
  const catalogue::CTRKParameters& table = Catalogue();
  const catalogue::NumberFormat format = catalogue::NumberFormat::User();
  nlohmann::json rows = nlohmann::json::array();
  for (std::int32_t i = 0; i < table.Count(); ++i) {
    const catalogue::CParameter& row = table.Item(i);
    const auto family = catalogue::CommandFamilyOf(row.Kind);
    const char* what = family == catalogue::CommandFamily::Parameter       ? "parameter"
                       : family == catalogue::CommandFamily::CommonCommand ? "switch"
                                                                           : "address";
    const std::string limits = catalogue::GetLimitsText(row, format);
    if (v.json) {
      rows.push_back({{"kind", what},
                      {"code", row.Code},
                      {"name", row.Name},
                      {"units", row.Units},
                      {"digits", row.Digits},
                      {"decimals", row.Decimals},
                      {"min", row.MinValue},
                      {"max", row.MaxValue},
                      {"limits", limits},
                      {"choices", row.Choices}});
      continue;
    }
    std::printf("%-9s %2d  %s%s\n", what, row.Code, row.Name.c_str(),
                row.Units.empty() ? "" : (" [" + row.Units + "]").c_str());
    std::printf("             limits: %s\n", limits.c_str());
    for (const std::string& choice : row.Choices) std::printf("             %s\n", choice.c_str());
  }
  if (v.json) std::printf("%s\n", rows.dump(2).c_str());
  return kExitOk;
}

int RunParamsRead(Session& s, const CommandValues& v) {
  const int perDispenser = s.nozzles();
  const int address = v.address.value_or(0);
  const HostNozzle at = FromAddress(address, perDispenser);
  const catalogue::CTRKParameters& table = Catalogue();
  std::vector<const catalogue::CParameter*> rows;
  for (std::int32_t i = 0; i < table.Count(); ++i) {
    const catalogue::CParameter& row = table.Item(i);
    if (catalogue::CommandFamilyOf(row.Kind) == catalogue::CommandFamily::Parameter)
      rows.push_back(&row);
  }
  const bool bar = isatty(STDERR_FILENO) != 0;

  std::printf(
      "nozzle address %d (dispenser %d, nozzle %d with %d nozzles per dispenser), %zu parameters\n",
      address, at.dispenser, at.nozzle, perDispenser, rows.size());
  std::vector<std::string> values;
  std::size_t failed = 0;
  int silentInARow = 0;
  std::string stopped;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (bar) Progress(i, rows.size());
    const catalogue::CParameter& row = *rows[i];
    std::string value;
    try {
      value = ValueText(row, ReadParameter(s, at.dispenser, HostParamNumber(at.nozzle, row.Code)));
      silentInARow = 0;
    } catch (const LineError& e) {
      // The port itself failed (an adapter unplugged, a connection closed):
      // no row after this one can be read, and silence is not the reason.
      ++failed;
      values.push_back(std::string("read failed: ") + e.what());
      stopped = "the line failed at code " + std::to_string(row.Code) + " (" + s.PortReason() +
                "); the rows after it were not read";
      break;
    } catch (const std::exception& e) {
      ++failed;
      value = std::string("read failed: ") + e.what();
      const bool silent = !s.Exchanges().empty() && s.Exchanges().back().received.empty();
      silentInARow = silent ? silentInARow + 1 : 0;
    }
    values.push_back(value);
    if (silentInARow >= kSilentRowsToGiveUp && !v.keepGoing) {
      stopped = "no controller answers at nozzle address " + std::to_string(address) + " (" +
                std::to_string(kSilentRowsToGiveUp) +
                " silent rows in a row); --keep-going reads on";
      break;
    }
  }
  if (bar) std::fprintf(stderr, "\r%*s\r", kBarWidth + 12, "");
  std::size_t width = 0;
  for (const std::string& value : values)
    width = std::max(width, std::min(Columns(value), kMaxValueColumn));
  width += 2;
  std::printf("%4s  %s%s\n", "code", Padded("value", width).c_str(), "name");
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::printf("%4d  %s%s\n", rows[i]->Code, Padded(values[i], width).c_str(),
                FirstLine(rows[i]->Name).c_str());
  }
  if (!stopped.empty()) throw ToolError(stopped);
  if (failed != 0) {
    throw ToolError(std::to_string(failed) + " of " + std::to_string(rows.size()) +
                    " parameters could not be read");
  }
  return kExitOk;
}

int RunParamGet(Session& s, const CommandValues& v) {
  if (v.address || v.code || v.name) {
    if (!v.address || (!v.code && !v.name)) {
      throw UsageError("param get needs both --address V and --code C (or --name TEXT)");
    }
    const int code = CodeOf(v);
    const HostNozzle at = FromAddress(*v.address, s.nozzles());
    const catalogue::CParameter& row = RowOf(code);
    const std::int32_t raw = ReadParameter(s, at.dispenser, HostParamNumber(at.nozzle, code));
    std::printf("nozzle address %d (dispenser %d, nozzle %d) code %d: %s  %s\n", *v.address,
                at.dispenser, at.nozzle, code, ValueText(row, raw).c_str(),
                FirstLine(row.Name).c_str());
    return kExitOk;
  }
  const std::int32_t number = v.number;
  if (const auto refusal = ParamNumberRefusal(v.dispenser, number, s.nozzles())) {
    throw UsageError(*refusal);
  }
  if (number < kParamFirstNozzle) {
    throw ToolError("parameter " + std::to_string(number) +
                    " cannot be read: 0..9 are only written");
  }
  const std::int32_t raw = ReadParameter(s, v.dispenser, number);
  const NozzleParamNumber split = SplitHostParamNumber(number);
  const int index = split.Index;
  std::string shown = std::to_string(raw);
  if (const catalogue::CParameter* row = ParameterRow(index)) {
    shown = ValueText(*row, raw) + "  " + FirstLine(row->Name);
  }
  std::printf("dispenser %d parameter %d (nozzle %d, index %d): %s\n", v.dispenser, number,
              split.Nozzle, index, shown.c_str());
  return kExitOk;
}

int RunParamSetAt(Session& s, const CommandValues& v) {
  if (!v.address || (!v.code && !v.name)) {
    throw UsageError("param set needs both --address V and --code C (or --name TEXT)");
  }
  const int code = CodeOf(v);
  const HostNozzle at = FromAddress(*v.address, s.nozzles());
  const catalogue::CParameter& row = RowOf(code);
  const RawValue value = RawFromText(row, v.value);
  if (!value.raw) {
    throw UsageError("code " + std::to_string(code) + " (" + FirstLine(row.Name) +
                     "): " + value.error + "; nothing was sent");
  }
  Guarded(s, "parameter write", [&] {
    s.driver().SetParam(s.channel(), at.dispenser, HostParamNumber(at.nozzle, code), *value.raw);
  });
  s.Expect("parameter write", Refusals::kFail);
  std::printf("nozzle address %d code %d set to %s (raw %d)  %s\n", *v.address, code,
              ValueText(row, *value.raw).c_str(), *value.raw, FirstLine(row.Name).c_str());
  return kExitOk;
}

int RunSwitch(Session& s, const CommandValues& v) {
  CommandValues set = v;
  set.dispenser = 1;  // the switches go to the whole line; the dispenser is only checked
  return RunParamSet(s, set);
}

int RunCalibrate(Session& s, const CommandValues& v) {
  CheckPlace(s, v.dispenser, v.nozzle);
  const std::int32_t coefficient = v.number;
  if (const auto refusal =
          ParamValueRefusal(HostParamNumber(v.nozzle, catalogue::kCoefficientIndex), coefficient)) {
    throw UsageError(*refusal);
  }
  // The controller's own order: the password, then the coefficient it opens.
  constexpr std::array<const char*, catalogue::kCalibrationWriteCount> kWhat = {
      "calibration password", "calibration coefficient"};
  const auto writes = catalogue::CalibrationWrites(coefficient);
  for (std::size_t i = 0; i < writes.size(); ++i) {
    Guarded(s, kWhat[i], [&] {
      s.driver().SetParam(s.channel(), v.dispenser, HostParamNumber(v.nozzle, writes[i].Index),
                          writes[i].Value);
    });
    s.Expect(kWhat[i], Refusals::kFail);
  }
  const std::int32_t confirmation =
      ReadParameter(s, v.dispenser, HostParamNumber(v.nozzle, catalogue::kConfirmationIndex));
  std::printf("dispenser %d nozzle %d: calibration coefficient %d written; confirmation %d\n",
              v.dispenser, v.nozzle, coefficient, confirmation);
  return kExitOk;
}

}  // namespace kavo5000::tool
