// ParamFrameLogic.cpp — texts, row heights, tab rows, editor set-up and
// placement of the parameter window.
#include "ParamFrameLogic.h"

#include <algorithm>
#include <array>
#include <limits>

#include "RowTexts.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::window {

namespace {

using catalogue::CParameter;

constexpr std::array<const char*, kColumnCount> kHeaders = {"Код", "Имя параметра", "Ограничения",
                                                            "Чтение", "Запись"};
constexpr const char* kReadHint = "Дважды щелкните на поле для чтения параметра";
constexpr const char* kWriteHint = "Нажмите Enter для записи параметра";

constexpr int kTextSpare = 5;  // pixels a wrapped text gets below its last line

// Editors and framed texts sit over the cell's middle, inset from its sides.
constexpr int kInset = 5;
constexpr int kEditorHalfRise = 8;
constexpr int kEditorHeight = 18;
constexpr int kBoxHalfRise = 8;
constexpr int kBoxHeight = 16;
constexpr int kFrameOutset = 2;
constexpr int kBoxGap = 5;  // between the two boxes of one cell

// The catalogue writes line breaks as "\r\n"; the toolkit breaks at '\n'.
std::string ToolkitLines(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

// A whole-number box over a kind's typed range.
SpinSetup WholeNumbers(const catalogue::TypedRange& range) {
  return SpinSetup{0, 1, static_cast<double>(range.Min), static_cast<double>(range.Max), 0};
}

void ChooseFromList(EditorSetup& setup, const CParameter& row) {
  setup.list = true;
  setup.items = row.Choices;
  setup.listEnabled = !row.Choices.empty();
  setup.listIndex = setup.listEnabled ? 0 : -1;
}

}  // namespace

std::string HeaderText(int column) {
  if (column < 0 || column >= kColumnCount) return {};
  return kHeaders[static_cast<std::size_t>(column)];
}

std::string CellText(const CParameter& row, int column, const catalogue::NumberFormat& format) {
  switch (column) {
    case kCodeColumn:
      return std::to_string(row.Code);
    case kNameColumn:
      return ToolkitLines(catalogue::GetNameText(row));
    case kLimitsColumn:
      return ToolkitLines(catalogue::GetLimitsText(row, format));
    case kReadColumn:
      return row.ReadError ? kReadErrorText : row.ReadText;
    case kWriteColumn:
      try {
        return row.ValueToText(std::max(row.Value, row.MinValue), format);
      } catch (const std::exception&) {
        return {};  // a row of an invalid kind has nothing to write
      }
    default:
      return {};
  }
}

std::string ReadProgressText(int rowsRead, int rows) {
  return "Прочитано " + std::to_string(rowsRead) + " из " + std::to_string(rows);
}

std::string HintText(int gridRow, int column) {
  if (gridRow < 1) return {};
  if (column == kReadColumn) return kReadHint;
  if (column == kWriteColumn) return kWriteHint;
  return {};
}

int CalcRowHeight(std::string_view nameText, int nameWidth, std::string_view limitsText,
                  int limitsWidth, const TextMeasure& measure) {
  const int name = measure(nameText, nameWidth) + kTextSpare;
  const int limits = measure(limitsText, limitsWidth) + kTextSpare;
  return std::max({name, limits, kMinRowHeight});
}

std::vector<int> TabRowHeights(const catalogue::CTRKParameters& params, int tab,
                               const std::function<int(int gridRow)>& rowHeight) {
  std::vector<int> heights(static_cast<std::size_t>(params.Count()), kHiddenRowHeight);
  for (std::int32_t i = params.Count() - 1; i >= 0; --i) {
    if (params.Item(i).Group == tab) heights[static_cast<std::size_t>(i)] = rowHeight(i + 1);
  }
  return heights;
}

int EnterRow(const catalogue::CTRKParameters& params, int tab, int currentGridRow) {
  if (currentGridRow >= 1 && currentGridRow <= params.Count() &&
      params.Item(currentGridRow - 1).Group == tab) {
    return currentGridRow;
  }
  for (std::int32_t i = 0; i < params.Count(); ++i) {
    if (params.Item(i).Group == tab) return i + 1;
  }
  return currentGridRow;
}

EditorSetup PrepareEditor(const CParameter& row) {
  EditorSetup setup;
  switch (row.Kind) {
    case catalogue::pkNumber:
    case catalogue::pkCommandNumber:
    case catalogue::pkNetAddress:
      setup.edit = SpinSetup{row.Decimals > 0 ? row.Decimals : 0, row.StepReal(), row.MinReal(),
                             row.MaxReal(), row.MinReal()};
      break;
    case catalogue::pkList:
    case catalogue::pkCommandList:
    case catalogue::pkSensorSwitch:
      ChooseFromList(setup, row);
      break;
    case catalogue::pkBranches:
      setup.edit = WholeNumbers(catalogue::kBranchRange);
      setup.edit2 = WholeNumbers(catalogue::kBranchRange);
      break;
    case catalogue::pkTemperature:
    case catalogue::pkHeaterTemperature:
      setup.edit = WholeNumbers(*catalogue::TypedRangeOf(row.Kind));
      break;
    default:  // an invalid kind has no editor
      break;
  }
  return setup;
}

bool TakesEditor(int gridRow, int column, int rowHeight) {
  return gridRow > 0 && column == kWriteColumn && rowHeight > 0;
}

std::optional<EditorPlacement> PlaceEditor(const EditorSetup& setup, const Rect& cell) {
  const int mid = (cell.top + cell.bottom) / 2;
  const int top = mid - kEditorHalfRise;
  const Rect box{cell.left + kInset, top, cell.right - kInset, top + kEditorHeight};
  if (setup.list) return EditorPlacement{box, std::nullopt};
  if (setup.edit && setup.edit2) {
    const int m = (box.left + box.right) / 2 - kBoxGap;
    return EditorPlacement{Rect{box.left, box.top, m, box.bottom},
                           Rect{m + kBoxGap, box.top, 2 * m - box.left, box.bottom}};
  }
  if (setup.edit) return EditorPlacement{box, std::nullopt};
  return std::nullopt;
}

EditorExit LeaveEditor(bool listShown, bool editShown, bool edit2Shown, bool focusOnABox) {
  if (listShown) return EditorExit::kHideList;
  if (editShown && edit2Shown) return focusOnABox ? EditorExit::kNothing : EditorExit::kHideBoth;
  if (editShown) return EditorExit::kHideEdit;
  return EditorExit::kNothing;
}

std::optional<BoxedText> BoxedTextRects(const Rect& cell) {
  if (cell.Height() < 1) return std::nullopt;
  const int mid = (cell.top + cell.bottom) / 2;
  const int top = mid - kBoxHalfRise;
  const Rect text{cell.left + kInset, top, cell.right - kInset, top + kBoxHeight};
  const Rect frame{text.left - kFrameOutset, text.top - kFrameOutset, text.right + kFrameOutset,
                   text.bottom + kFrameOutset};
  return BoxedText{text, frame};
}

namespace {

// A whole raw value, or the catalogue's refusal for one outside 32 bits.
std::int32_t WholeRaw(double x) {
  const double rounded = RoundHalfEven(x);
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max())) {
    throw Exception(kMsgInvalidValue);
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace

std::int32_t WriteRawValue(const catalogue::CParameter& row, const EditorValues& values) {
  switch (row.Kind) {
    case catalogue::pkNumber:
    case catalogue::pkCommandNumber:
    case catalogue::pkNetAddress:
      return row.FromReal(values.edit);
    case catalogue::pkList:
    case catalogue::pkCommandList:
      // Writing "no choice" would send −1 as a value.
      if (values.listIndex < 0) throw Exception(kMsgInvalidValue);
      return row.FromReal(values.listIndex);
    case catalogue::pkBranches:
      return WholeRaw(values.edit * catalogue::kBranchFactor + values.edit2);
    case catalogue::pkTemperature:
    case catalogue::pkHeaterTemperature:
      return catalogue::EncodeTemperature(WholeRaw(values.edit));
    case catalogue::pkSensorSwitch:
      return catalogue::SensorSwitchRaw(values.listIndex).value_or(0);
    default:
      return 0;
  }
}

}  // namespace kavo5000::window
