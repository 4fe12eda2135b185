// GridGeometry.h — where the rows and columns of an owner-painted grid stand:
// rows of their own heights, some hidden, below a header and scrolled by
// pixels; columns of the header's widths. Which cell a point falls in, where
// the keyboard's moves land (never on a hidden row), and how far to scroll to
// show a row; column widths held within the view. A grid that paints itself
// (the Win32 window's) only applies these results, so they are tested
// without a display.
#ifndef KAVO5000_WINDOW_GRIDGEOMETRY_H
#define KAVO5000_WINDOW_GRIDGEOMETRY_H

#include <vector>

#include "ParamFrameLogic.h"

namespace kavo5000::window::grid {

// The heights of the data rows: index i is grid row i + 1 (grid row 0 is the
// header); kHiddenRowHeight, or any height below 1, hides the row.
using RowHeights = std::vector<int>;
// The columns' widths, left to right.
using ColumnWidths = std::vector<int>;

// Whether grid row `row` is a data row that is shown: the only rows the
// keyboard, the mouse and the grid's own API may make current.
bool RowShown(const RowHeights& heights, int row);

// The height of all shown rows together.
int ContentHeight(const RowHeights& heights);
// The top of grid row `row` within the content (the shown rows above it).
int RowTop(const RowHeights& heights, int row);
// The shown grid row at content height `y`; 0 for none.
int RowAt(const RowHeights& heights, int y);

// The left edge of `column`, and the column at `x`; −1 beyond the columns.
int ColumnLeft(const ColumnWidths& widths, int column);
int ColumnAt(const ColumnWidths& widths, int x);

// The widths once `column` was resized, held so that every column stays in
// a view `viewWidth` wide (the grid does not scroll sideways, and its
// editors go only over a cell wholly in view): the resized column gives up
// what the columns would take beyond the view, down to `narrowest`.
ColumnWidths HoldColumnsInView(ColumnWidths widths, int column, int viewWidth, int narrowest);

// A keyboard move of the current row.
enum class Move { kUp, kDown, kPageUp, kPageDown, kFirst, kLast };

// Where the current row goes for `move`: the next shown row that way, a page
// of `pageHeight` pixels for the page moves; the row stays where it is when no
// shown row lies that way. From no current row (0), any move goes to the
// first shown row.
int MoveRow(const RowHeights& heights, int current, Move move, int pageHeight);

// The scroll offsets a view `viewHeight` high can take: 0 up to this.
int MaxScroll(const RowHeights& heights, int viewHeight);
int ClampScroll(const RowHeights& heights, int scrollTop, int viewHeight);
// The scroll offset that shows the whole of `row` (as much as fits), moving
// as little as it must; unchanged for a hidden row.
int ScrollToShow(const RowHeights& heights, int row, int scrollTop, int viewHeight);

// A cell's rectangle in the grid's client area: the rows start below the
// header, `scrollTop` pixels scrolled away. Empty (zero height) for a hidden
// row.
Rect CellRect(const RowHeights& heights, const ColumnWidths& widths, int row, int column,
              int scrollTop, int headerHeight);

}  // namespace kavo5000::window::grid

#endif  // KAVO5000_WINDOW_GRIDGEOMETRY_H
