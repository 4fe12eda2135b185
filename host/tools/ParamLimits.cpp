// ParamLimits.cpp — the limits of a host parameter number's value, from the
// common switches' one digit, the parameter's digits on the line and the
// catalogue's raw limits.
#include "ParamLimits.h"

#include <cctype>
#include <vector>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "ParameterUnit.h"

namespace kavo5000::tool {

namespace {

constexpr std::int32_t kLargestSwitchValue = 9;  // a common switch's value is one digit

using catalogue::kBranchRange;
using catalogue::kTemperatureOff;
using catalogue::kTemperatureRange;

std::optional<double> RealNumber(std::string text) {
  for (char& c : text) {
    if (c == ',') c = '.';  // the Russian decimal comma is as good as the point
  }
  try {
    std::size_t used = 0;
    const double x = std::stod(text, &used);
    if (used == text.size()) return x;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

std::string Outside(std::int32_t value, std::int64_t low, std::int64_t high) {
  return std::to_string(value) + " is outside " + std::to_string(low) + ".." + std::to_string(high);
}

// "0.01 to 5.00 л": the raw limits in the parameter's unit.
std::string InUnit(const catalogue::CParameter& row, std::int64_t low, std::int64_t high) {
  const auto real = [&row](std::int64_t raw) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", static_cast<int>(row.Decimals),
                  row.ToReal(static_cast<std::int32_t>(raw)));
    return std::string(text);
  };
  return real(low) + " to " + real(high) + (row.Units.empty() ? "" : " " + row.Units);
}

}  // namespace

std::optional<long long> WholeNumber(const std::string& text) {
  try {
    std::size_t used = 0;
    const long long n = std::stoll(text, &used);
    if (used == text.size()) return n;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

const catalogue::CTRKParameters& Catalogue() {
  static const catalogue::CTRKParameters* table = [] {
    auto* t = new catalogue::CTRKParameters;  // lives as long as the tool
    t->Fill();
    return t;
  }();
  return *table;
}

std::optional<std::string> ParamValueRefusal(std::int32_t number, std::int32_t value) {
  if (number < 0 || value < 0 || number == kParamAddressProgramming) return std::nullopt;
  if (number < kParamAddressProgramming) {
    if (value <= kLargestSwitchValue) return std::nullopt;
    return "common switch " + std::to_string(number) + ": " +
           Outside(value, 0, kLargestSwitchValue) + "; nothing was sent";
  }
  const NozzleParamNumber split = SplitHostParamNumber(number);
  const int index = split.Index;
  const std::string where = "parameter " + std::to_string(number) + " (nozzle " +
                            std::to_string(split.Nozzle) + ", index " + std::to_string(index);
  std::int64_t low = 0;
  std::int64_t high =
      catalogue::LargestOfDigits(catalogue::ParamDigits[static_cast<std::size_t>(index)]);
  if (const catalogue::CParameter* found = ParameterRow(index)) {
    const catalogue::CParameter& row = *found;
    low = std::max<std::int64_t>(low, row.MinValue);
    high = std::min<std::int64_t>(high, row.MaxValue);
    if (value >= low && value <= high) return std::nullopt;
    return where + ", " + row.Name + "): " + Outside(value, low, high) + " (" +
           InUnit(row, low, high) + "); nothing was sent";
  }
  if (value <= high) return std::nullopt;
  return where + "): " + Outside(value, low, high) + "; nothing was sent";
}

namespace {
// UTF-8 text with its Latin and Cyrillic capitals made small, for comparing
// names as a technician types them.
std::string FoldCase(const std::string& text) {
  constexpr unsigned char kLead = 0xD0;       // U+0400..U+043F: D0 80..D0 BF
  constexpr unsigned char kCapitalA = 0x90;   // А: D0 90
  constexpr unsigned char kCapitalPe = 0x9F;  // П: D0 9F; а..п are D0 B0..D0 BF
  constexpr unsigned char kCapitalEr = 0xA0;  // Р: D0 A0; р..я are D1 80..D1 8F
  constexpr unsigned char kCapitalYa = 0xAF;  // Я: D0 AF
  constexpr unsigned char kCapitalYo = 0x81;  // Ё: D0 81; ё is D1 91
  constexpr unsigned char kSmallLead = 0xD1;
  constexpr unsigned char kSmallOffset = 0x20;  // D0 90..9F → D0 B0..BF
  constexpr unsigned char kRowOffset = 0x20;    // D0 A0..AF → D1 80..8F
  constexpr unsigned char kSmallYo = 0x91;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c == kLead && next >= kCapitalA && next <= kCapitalPe) {
      out += static_cast<char>(kLead);
      out += static_cast<char>(next + kSmallOffset);
      ++i;
    } else if (c == kLead && next >= kCapitalEr && next <= kCapitalYa) {
      out += static_cast<char>(kSmallLead);
      out += static_cast<char>(next - kRowOffset);
      ++i;
    } else if (c == kLead && next == kCapitalYo) {
      out += static_cast<char>(kSmallLead);
      out += static_cast<char>(kSmallYo);
      ++i;
    } else {
      out += static_cast<char>(std::tolower(c));
    }
  }
  return out;
}
}  // namespace

CodeByName FindCodeByName(const std::string& text) {
  const std::string wanted = FoldCase(text);
  std::vector<const catalogue::CParameter*> found;
  const catalogue::CTRKParameters& table = Catalogue();
  for (std::int32_t i = 0; i < table.Count(); ++i) {
    const catalogue::CParameter& row = table.Item(i);
    if (catalogue::CommandFamilyOf(row.Kind) != catalogue::CommandFamily::Parameter) continue;
    if (!wanted.empty() && FoldCase(row.Name).find(wanted) != std::string::npos) {
      found.push_back(&row);
    }
  }
  if (found.size() == 1) return {found[0]->Code, {}};
  if (found.empty()) {
    return {std::nullopt, "no parameter's name holds \"" + text + "\" (kavo5000 params list)"};
  }
  std::string names;
  for (const catalogue::CParameter* row : found) {
    names += (names.empty() ? "" : "; ") + std::to_string(row->Code) + " " + row->Name;
  }
  return {std::nullopt, "\"" + text + "\" is in " + std::to_string(found.size()) + " names (" +
                            names + "): give more of the name, or --code"};
}

const catalogue::CParameter* ParameterRow(int code) {
  const catalogue::CTRKParameters& table = Catalogue();
  for (std::int32_t i = 0; i < table.Count(); ++i) {
    const catalogue::CParameter& row = table.Item(i);
    if (catalogue::CommandFamilyOf(row.Kind) == catalogue::CommandFamily::Parameter &&
        row.Code == code) {
      return &row;
    }
  }
  return nullptr;
}

RawValue RawFromText(const catalogue::CParameter& row, const std::string& text) {
  const auto refuse = [&](const std::string& why) { return RawValue{std::nullopt, why}; };
  const auto within = [&](std::int64_t raw) -> RawValue {
    if (raw < row.MinValue || raw > row.MaxValue) {
      return refuse("\"" + text + "\" is outside " + InUnit(row, row.MinValue, row.MaxValue));
    }
    return RawValue{static_cast<std::int32_t>(raw), {}};
  };
  switch (row.Kind) {
    case catalogue::pkList:
    case catalogue::pkCommandList:
    case catalogue::pkSensorSwitch: {
      // A choice by its number ("1") or by its text, whole ("1-Включить") or
      // after the number ("Включить").
      for (const std::string& choice : row.Choices) {
        const auto dash = choice.find('-');
        const std::string number = choice.substr(0, dash);
        const std::string words = dash == std::string::npos ? choice : choice.substr(dash + 1);
        if (text == number || text == choice || text == words) {
          return RawValue{static_cast<std::int32_t>(std::stol(number)), {}};
        }
      }
      if (row.Kind == catalogue::pkSensorSwitch) {
        if (text == "on") return RawValue{catalogue::kSensorOn, {}};
        if (text == "off") return RawValue{catalogue::kSensorOff, {}};
      }
      std::string known;
      for (const std::string& choice : row.Choices) known += (known.empty() ? "" : ", ") + choice;
      return refuse("\"" + text + "\" is none of the choices: " + known);
    }
    case catalogue::pkTemperature:
    case catalogue::pkHeaterTemperature: {
      if (text == "off") return within(kTemperatureOff);
      const auto t = WholeNumber(text);
      if (!t || *t < kTemperatureRange.Min || *t > row.MaxValue) {
        return refuse("a temperature is a whole number of degrees from " +
                      std::to_string(kTemperatureRange.Min) + ", or off; not \"" + text + "\"");
      }
      return within(catalogue::EncodeTemperature(static_cast<std::int32_t>(*t)));
    }
    case catalogue::pkBranches: {
      const auto split = text.find_first_of("- ,");
      const auto first = WholeNumber(text.substr(0, split));
      const auto second =
          split == std::string::npos ? std::nullopt : WholeNumber(text.substr(split + 1));
      const auto inRange = [](long long n) {
        return n >= kBranchRange.Min && n <= kBranchRange.Max;
      };
      if (!first || !second || !inRange(*first) || !inRange(*second)) {
        return refuse("the branches are two numbers 0..999 as X-Y, not \"" + text + "\"");
      }
      return within(catalogue::EncodeBranches(static_cast<std::int32_t>(*first),
                                              static_cast<std::int32_t>(*second)));
    }
    default: {
      const auto x = RealNumber(text);
      if (!x) return refuse("\"" + text + "\" is not a number");
      try {
        return within(row.FromReal(*x));
      } catch (const std::exception&) {
        return refuse("\"" + text + "\" is outside " + InUnit(row, row.MinValue, row.MaxValue));
      }
    }
  }
}

}  // namespace kavo5000::tool
