// RowTexts.cpp — name and limits texts of a catalogue row.
#include "RowTexts.h"

#include <string_view>

namespace kavo5000::catalogue {

namespace {

constexpr std::string_view kChoicesIntro = ":\r\n";
constexpr std::string_view kChoiceIndent = "  ";
constexpr std::string_view kChoiceSeparator = ";\r\n";
constexpr unsigned char kLastBlankOrControl = ' ';  // trimming drops this and everything below

constexpr const char* kLimitsFrom = "от ";
constexpr const char* kLimitsTo = " до ";
constexpr const char* kListLimits = "<список>";

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= kLastBlankOrControl;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string GetNameText(const CParameter& row) {
  std::string text = row.Name;
  if (!row.Units.empty()) text += " (" + row.Units + ")";
  if (!row.Choices.empty()) {
    std::string lines(kChoicesIntro);
    for (std::size_t i = 0; i < row.Choices.size(); ++i) {
      lines += kChoiceIndent;
      lines += row.Choices[i];
      if (i + 1 < row.Choices.size()) lines += kChoiceSeparator;
    }
    text += Trim(lines);
  }
  return text;
}

std::string GetLimitsText(const CParameter& row, const NumberFormat& format) {
  switch (row.Kind) {
    case pkNumber:
    case pkCommandNumber:
    case pkNetAddress:
      // The blank before the units stays when there are none.
      return kLimitsFrom + FormatNumber(row.MinReal(), row.Digits, row.Decimals, format) +
             kLimitsTo + FormatNumber(row.MaxReal(), row.Digits, row.Decimals, format) + " " +
             row.Units;
    case pkBranches:
    case pkTemperature:
    case pkSensorSwitch:
    case pkHeaterTemperature:
      return TypedRangeOf(row.Kind)->LimitsText;
    case pkList:
    case pkCommandList:
    default:  // an invalid kind has no limits of its own either
      return kListLimits;
  }
}

}  // namespace kavo5000::catalogue
