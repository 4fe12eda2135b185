// Where an owner-painted grid's rows and columns stand: hidden rows take no
// room and are never landed on, a point falls in the cell drawn there, and
// scrolling shows a row with the least movement.
#include <gtest/gtest.h>

#include <vector>

#include "GridGeometry.h"

namespace kavo5000::window::grid {
namespace {

// Grid rows 1..6: 1 and 4 hidden, the others 20, 30, 40 and 50 high.
const RowHeights kRows = {kHiddenRowHeight, 20, 30, kHiddenRowHeight, 40, 50};
const ColumnWidths kColumns = {38, 422, 76, 64, 169};

TEST(GridGeometry, HiddenRowsTakeNoRoom) {
  EXPECT_EQ(ContentHeight(kRows), 140);
  EXPECT_EQ(RowTop(kRows, 2), 0);
  EXPECT_EQ(RowTop(kRows, 3), 20);
  EXPECT_EQ(RowTop(kRows, 5), 50);
  EXPECT_EQ(RowTop(kRows, 6), 90);
}

TEST(GridGeometry, APointFallsInTheShownRowDrawnThere) {
  struct Case {
    int y;
    int row;
  };
  for (const Case c : {Case{-1, 0}, Case{0, 2}, Case{19, 2}, Case{20, 3}, Case{49, 3}, Case{50, 5},
                       Case{139, 6}, Case{140, 0}}) {
    EXPECT_EQ(RowAt(kRows, c.y), c.row) << "y " << c.y;
  }
}

TEST(GridGeometry, APointFallsInTheColumnDrawnThere) {
  struct Case {
    int x;
    int column;
  };
  for (const Case c : {Case{-1, -1}, Case{0, 0}, Case{37, 0}, Case{38, 1}, Case{536, 3},
                       Case{599, 3}, Case{600, 4}, Case{768, 4}, Case{769, -1}}) {
    EXPECT_EQ(ColumnAt(kColumns, c.x), c.column) << "x " << c.x;
  }
  EXPECT_EQ(ColumnLeft(kColumns, kWriteColumn), 600);
}

// Five columns in a view 500 wide, the third one resized.
TEST(GridGeometry, AResizedColumnIsHeldSoThatEveryColumnStaysInView) {
  constexpr int kView = 500;
  constexpr int kNarrowest = 16;
  struct Case {
    int wanted;  // the third column's width as dragged
    int held;    // as the grid keeps it
  };
  const Case cases[] = {
      {100, 100},  // all fits: as dragged
      {200, 200},  // exactly the view
      {900, 200},  // beyond: gives back what the others need
      {5, 5},      // narrower than the narrowest, but fits: as dragged
  };
  for (const Case& c : cases) {
    const ColumnWidths widths{100, 100, c.wanted, 50, 50};
    EXPECT_EQ(HoldColumnsInView(widths, 2, kView, kNarrowest)[2], c.held) << c.wanted;
  }
  // The others already fill the view: the resized column keeps the narrowest.
  EXPECT_EQ(HoldColumnsInView({300, 200, 80, 50, 50}, 2, kView, kNarrowest)[2], kNarrowest);
}

TEST(GridGeometry, OnlyShownDataRowsMayBeCurrent) {
  const std::vector<bool> shown = {false, false, true, true, false, true, true, false};
  for (int row = 0; row < static_cast<int>(shown.size()); ++row) {
    EXPECT_EQ(RowShown(kRows, row), shown[static_cast<std::size_t>(row)]) << "row " << row;
  }
}

TEST(GridGeometry, KeyboardMovesSkipHiddenRowsAndStopAtTheEnds) {
  struct Case {
    const char* name;
    int current;
    Move move;
    int page;
    int row;
  };
  const Case cases[] = {
      {"down over a hidden row", 3, Move::kDown, 0, 5},
      {"up over a hidden row", 5, Move::kUp, 0, 3},
      {"up at the first shown row stays", 2, Move::kUp, 0, 2},
      {"down at the last row stays", 6, Move::kDown, 0, 6},
      {"first", 6, Move::kFirst, 0, 2},
      {"last", 2, Move::kLast, 0, 6},
      {"a page down lands within the page", 2, Move::kPageDown, 60, 5},
      {"a page down goes at least a row", 2, Move::kPageDown, 5, 3},
      {"a page up lands within the page", 6, Move::kPageUp, 70, 3},
      {"no current row goes to the first shown", 0, Move::kDown, 0, 2},
      {"a hidden current row goes to the first shown", 4, Move::kUp, 0, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MoveRow(kRows, c.current, c.move, c.page), c.row) << c.name;
  }
  EXPECT_EQ(MoveRow(RowHeights{kHiddenRowHeight}, 0, Move::kDown, 0), 0) << "nothing shown";
}

TEST(GridGeometry, ScrollingShowsARowWithTheLeastMovement) {
  struct Case {
    const char* name;
    int row;
    int scroll;
    int view;
    int result;
  };
  const Case cases[] = {
      {"a row in view keeps the offset", 3, 10, 60, 10},
      {"a row below comes up to the bottom", 6, 0, 60, 80},
      {"a row above comes down to the top", 2, 50, 60, 0},
      {"a row taller than the view shows its top", 6, 0, 30, 90},
      {"a hidden row moves nothing", 4, 25, 60, 25},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScrollToShow(kRows, c.row, c.scroll, c.view), c.result) << c.name;
  }
  EXPECT_EQ(ClampScroll(kRows, 500, 60), 80);
  EXPECT_EQ(ClampScroll(kRows, -5, 60), 0);
  EXPECT_EQ(MaxScroll(kRows, 200), 0) << "everything fits";
}

TEST(GridGeometry, ACellStandsBelowTheHeaderScrolled) {
  EXPECT_EQ(CellRect(kRows, kColumns, 5, kReadColumn, 10, 24), (Rect{536, 64, 600, 104}));
  EXPECT_EQ(CellRect(kRows, kColumns, 4, kCodeColumn, 0, 24).Height(), 0) << "hidden";
}

}  // namespace
}  // namespace kavo5000::window::grid
