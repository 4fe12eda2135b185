// ParameterUnit.cpp — the value conversions of one catalogue item, the guarded
// outcome of its last read, and the catalogue that builds and owns the rows.
#include "ParameterUnit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <utility>

#include "CatalogueTable.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::catalogue {

namespace {

constexpr double kTen = 10.0;
constexpr const char* kBranchJoin = " - ";

std::string DecimalText(std::int32_t n) {
  return std::to_string(n);
}

}  // namespace

std::optional<CommandFamily> CommandFamilyOf(std::uint8_t kind) {
  switch (kind) {
    case pkNumber:
    case pkList:
    case pkBranches:
    case pkTemperature:
    case pkSensorSwitch:
    case pkHeaterTemperature:
      return CommandFamily::Parameter;
    case pkCommandNumber:
    case pkCommandList:
      return CommandFamily::CommonCommand;
    case pkNetAddress:
      return CommandFamily::AddressProgramming;
    default:
      return std::nullopt;
  }
}

// The argument order is part of the descriptor's interface; callers rely on it.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)
CParameter::CParameter(std::uint8_t code, std::uint8_t digits, std::uint8_t decimals,
                       std::string name, std::string units, std::int32_t value,
                       std::int32_t minValue, std::int32_t maxValue, std::uint8_t kind,
                       std::uint8_t group)
    // NOLINTEND(bugprone-easily-swappable-parameters)
    : Code(code),
      Digits(digits),
      Decimals(decimals),
      Name(std::move(name)),
      Units(std::move(units)),
      Value(value),
      MaxValue(maxValue),
      Kind(static_cast<ParameterKind>(kind)),
      Group(static_cast<ParameterGroup>(group)),
      MinValue(minValue) {}

double CParameter::PowerOf10(int n) {
  double result = 1.0;
  for (int i = 0; i < n; ++i) result *= kTen;
  return result;
}

double CParameter::ToReal(std::int32_t raw) const {
  if (Kind == pkNumber) return raw / PowerOf10(Decimals);
  return raw;
}

double CParameter::StepReal() const {
  return ToReal(1);
}

double CParameter::MinReal() const {
  return ToReal(MinValue);
}

double CParameter::MaxReal() const {
  return ToReal(MaxValue);
}

std::int32_t CParameter::FromReal(double x) const {
  const double rounded = RoundHalfEven(x * PowerOf10(Decimals));
  // NaN fails both comparisons; a value outside the 32-bit range has no raw value.
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max())) {
    throw Exception(kMsgInvalidValue);
  }
  return static_cast<std::int32_t>(rounded);
}

std::string CParameter::ValueToText(std::int32_t raw, const NumberFormat& format) const {
  // A failed read gives −1; it must end here for every kind, choices included.
  if (raw < 0) throw Exception(kMsgNoValueText);
  switch (Kind) {
    case pkNumber:
    case pkCommandNumber:
    case pkNetAddress:
      // Below the minimum the controller's value is shown as the minimum.
      return FormatNumber(std::max(ToReal(raw), MinReal()), Digits, Decimals, format);
    case pkList:
    case pkCommandList:
      if (const auto index = static_cast<std::size_t>(raw); index < Choices.size()) {
        return Choices[index];
      }
      return DecimalText(raw);
    case pkBranches: {
      const Branches branches = SplitBranches(raw);
      return DecimalText(branches.First) + kBranchJoin + DecimalText(branches.Second);
    }
    case pkTemperature:
    case pkSensorSwitch:
    case pkHeaterTemperature:
      return DecimalText(DecodeTemperature(raw));
    default:
      throw Exception(kMsgNoValueText);
  }
}

void CParameter::RecordRead(std::int32_t value, std::string text) {
  Value = value;
  ReadText = std::move(text);
  ReadError = false;
}

void CParameter::RecordWrite(std::int32_t value, std::string text) {
  Value = value;
  ReadText = std::move(text);
}

CTRKParameters::~CTRKParameters() {
  for (auto& row : rows_) row.reset();
  rows_.clear();
}

void CTRKParameters::Fill() {
  const std::size_t first = rows_.size();
  for (const CatalogueRow& row : CatalogueRows()) {
    rows_.push_back(std::make_unique<CParameter>(row.Code, row.Digits, row.Decimals, row.Name,
                                                 row.Units, 0, row.MinValue, row.MaxValue, row.Kind,
                                                 row.Group));
  }
  for (const RowChoices& choices : CatalogueChoices()) {
    auto& target = rows_[first + choices.Row]->Choices;
    target.assign(choices.Texts.begin(), choices.Texts.end());
  }
}

std::int32_t CTRKParameters::Count() const {
  return static_cast<std::int32_t>(rows_.size());
}

std::size_t CTRKParameters::CheckedIndex(std::int32_t index) const {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("CTRKParameters::Item: index " + std::to_string(index) +
                            " outside 0.." + std::to_string(Count() - 1));
  }
  return static_cast<std::size_t>(index);
}

CParameter& CTRKParameters::Item(std::int32_t index) {
  return *rows_[CheckedIndex(index)];
}

const CParameter& CTRKParameters::Item(std::int32_t index) const {
  return *rows_[CheckedIndex(index)];
}

}  // namespace kavo5000::catalogue
