// The catalogue after Fill: its rows, their invariants, the driver's digit
// table, and every row's texts as the window shows them, against a golden file.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ParameterUnit.h"
#include "RowTexts.h"

namespace kavo5000::catalogue {
namespace {

constexpr std::int32_t kRows = 52;
const NumberFormat kRussian{",", "\u00A0"};

class FilledCatalogue : public ::testing::Test {
 protected:
  FilledCatalogue() { catalogue.Fill(); }
  CTRKParameters catalogue;
};

TEST(CatalogueTest, IsEmptyUntilFilled) {
  CTRKParameters catalogue;
  EXPECT_EQ(catalogue.Count(), 0);
  EXPECT_THROW((void)catalogue.Item(0), std::out_of_range);
  catalogue.Fill();
  EXPECT_EQ(catalogue.Count(), kRows);
}

TEST_F(FilledCatalogue, RefusesIndicesOutsideTheRows) {
  EXPECT_THROW((void)catalogue.Item(kRows), std::out_of_range);
  EXPECT_THROW((void)catalogue.Item(-1), std::out_of_range);
  const CTRKParameters& constant = catalogue;
  EXPECT_THROW((void)constant.Item(kRows), std::out_of_range);
  EXPECT_EQ(catalogue.Item(kRows - 1).Name, "Округление до суммы заказа");
}

TEST_F(FilledCatalogue, ListsAddressRowThenCommandsThenParameters) {
  std::array<int, 3> inGroup{};  // rows seen so far per group
  for (std::int32_t i = 0; i < catalogue.Count(); ++i) {
    const CParameter& row = catalogue.Item(i);
    const ParameterGroup expected = i == 0 ? pgAddress : i <= 5 ? pgCommon : pgParameters;
    EXPECT_EQ(row.Group, expected) << "row " << i;
    // Codes count up from 0 within each group, in row order.
    EXPECT_EQ(row.Code, inGroup[row.Group]) << "row " << i;
    ++inGroup[row.Group];
  }
  EXPECT_EQ(inGroup[pgCommon], 5);
  EXPECT_EQ(inGroup[pgAddress], 1);
  EXPECT_EQ(inGroup[pgParameters], 46);
  EXPECT_EQ(catalogue.Item(0).Kind, pkNetAddress);
}

// A row's largest value must travel in the digits the controller keeps for
// it, or a write the window accepts would be cut on the line.
TEST_F(FilledCatalogue, ParameterLimitsFitTheirDigitsOnTheLine) {
  for (std::int32_t i = 0; i < catalogue.Count(); ++i) {
    const CParameter& row = catalogue.Item(i);
    if (row.Group != pgParameters) continue;
    ASSERT_LT(row.Code, kParamCount) << "row " << i;
    EXPECT_LE(row.MaxValue, LargestOfDigits(row.Digits)) << "row " << i << ", code " << row.Code;
  }
}

class RowInvariantTest : public FilledCatalogue, public ::testing::WithParamInterface<int> {};

TEST_P(RowInvariantTest, HoldsForTheRow) {
  const CParameter& row = catalogue.Item(GetParam());
  EXPECT_LE(row.Kind, kLastValidKind);
  EXPECT_TRUE(CommandFamilyOf(row.Kind).has_value());
  EXPECT_LE(row.MinValue, row.MaxValue);
  EXPECT_GE(row.MinValue, 0);
  if (row.Kind != pkNumber) {
    EXPECT_EQ(row.Decimals, 0);
  }
  EXPECT_GE(row.Digits, 1);

  const bool listKind = row.Kind == pkList || row.Kind == pkCommandList;
  if (listKind) {
    EXPECT_EQ(row.Digits, 1);
    EXPECT_FALSE(row.Choices.empty());
  } else if (row.Kind != pkSensorSwitch) {
    EXPECT_TRUE(row.Choices.empty());
  }
  // Each choice begins with the raw value it stands for; the sensor switch
  // writes 1 and 200, every list its index.
  for (std::size_t i = 0; i < row.Choices.size(); ++i) {
    const std::string raw = row.Kind == pkSensorSwitch ? (i == 0 ? "1" : "200") : std::to_string(i);
    EXPECT_EQ(row.Choices[i].rfind(raw + "-", 0), 0U) << row.Choices[i];
  }
  if (row.Kind == pkSensorSwitch) {
    EXPECT_EQ(row.Choices.size(), 2U);
  }

  EXPECT_EQ(row.Value, 0);
  EXPECT_EQ(row.ReadText, "");
  EXPECT_FALSE(row.ReadError);
}

INSTANTIATE_TEST_SUITE_P(EveryRow, RowInvariantTest, ::testing::Range(0, kRows),
                         [](const auto& info) { return "row" + std::to_string(info.param); });

TEST(CatalogueLifetimeTest, DestroysFilledCatalogues) {
  // Under the asan preset the leak checker fails the run if any descriptor or
  // choice text outlives its catalogue.
  auto catalogue = std::make_unique<CTRKParameters>();
  catalogue->Fill();
  catalogue->Fill();  // a second Fill appends a second copy
  EXPECT_EQ(catalogue->Count(), 2 * kRows);
  EXPECT_EQ(catalogue->Item(kRows).Kind, pkNetAddress);
  EXPECT_EQ(catalogue->Item(2 * kRows - 1).Choices.size(), 2U);
  catalogue.reset();
}

// A text in double quotes, with CR, LF, quote and backslash escaped; every
// other byte as it is.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}

std::string Render(const CTRKParameters& catalogue, const NumberFormat& format) {
  std::ostringstream out;
  for (std::int32_t i = 0; i < catalogue.Count(); ++i) {
    const CParameter& row = catalogue.Item(i);
    out << "row " << i << ": code " << row.Code << ", kind " << int{row.Kind} << ", group "
        << int{row.Group} << ", digits " << int{row.Digits} << ", decimals " << int{row.Decimals}
        << ", min " << row.MinValue << ", max " << row.MaxValue << "\n";
    out << "  name: " << Quoted(GetNameText(row)) << "\n";
    out << "  limits: " << Quoted(GetLimitsText(row, format)) << "\n";
  }
  return out.str();
}

TEST_F(FilledCatalogue, ShowsTheGoldenTexts) {
  std::ifstream file(KAVO5000_CATALOGUE_GOLDEN, std::ios::binary);
  ASSERT_TRUE(file) << "cannot open " << KAVO5000_CATALOGUE_GOLDEN;
  std::ostringstream golden;
  golden << file.rdbuf();
  EXPECT_EQ(Render(catalogue, kRussian), golden.str());
}

struct FamilyCase {
  std::uint8_t kind;
  std::optional<CommandFamily> family;
};

class CommandFamilyTest : public ::testing::TestWithParam<FamilyCase> {};

TEST_P(CommandFamilyTest, FollowsTheKind) {
  EXPECT_EQ(CommandFamilyOf(GetParam().kind), GetParam().family);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CommandFamilyTest,
    ::testing::Values(FamilyCase{pkNumber, CommandFamily::Parameter},
                      FamilyCase{pkList, CommandFamily::Parameter},
                      FamilyCase{pkBranches, CommandFamily::Parameter},
                      FamilyCase{pkTemperature, CommandFamily::Parameter},
                      FamilyCase{pkSensorSwitch, CommandFamily::Parameter},
                      FamilyCase{pkHeaterTemperature, CommandFamily::Parameter},
                      FamilyCase{pkCommandNumber, CommandFamily::CommonCommand},
                      FamilyCase{pkCommandList, CommandFamily::CommonCommand},
                      FamilyCase{pkNetAddress, CommandFamily::AddressProgramming},
                      FamilyCase{9, std::nullopt}, FamilyCase{255, std::nullopt}),
    [](const auto& info) { return "kind" + std::to_string(info.param.kind); });

// Rows the catalogue does not hold but the window must still draw.
struct TextCase {
  const char* name;
  std::uint8_t kind;
  const char* units;
  std::vector<std::string> choices;
  std::string nameText;
  std::string limitsText;
};

class RowTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(RowTextTest, DrawsNameAndLimits) {
  const TextCase& c = GetParam();
  CParameter row(0, 4, 0, "Имя", c.units, 0, 1, 1500, c.kind, pgCommon);
  row.Choices = c.choices;
  EXPECT_EQ(GetNameText(row), c.nameText);
  EXPECT_EQ(GetLimitsText(row, kRussian), c.limitsText);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RowTextTest,
    ::testing::Values(
        TextCase{"commandNumber", pkCommandNumber, "", {}, "Имя", "от 1 до 1\u00A0500 "},
        TextCase{"listWithoutChoices", pkList, "", {}, "Имя", "<список>"},
        TextCase{"invalidKind", 9, "с", {}, "Имя (с)", "<список>"},
        TextCase{"unitsAndChoices",
                 pkSensorSwitch,
                 "0С",
                 {"1-Вкл", "200-Откл"},
                 "Имя (0С):\r\n  1-Вкл;\r\n  200-Откл",
                 "от -99 до +200 OC (200 - датчик отключен)"},
        TextCase{"lastChoiceTrimmed",
                 pkCommandList,
                 "",
                 {"0-Да ", "1-Нет \t "},
                 "Имя:\r\n  0-Да ;\r\n  1-Нет",
                 "<список>"},
        TextCase{"oneEmptyChoice", pkList, "", {""}, "Имя:", "<список>"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kavo5000::catalogue
