// What the parameter window computes, without a display: the editors each
// kind gets, where they go over a cell, row heights, the rows of each tab,
// where the focus puts the current row, what leaving an editor hides, and the
// texts the cells draw.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ParamFrameLogic.h"

namespace kavo5000::window {
namespace {

using catalogue::CParameter;
using catalogue::CTRKParameters;
using enum catalogue::ParameterKind;

std::unique_ptr<CParameter> Row(std::uint8_t kind, std::uint8_t decimals = 0,
                                std::int32_t minValue = 0, std::int32_t maxValue = 99,
                                std::vector<std::string> choices = {}, std::string units = "") {
  auto row = std::make_unique<CParameter>(7, 3, decimals, "Имя", std::move(units), 0, minValue,
                                          maxValue, kind, catalogue::pgParameters);
  row->Choices = std::move(choices);
  return row;
}

struct EditorCase {
  const char* name;
  std::uint8_t kind;
  std::uint8_t decimals;
  std::int32_t minValue;
  std::int32_t maxValue;
  std::vector<std::string> choices;
  std::optional<SpinSetup> edit;
  std::optional<SpinSetup> edit2;
  bool list;
  bool listEnabled;
  int listIndex;
};

class PrepareEditorTest : public ::testing::TestWithParam<EditorCase> {};

TEST_P(PrepareEditorTest, SetsUpTheEditorsOfTheKind) {
  const EditorCase& c = GetParam();
  const auto row = Row(c.kind, c.decimals, c.minValue, c.maxValue, c.choices);
  const EditorSetup setup = PrepareEditor(*row);
  EXPECT_EQ(setup.edit, c.edit);
  EXPECT_EQ(setup.edit2, c.edit2);
  EXPECT_EQ(setup.list, c.list);
  EXPECT_EQ(setup.items, c.list ? c.choices : std::vector<std::string>{});
  EXPECT_EQ(setup.listEnabled, c.listEnabled);
  EXPECT_EQ(setup.listIndex, c.listIndex);
}

const std::vector<std::string> kTwo = {"0-Выключить", "1-Включить"};

INSTANTIATE_TEST_SUITE_P(
    Kinds, PrepareEditorTest,
    ::testing::Values(
        // Decimal numbers start at the minimum, with the smallest step.
        EditorCase{"NumberWithDecimals",
                   catalogue::pkNumber,
                   2,
                   5,
                   500,
                   {},
                   SpinSetup{2, 0.01, 0.05, 5.0, 0.05},
                   std::nullopt,
                   false,
                   false,
                   -1},
        EditorCase{"WholeNumber",
                   catalogue::pkNumber,
                   0,
                   1,
                   99,
                   {},
                   SpinSetup{0, 1, 1, 99, 1},
                   std::nullopt,
                   false,
                   false,
                   -1},
        EditorCase{"CommandNumber",
                   catalogue::pkCommandNumber,
                   0,
                   0,
                   9,
                   {},
                   SpinSetup{0, 1, 0, 9, 0},
                   std::nullopt,
                   false,
                   false,
                   -1},
        EditorCase{"NetAddress",
                   catalogue::pkNetAddress,
                   0,
                   0,
                   99,
                   {},
                   SpinSetup{0, 1, 0, 99, 0},
                   std::nullopt,
                   false,
                   false,
                   -1},
        EditorCase{"List", catalogue::pkList, 0, 0, 1, kTwo, std::nullopt, std::nullopt, true, true,
                   0},
        EditorCase{"CommandListWithoutChoices",
                   catalogue::pkCommandList,
                   0,
                   0,
                   1,
                   {},
                   std::nullopt,
                   std::nullopt,
                   true,
                   false,
                   -1},
        EditorCase{"SensorSwitch", catalogue::pkSensorSwitch, 0, 0, 299, kTwo, std::nullopt,
                   std::nullopt, true, true, 0},
        EditorCase{"Branches",
                   catalogue::pkBranches,
                   0,
                   0,
                   999999,
                   {},
                   SpinSetup{0, 1, 0, 999, 0},
                   SpinSetup{0, 1, 0, 999, 0},
                   false,
                   false,
                   -1},
        EditorCase{"Temperature",
                   catalogue::pkTemperature,
                   0,
                   0,
                   299,
                   {},
                   SpinSetup{0, 1, -99, 200, 0},
                   std::nullopt,
                   false,
                   false,
                   -1},
        EditorCase{"HeaterTemperature",
                   catalogue::pkHeaterTemperature,
                   0,
                   201,
                   220,
                   {},
                   SpinSetup{0, 1, -20, 0, 0},
                   std::nullopt,
                   false,
                   false,
                   -1},
        EditorCase{"InvalidKind", 9, 0, 0, 99, kTwo, std::nullopt, std::nullopt, false, false, -1}),
    [](const ::testing::TestParamInfo<EditorCase>& info) { return info.param.name; });

struct PlacementCase {
  const char* name;
  EditorSetup setup;
  Rect cell;
  std::optional<EditorPlacement> expected;
};

EditorSetup Setup(bool edit, bool edit2, bool list) {
  EditorSetup setup;
  if (edit) setup.edit = SpinSetup{};
  if (edit2) setup.edit2 = SpinSetup{};
  setup.list = list;
  return setup;
}

class PlaceEditorTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlaceEditorTest, PutsTheEditorsOverTheCell) {
  const PlacementCase& c = GetParam();
  const std::optional<EditorPlacement> placed = PlaceEditor(c.setup, c.cell);
  ASSERT_EQ(placed.has_value(), c.expected.has_value());
  if (!placed) return;
  EXPECT_EQ(placed->first, c.expected->first);
  EXPECT_EQ(placed->second, c.expected->second);
}

// A cell of column 4 (169 wide) 30 pixels high: middle 65, editors 57..75.
constexpr Rect kCell{100, 50, 269, 80};

INSTANTIATE_TEST_SUITE_P(
    Shapes, PlaceEditorTest,
    ::testing::Values(PlacementCase{"List", Setup(false, false, true), kCell,
                                    EditorPlacement{Rect{105, 57, 264, 75}, std::nullopt}},
                      PlacementCase{"OneBox", Setup(true, false, false), kCell,
                                    EditorPlacement{Rect{105, 57, 264, 75}, std::nullopt}},
                      // m = (105 + 264) div 2 − 5 = 179; the second box ends at 2·m − left.
                      PlacementCase{
                          "TwoBoxes", Setup(true, true, false), kCell,
                          EditorPlacement{Rect{105, 57, 179, 75}, Rect{184, 57, 253, 75}}},
                      // Halves truncate toward zero above the tab area's top as well.
                      PlacementCase{"AboveTheTop", Setup(true, false, false), Rect{0, -31, 169, 0},
                                    EditorPlacement{Rect{5, -23, 164, -5}, std::nullopt}},
                      PlacementCase{"NoEditor", Setup(false, false, false), kCell, std::nullopt}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

TEST(TakesEditorTest, OnlyTheWriteCellOfAShownDataRow) {
  EXPECT_TRUE(TakesEditor(3, kWriteColumn, 20));
  EXPECT_FALSE(TakesEditor(0, kWriteColumn, 24));  // the header
  EXPECT_FALSE(TakesEditor(3, kReadColumn, 20));
  EXPECT_FALSE(TakesEditor(3, kWriteColumn, 0));  // hidden
}

TEST(CalcRowHeightTest, TakesTheTallerTextWithSpareAndNeverLessThan20) {
  struct Case {
    int nameLines;
    int limitsLines;
    int expected;
  };
  // 13 pixels a line, wrapped at 100 pixels: a text of n hundred pixels.
  const TextMeasure measure = [](std::string_view text, int width) {
    return static_cast<int>((text.size() + static_cast<std::size_t>(width) - 1) /
                            static_cast<std::size_t>(width)) *
           13;
  };
  for (const Case& c : {Case{1, 1, 20}, Case{3, 1, 44}, Case{1, 4, 57}, Case{0, 0, 20}}) {
    const std::string name(static_cast<std::size_t>(c.nameLines) * 100, 'n');
    const std::string limits(static_cast<std::size_t>(c.limitsLines) * 100, 'l');
    EXPECT_EQ(CalcRowHeight(name, 100, limits, 100, measure), c.expected)
        << c.nameLines << " name lines, " << c.limitsLines << " limits lines";
  }
}

TEST(TabRowHeightsTest, EachTabShowsItsGroupOnly) {
  CTRKParameters params;
  params.Fill();
  struct Case {
    int tab;
    int visible;
  };
  for (const Case& c : {Case{catalogue::pgCommon, 5}, Case{catalogue::pgAddress, 1},
                        Case{catalogue::pgParameters, 46}}) {
    const std::vector<int> heights = TabRowHeights(params, c.tab, [](int row) { return row; });
    ASSERT_EQ(heights.size(), static_cast<std::size_t>(params.Count()));
    int visible = 0;
    for (std::size_t i = 0; i < heights.size(); ++i) {
      const bool mine = params.Item(static_cast<std::int32_t>(i)).Group == c.tab;
      EXPECT_EQ(heights[i], mine ? static_cast<int>(i) + 1 : kHiddenRowHeight) << "row " << i + 1;
      visible += mine ? 1 : 0;
    }
    EXPECT_EQ(visible, c.visible) << "tab " << c.tab;
  }
}

TEST(EnterRowTest, KeepsARowOfTheTabElseTakesItsFirst) {
  CTRKParameters params;
  params.Fill();
  // Grid row 1 is the address row, rows 2..6 the common commands.
  EXPECT_EQ(EnterRow(params, catalogue::pgCommon, 4), 4);
  EXPECT_EQ(EnterRow(params, catalogue::pgCommon, 1), 2);
  EXPECT_EQ(EnterRow(params, catalogue::pgAddress, 0), 1);
  EXPECT_EQ(EnterRow(params, catalogue::pgParameters, 3), 7);
  EXPECT_EQ(EnterRow(params, 3, 5), 5);  // a tab without rows
}

TEST(LeaveEditorTest, HidesWhatWasShownUnlessTheFocusStaysOnTheBoxes) {
  EXPECT_EQ(LeaveEditor(true, false, false, false), EditorExit::kHideList);
  EXPECT_EQ(LeaveEditor(false, true, true, true), EditorExit::kNothing);
  EXPECT_EQ(LeaveEditor(false, true, true, false), EditorExit::kHideBoth);
  EXPECT_EQ(LeaveEditor(false, true, false, false), EditorExit::kHideEdit);
}

TEST(BoxedTextRectsTest, SixteenPixelsOverTheMiddleAndAFrameTwoOut) {
  const std::optional<BoxedText> box = BoxedTextRects(Rect{0, 10, 64, 40});
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, (Rect{5, 17, 59, 33}));
  EXPECT_EQ(box->frame, (Rect{3, 15, 61, 35}));
  EXPECT_FALSE(BoxedTextRects(Rect{0, 10, 64, 10}).has_value());
}

TEST(CellTextTest, DrawsWhatTheRowHolds) {
  const catalogue::NumberFormat format = catalogue::NumberFormat::C();
  const auto list = Row(catalogue::pkList, 0, 0, 1, kTwo);
  EXPECT_EQ(CellText(*list, kCodeColumn, format), "7");
  // Line breaks as the toolkit draws them.
  EXPECT_EQ(CellText(*list, kNameColumn, format), "Имя:\n  0-Выключить;\n  1-Включить");
  const auto withUnits = Row(catalogue::pkNumber, 1, 5, 500, {}, "л");
  EXPECT_EQ(CellText(*withUnits, kNameColumn, format), "Имя (л)");
  EXPECT_EQ(CellText(*withUnits, kLimitsColumn, format), "от 0.5 до 50.0 л");
  // A value below the minimum is written as the minimum.
  EXPECT_EQ(CellText(*withUnits, kWriteColumn, format), "0.5");
  EXPECT_EQ(CellText(*withUnits, kReadColumn, format), "");
  withUnits->RecordRead(123, "12.3");
  EXPECT_EQ(CellText(*withUnits, kReadColumn, format), "12.3");
  withUnits->ReadError = true;
  EXPECT_EQ(CellText(*withUnits, kReadColumn, format), "Ошибка чтения!");
  EXPECT_EQ(CellText(*Row(9), kWriteColumn, format), "");  // an invalid kind has no text
}

TEST(HintTextTest, ReadAndWriteCellsOfDataRowsOnly) {
  EXPECT_EQ(HintText(1, kReadColumn), "Дважды щелкните на поле для чтения параметра");
  EXPECT_EQ(HintText(1, kWriteColumn), "Нажмите Enter для записи параметра");
  EXPECT_EQ(HintText(1, kNameColumn), "");
  EXPECT_EQ(HintText(0, kWriteColumn), "");
}

struct WriteCase {
  const char* name;
  std::uint8_t kind;
  std::uint8_t decimals;
  EditorValues values;
  std::int32_t raw;
};

TEST(WriteRawValueTest, EachKindSendsItsEncoding) {
  const std::vector<WriteCase> cases = {
      {"temperature below zero", pkTemperature, 0, {-5, 0, -1}, 205},
      {"temperature zero", pkTemperature, 0, {0, 0, -1}, 0},
      {"temperature above zero", pkTemperature, 0, {45, 0, -1}, 45},
      {"heater temperature below zero", pkHeaterTemperature, 0, {-12, 0, -1}, 212},
      {"branches", pkBranches, 0, {7, 250, -1}, 7250},
      {"sensor switch, second choice", pkSensorSwitch, 0, {0, 0, 1}, 200},
      {"sensor switch, first choice", pkSensorSwitch, 0, {0, 0, 0}, 1},
      {"sensor switch, no choice", pkSensorSwitch, 0, {0, 0, -1}, 0},
      {"number, half rounds down to even", pkNumber, 2, {0.125, 0, -1}, 12},
      {"number, half rounds up to even", pkNumber, 2, {0.375, 0, -1}, 38},
      {"command number", pkCommandNumber, 0, {17, 0, -1}, 17},
      {"network address", pkNetAddress, 0, {3, 0, -1}, 3},
      {"list", pkList, 0, {0, 0, 2}, 2},
      {"command list", pkCommandList, 0, {0, 0, 1}, 1},
  };
  for (const WriteCase& c : cases) {
    const auto row = Row(c.kind, c.decimals, 0, 999999, {"a", "b", "c"});
    EXPECT_EQ(WriteRawValue(*row, c.values), c.raw) << c.name;
  }
}

TEST(WriteRawValueTest, NothingToWriteRaisesInsteadOfSendingANegativeValue) {
  EXPECT_THROW(WriteRawValue(*Row(pkList, 0, 0, 2, {"a"}), {0, 0, -1}), Exception);
  EXPECT_THROW(WriteRawValue(*Row(pkBranches), {3e9, 0, -1}), Exception);
  EXPECT_THROW(WriteRawValue(*Row(pkTemperature), {std::nan(""), 0, -1}), Exception);
}

}  // namespace
}  // namespace kavo5000::window
