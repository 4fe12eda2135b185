// Win32Grid.h — RxDGCommon on Win32: a small owner-painted grid window of our
// own (window class "TRXDrawGrid") with a header whose columns the
// technician can resize, rows of their own heights (hidden ones among them),
// vertical scrolling, keyboard and mouse selection that never lands on a
// hidden row, and the cells' hints. GridGeometry.h decides where everything
// stands and where a move lands; the window decides nothing about the rows:
// their heights and texts come from the parameter window. Hosts and tests
// talk to it with the GM_ messages of ParamFrameIds.h.
#ifndef KAVO5000_WINDOW_WIN32_WIN32GRID_H
#define KAVO5000_WINDOW_WIN32_WIN32GRID_H

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "GridGeometry.h"
#include "GridHint.h"
#include "ParamFrameLogic.h"

namespace kavo5000::window::win32 {

class TRXDrawGrid {
 public:
  // What the grid asks of, and tells, its window; all on the window's thread.
  struct Events {
    std::function<std::string(int row, int column)> cellText;
    std::function<void()> cellSelected;  // a cell was chosen, also the current one again
    std::function<void()> entered;       // the grid took the focus
    std::function<void()> columnSized;   // a column's width changed
    std::function<void()> scrolled;      // the rows moved under the editors
    std::function<void(int row, int column)> doubleClicked;
  };

  // The grid over `place` in `parent`; it lives as long as its window.
  static TRXDrawGrid* Create(HWND parent, int id, const Rect& place, Events events);

  HWND Handle() const { return window_; }
  // New row heights (grid row i + 1 at index i); the current cell stays.
  void SetRowHeights(grid::RowHeights heights);
  // The height of a row as shown; kHiddenRowHeight for a hidden one.
  int RowHeight(int row) const;
  int ColumnWidth(int column) const;
  int RowCount() const { return static_cast<int>(heights_.size()); }
  int CurrentRow() const { return row_; }
  int CurrentColumn() const { return column_; }
  // As a click on the cell: false, and nothing changes, for a hidden row.
  bool SetCurrent(int row, int column);
  // In the grid's client coordinates.
  Rect CellRect(int row, int column) const;
  // The part of the client area where rows show, below the header.
  Rect RowsArea() const;
  // Height of `text` word-wrapped to `width` pixels in the grid's font.
  int MeasureText(std::string_view text, int width) const;
  // The cells' texts changed.
  void Refresh() const;

  // Its window deletes it (WM_NCDESTROY).
  ~TRXDrawGrid() = default;
  TRXDrawGrid(const TRXDrawGrid&) = delete;
  TRXDrawGrid& operator=(const TRXDrawGrid&) = delete;

 private:
  explicit TRXDrawGrid(Events events);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam);
  void Created();
  void Paint();
  void PaintCell(HDC dc, int row, int column, const Rect& cell) const;
  void ScrollTo(int top);
  void UpdateScrollBar();
  void Key(WPARAM key);
  void Press(LPARAM point, bool twice);
  void HeaderChanged();
  void PointerMoved(LPARAM point);
  LRESULT GetCellText(WPARAM cell, LPARAM into) const;

  HWND window_ = nullptr;
  HWND header_ = nullptr;
  GridHint hint_;
  Events events_;
  grid::RowHeights heights_;
  grid::ColumnWidths widths_;
  int row_ = 0;
  int column_ = 0;
  int scrollTop_ = 0;
};

}  // namespace kavo5000::window::win32

#endif  // KAVO5000_WINDOW_WIN32_WIN32GRID_H
