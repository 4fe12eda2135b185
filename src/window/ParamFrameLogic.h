// ParamFrameLogic.h — what the parameter window computes, apart from its
// widgets: the texts of the grid's cells, the height of a row, which rows a
// tab shows, where the grid's current row goes when it takes the focus, how
// the editors over the "Запись" cell are set up and placed for a row, and
// what leaving an editor hides. The widget classes only apply these results,
// so everything here is tested without a display.
#ifndef KAVO5000_WINDOW_PARAMFRAMELOGIC_H
#define KAVO5000_WINDOW_PARAMFRAMELOGIC_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "NumberFormat.h"
#include "ParameterUnit.h"

namespace kavo5000::window {

// The grid's columns.
enum GridColumn : int {
  kCodeColumn = 0,
  kNameColumn = 1,
  kLimitsColumn = 2,
  kReadColumn = 3,
  kWriteColumn = 4,
};
inline constexpr int kColumnCount = 5;

// A row height that hides the row.
inline constexpr int kHiddenRowHeight = -1;
// No data row is lower than this, however short its texts.
inline constexpr int kMinRowHeight = 20;

// What the "Чтение" cell shows for a row whose last read failed.
inline constexpr const char* kReadErrorText = "Ошибка чтения!";

// A rectangle in pixels; right and bottom lie just outside it.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// The header text of a column ("Код", "Имя параметра" …); empty outside 0..4.
std::string HeaderText(int column);

// The text a data cell draws. Line breaks are '\n' alone, as the toolkit
// draws them. Column 3 is "Ошибка чтения!" after a failed read, else the text
// last read; column 4 the value held for writing, raised to the minimum, or
// nothing for a row whose value has no text.
std::string CellText(const catalogue::CParameter& row, int column,
                     const catalogue::NumberFormat& format);

// The hint over a cell: the reading hint in column 3 and the writing hint in
// column 4 of a data row (grid row ≥ 1), none elsewhere.
std::string HintText(int gridRow, int column);

// What the reading progress says while "Прочитать все параметры" runs:
// "Прочитано 12 из 140".
std::string ReadProgressText(int rowsRead, int rows);

// Height in pixels that `text` needs when word-wrapped to `width` pixels.
using TextMeasure = std::function<int(std::string_view text, int width)>;

// A data row's height: the larger of the heights its name and its limits need
// in their columns, each with 5 pixels to spare, and never below 20.
int CalcRowHeight(std::string_view nameText, int nameWidth, std::string_view limitsText,
                  int limitsWidth, const TextMeasure& measure);

// The height of every data row for tab `tab` (index i is grid row i + 1):
// `rowHeight` for the rows of that tab's group, kHiddenRowHeight for others.
std::vector<int> TabRowHeights(const catalogue::CTRKParameters& params, int tab,
                               const std::function<int(int gridRow)>& rowHeight);

// The grid row that is current once the grid takes the focus on tab `tab`:
// the current one if it is a data row of that tab, else the tab's first row,
// else (a tab without rows) the current one.
int EnterRow(const catalogue::CTRKParameters& params, int tab, int currentGridRow);

// A numeric editor's settings.
struct SpinSetup {
  int decimals = 0;  // 0: whole numbers only
  double step = 1;
  double minimum = 0;
  double maximum = 0;
  double value = 0;
  bool operator==(const SpinSetup&) const = default;
};

// How the editors over a row's "Запись" cell start: which are shown and with
// what. A numeric box never starts from the row's current value, a list never
// from its current choice: the technician enters the value to be written.
struct EditorSetup {
  std::optional<SpinSetup> edit;   // WriteValueEdit, when shown
  std::optional<SpinSetup> edit2;  // WriteValueEdit2, when shown
  bool list = false;               // WriteValueCB shown
  std::vector<std::string> items;  // the list's items
  bool listEnabled = false;        // a list without items is disabled
  int listIndex = -1;              // the chosen item, −1 for none
};

EditorSetup PrepareEditor(const catalogue::CParameter& row);

// Whether cell (column, gridRow) takes an editor: the "Запись" cell of a data
// row that is not hidden.
bool TakesEditor(int gridRow, int column, int rowHeight);

// Where the editors go over a cell (given in the tab area's coordinates): the
// list, or the one numeric box, over the cell's middle, 18 pixels high and 5
// pixels in from either side; two boxes share that width. The focus goes to
// `first`.
struct EditorPlacement {
  Rect first;                  // WriteValueCB or WriteValueEdit
  std::optional<Rect> second;  // WriteValueEdit2, for two boxes
};
std::optional<EditorPlacement> PlaceEditor(const EditorSetup& setup, const Rect& cell);

// What is hidden when the focus leaves one of the editors.
enum class EditorExit {
  kNothing,   // the focus moved between the two boxes of one cell
  kHideList,  // WriteValueCB
  kHideBoth,  // WriteValueEdit and WriteValueEdit2
  kHideEdit,  // WriteValueEdit
};
EditorExit LeaveEditor(bool listShown, bool editShown, bool edit2Shown, bool focusOnABox);

// The framed value of columns 3 and 4: the text box, 16 pixels high over the
// cell's middle and 5 pixels in from either side, and its frame 2 pixels out.
// None for a cell less than a pixel high.
struct BoxedText {
  Rect text;
  Rect frame;
};
std::optional<BoxedText> BoxedTextRects(const Rect& cell);

// What the editors over the "Запись" cell hold when Enter is pressed.
struct EditorValues {
  double edit = 0;     // WriteValueEdit
  double edit2 = 0;    // WriteValueEdit2
  int listIndex = -1;  // the chosen item of WriteValueCB, −1 for none
  // The shown boxes' texts are values in their ranges: Enter writes what the
  // technician sees, or nothing.
  bool acceptable = true;
};

// The raw value written for a row from its editors: numbers and list indexes
// through FromReal; branch productivities as first × 1000 + second; a
// temperature below zero n as 200 − n; the sensor switch as 1 or 200 for its
// first or second choice, 0 otherwise. Halves round to the even neighbour.
// Raises kavo5000::Exception for a value no raw value represents, and for a
// list row without a chosen item (there is nothing to write).
std::int32_t WriteRawValue(const catalogue::CParameter& row, const EditorValues& values);

// The texts of the status line after a write.
inline constexpr const char* kWriteDoneText = "Операция записи проведена.";
inline constexpr const char* kWriteFailedText = "Ошибка при проведении операции записи.";
inline constexpr const char* kNoDriverText = "Невозможно провести операцию записи.";
// Enter on a box whose text is no value within the row's limits: nothing sent.
inline constexpr const char* kValueOutsideLimitsText =
    "Значение вне пределов параметра: запись не проводилась.";

// The question Enter asks before a write, and its box's caption.
inline constexpr const char* kConfirmQuestion = "Вы действительно хотите записать параметр";
inline constexpr const char* kConfirmCaption = "Подтверждение записи";

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_PARAMFRAMELOGIC_H
