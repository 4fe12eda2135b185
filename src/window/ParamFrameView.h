// ParamFrameView.h — what the parameter window's presenter asks of a
// front-end (Qt, Win32): the controls' state, the grid's geometry, the
// editors over the "Запись" cell, the status line, the reading progress,
// timers, the two questions (write? which nozzle?) and the way back to the
// window's thread. A front-end implements it with its own controls and
// nothing else; the sequencing lives in ParamFramePresenter.
#ifndef KAVO5000_WINDOW_PARAMFRAMEVIEW_H
#define KAVO5000_WINDOW_PARAMFRAMEVIEW_H

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "NumberFormat.h"
#include "ParamFrameLogic.h"

namespace kavo5000::catalogue {
class CTRKParameters;
}

namespace kavo5000::window {

// The three editors over a row's "Запись" cell.
enum class Editor { kEdit, kEdit2, kList };

// A dispenser and a nozzle number, as the address dialog gives them.
struct DialogNozzle {
  int dispenser = 0;
  int nozzle = 0;
};

class ParamFrameView {
 public:
  virtual ~ParamFrameView() = default;

  // The separators the grid's numbers are shown with.
  virtual catalogue::NumberFormat Format() const = 0;

  // The tab strip and the grid. Rows count from 1 (0: none current).
  virtual int CurrentTab() const = 0;
  virtual int CurrentRow() const = 0;
  virtual int CurrentColumn() const = 0;
  virtual void SetCurrentCell(int row, int column) = 0;
  virtual int ColumnWidth(int column) const = 0;
  // Height in pixels that `text` needs word-wrapped to `width`, in the grid's font.
  virtual int MeasureText(std::string_view text, int width) const = 0;
  // The table the grid shows (none: an empty grid), and its rows' heights
  // (kHiddenRowHeight hides a row).
  virtual void ShowTable(catalogue::CTRKParameters* params) = 0;
  virtual void SetRowHeights(const std::vector<int>& heights) = 0;
  // A shown row's height; 0 for a hidden row or none.
  virtual int VisibleRowHeight(int row) const = 0;
  // The rows' texts changed: the grid draws them again.
  virtual void RefreshRows() = 0;

  // The editors: set up (values, ranges, the list's items) and shown or
  // hidden as `setup` says; one hidden; whether one is shown.
  virtual void SetUpEditors(const EditorSetup& setup) = 0;
  virtual void HideEditor(Editor editor) = 0;
  virtual bool EditorShown(Editor editor) const = 0;
  // The cell in the editors' parent's coordinates, when it is wholly in view.
  virtual std::optional<Rect> CellInView(int row, int column) const = 0;
  virtual void PlaceEditor(Editor editor, const Rect& where) = 0;
  virtual void FocusEditor(Editor editor) = 0;
  // What the shown editors hold, their texts taken in first.
  virtual EditorValues TakeEditorValues() = 0;

  // The boxes above the grid, as they show them.
  virtual int ComPort() = 0;
  virtual int Address() = 0;
  virtual int IdNumber() = 0;
  virtual void SetAddress(int address) = 0;
  virtual int AddressMinimum() const = 0;
  virtual int AddressMaximum() const = 0;
  virtual void EnableAddressButton(bool enabled) = 0;

  // The status line: its message, red (alert) or plain.
  virtual void SetStatus(const std::string& text) = 0;
  virtual void SetStatusAlert(bool alert) = 0;
  // The status line's red period and the editors' delay after a cell is chosen.
  virtual bool StatusTimerActive() const = 0;
  virtual void StartStatusTimer() = 0;
  virtual void StopStatusTimer() = 0;
  virtual void StartEditorTimer() = 0;
  virtual void StopEditorTimer() = 0;

  // The reading progress: shown over `rows` rows, at a row, hidden.
  virtual void ShowProgress(int rows) = 0;
  virtual void SetProgress(int row, int rows) = 0;
  virtual void HideProgress() = 0;

  // "Вы действительно хотите записать параметр": true for OK.
  virtual bool ConfirmWrite() = 0;
  // The address dialog: the numbers given, none when cancelled.
  virtual std::optional<DialogNozzle> AskNozzle() = 0;
  // Closes the window.
  virtual void Close() = 0;
  // Called on another thread: runs `call` on the window's thread later;
  // dropped when the window is gone by then.
  virtual void Post(std::function<void()> call) = 0;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_PARAMFRAMEVIEW_H
