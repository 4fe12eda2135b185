// GridGeometry.cpp — rows, columns, moves and scrolling of an owner-painted grid.
#include "GridGeometry.h"

#include <algorithm>
#include <cstddef>

namespace kavo5000::window::grid {

namespace {

int Count(const RowHeights& heights) {
  return static_cast<int>(heights.size());
}

int ShownHeight(const RowHeights& heights, int row) {
  return RowShown(heights, row) ? heights[static_cast<std::size_t>(row - 1)] : 0;
}

// The nearest shown row from `from` on, stepping by `step` (±1); 0 for none.
int NextShown(const RowHeights& heights, int from, int step) {
  for (int row = from; row >= 1 && row <= Count(heights); row += step) {
    if (RowShown(heights, row)) return row;
  }
  return 0;
}

// A page away: the farthest shown row whose top lies within `pageHeight` of
// the current row's top, and at least the next shown row that way.
int PageAway(const RowHeights& heights, int current, int step, int pageHeight) {
  const int next = NextShown(heights, current + step, step);
  if (next == 0) return current;
  const int start = RowTop(heights, current);
  int target = next;
  for (int row = NextShown(heights, next + step, step); row != 0;
       row = NextShown(heights, row + step, step)) {
    const int distance = step > 0 ? RowTop(heights, row) - start : start - RowTop(heights, row);
    if (distance > pageHeight) break;
    target = row;
  }
  return target;
}

}  // namespace

bool RowShown(const RowHeights& heights, int row) {
  return row >= 1 && row <= Count(heights) && heights[static_cast<std::size_t>(row - 1)] >= 1;
}

int ContentHeight(const RowHeights& heights) {
  return RowTop(heights, Count(heights) + 1);
}

int RowTop(const RowHeights& heights, int row) {
  int top = 0;
  for (int r = 1; r < row && r <= Count(heights); ++r) top += ShownHeight(heights, r);
  return top;
}

int RowAt(const RowHeights& heights, int y) {
  if (y < 0) return 0;
  int top = 0;
  for (int row = 1; row <= Count(heights); ++row) {
    top += ShownHeight(heights, row);
    if (y < top) return row;
  }
  return 0;
}

int ColumnLeft(const ColumnWidths& widths, int column) {
  int left = 0;
  for (int c = 0; c < column && c < static_cast<int>(widths.size()); ++c) {
    left += widths[static_cast<std::size_t>(c)];
  }
  return left;
}

int ColumnAt(const ColumnWidths& widths, int x) {
  if (x < 0) return -1;
  int right = 0;
  for (std::size_t c = 0; c < widths.size(); ++c) {
    right += widths[c];
    if (x < right) return static_cast<int>(c);
  }
  return -1;
}

ColumnWidths HoldColumnsInView(ColumnWidths widths, int column, int viewWidth, int narrowest) {
  if (column < 0 || column >= static_cast<int>(widths.size())) return widths;
  const int total = ColumnLeft(widths, static_cast<int>(widths.size()));
  if (total <= viewWidth) return widths;
  int& resized = widths[static_cast<std::size_t>(column)];
  resized = std::max(std::min(resized, narrowest), resized - (total - viewWidth));
  return widths;
}

int MoveRow(const RowHeights& heights, int current, Move move, int pageHeight) {
  const int first = NextShown(heights, 1, 1);
  if (!RowShown(heights, current)) return first != 0 ? first : current;
  switch (move) {
    case Move::kUp: {
      const int row = NextShown(heights, current - 1, -1);
      return row != 0 ? row : current;
    }
    case Move::kDown: {
      const int row = NextShown(heights, current + 1, 1);
      return row != 0 ? row : current;
    }
    case Move::kPageUp:
      return PageAway(heights, current, -1, pageHeight);
    case Move::kPageDown:
      return PageAway(heights, current, 1, pageHeight);
    case Move::kFirst:
      return first;
    case Move::kLast:
      return NextShown(heights, Count(heights), -1);
  }
  return current;
}

int MaxScroll(const RowHeights& heights, int viewHeight) {
  return std::max(0, ContentHeight(heights) - viewHeight);
}

int ClampScroll(const RowHeights& heights, int scrollTop, int viewHeight) {
  return std::clamp(scrollTop, 0, MaxScroll(heights, viewHeight));
}

int ScrollToShow(const RowHeights& heights, int row, int scrollTop, int viewHeight) {
  if (!RowShown(heights, row)) return scrollTop;
  const int top = RowTop(heights, row);
  const int bottom = top + ShownHeight(heights, row);
  int scroll = scrollTop;
  if (bottom > scroll + viewHeight) scroll = bottom - viewHeight;
  if (top < scroll) scroll = top;  // a row taller than the view shows its top
  return ClampScroll(heights, scroll, viewHeight);
}

Rect CellRect(const RowHeights& heights, const ColumnWidths& widths, int row, int column,
              int scrollTop, int headerHeight) {
  const int top = headerHeight - scrollTop + RowTop(heights, row);
  const int left = ColumnLeft(widths, column);
  const int width = column >= 0 && column < static_cast<int>(widths.size())
                        ? widths[static_cast<std::size_t>(column)]
                        : 0;
  return Rect{left, top, left + width, top + ShownHeight(heights, row)};
}

}  // namespace kavo5000::window::grid
