// The report grid model: sizes, cells, bold marks and the faults of the classic grid.
#include <gtest/gtest.h>

#include "platform/Err.h"
#include "platform/Grid.h"

namespace {

using platform::Grid;

template <class F>
long ErrorNumberOf(F&& statement) {
  try {
    statement();
  } catch (const platform::RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

// A grid of rows x cols whose cells say where they are ("r3c1").
Grid Filled(long rows, long cols) {
  Grid grid;
  grid.SetCols(cols);
  grid.SetRows(rows);
  for (long r = 0; r < rows; ++r)
    for (long c = 0; c < cols; ++c) grid.SetTextMatrix(r, c, "r" + std::to_string(r) + "c" + std::to_string(c));
  return grid;
}

void MarkBold(Grid& grid, long row, long col) {
  grid.SetRow(row);
  grid.SetCol(col);
  grid.SetCellFontBold(true);
}

TEST(Grid, StartsAsTheFormsControl) {
  Grid grid;
  EXPECT_EQ(grid.Rows(), 2);
  EXPECT_EQ(grid.Cols(), 2);
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_EQ(grid.Col(), 1);
  EXPECT_EQ(grid.TextMatrix(1, 1), "");
  EXPECT_FALSE(grid.CellFontBold());
  EXPECT_EQ(grid.RowHeight(0), Grid::kDefaultRowHeight);
  EXPECT_EQ(grid.MergeCells(), platform::flexMergeNever);
}

TEST(Grid, ShrinkingRowsDropsTheirCellsAndBoldMarks) {
  Grid grid = Filled(6, 3);
  MarkBold(grid, 1, 2);
  MarkBold(grid, 4, 0);
  grid.SetRowHeight(5, 600);
  grid.SetRows(3);
  EXPECT_EQ(grid.Rows(), 3);
  EXPECT_EQ(grid.Row(), 2) << "the selection stays inside the grid";
  EXPECT_EQ(ErrorNumberOf([&] { grid.TextMatrix(4, 0); }), 381);

  grid.SetRows(6);
  EXPECT_EQ(grid.TextMatrix(1, 2), "r1c2");
  EXPECT_TRUE(grid.CellFontBoldAt(1, 2)) << "rows that stayed keep their marks";
  for (long r = 3; r < 6; ++r)
    for (long c = 0; c < 3; ++c) {
      EXPECT_EQ(grid.TextMatrix(r, c), "") << r << "," << c;
      EXPECT_FALSE(grid.CellFontBoldAt(r, c)) << r << "," << c;
    }
  EXPECT_EQ(grid.RowHeight(5), Grid::kDefaultRowHeight);
}

TEST(Grid, OneRowThenGrowingGivesEmptyCellsUnderTheHeadings) {
  Grid grid = Filled(50, 4);
  MarkBold(grid, 30, 3);
  grid.SetRows(1);
  EXPECT_EQ(grid.TextMatrix(0, 3), "r0c3");
  grid.SetRows(40);
  for (long r = 1; r < 40; ++r)
    for (long c = 0; c < 4; ++c) ASSERT_EQ(grid.TextMatrix(r, c), "") << r << "," << c;
  grid.SetRow(30);
  grid.SetCol(3);
  EXPECT_FALSE(grid.CellFontBold());
}

TEST(Grid, ColumnsGrowAndShrinkKeepingTheCellsThatStay) {
  Grid grid = Filled(4, 3);
  MarkBold(grid, 2, 1);
  MarkBold(grid, 3, 2);
  grid.SetMergeCol(2, true);
  grid.SetCols(5);
  EXPECT_EQ(grid.TextMatrix(3, 2), "r3c2");
  EXPECT_EQ(grid.TextMatrix(3, 4), "");
  EXPECT_TRUE(grid.CellFontBoldAt(2, 1));

  grid.SetCols(2);
  EXPECT_EQ(grid.Col(), 1);
  EXPECT_EQ(grid.TextMatrix(3, 1), "r3c1");
  grid.SetCols(3);
  EXPECT_EQ(grid.TextMatrix(3, 2), "");
  EXPECT_FALSE(grid.CellFontBoldAt(3, 2));
  EXPECT_FALSE(grid.MergeCol(2));
  EXPECT_TRUE(grid.CellFontBoldAt(2, 1));
}

TEST(Grid, FaultsCarryTheGridsNumbers) {
  Grid grid = Filled(3, 2);
  EXPECT_EQ(ErrorNumberOf([&] { grid.TextMatrix(3, 0); }), 381);
  EXPECT_EQ(ErrorNumberOf([&] { grid.SetTextMatrix(0, 2, "x"); }), 381);
  EXPECT_EQ(ErrorNumberOf([&] { grid.TextMatrix(-1, 0); }), 381);
  EXPECT_EQ(ErrorNumberOf([&] { grid.SetRow(3); }), 30009);
  EXPECT_EQ(ErrorNumberOf([&] { grid.SetCol(-1); }), 30010);
  EXPECT_EQ(ErrorNumberOf([&] { grid.SetRows(-1); }), 380);
  EXPECT_EQ(ErrorNumberOf([&] { grid.SetMergeCells(5); }), 380);
  EXPECT_EQ(ErrorNumberOf([&] { grid.MergeCol(2); }), 381);
  EXPECT_EQ(ErrorNumberOf([&] { grid.SetRowHeight(3, 300); }), 381);
  EXPECT_EQ(grid.Rows(), 3) << "a refused size changes nothing";

  grid.SetRows(0);
  EXPECT_EQ(ErrorNumberOf([&] { grid.CellFontBold(); }), 381);
}

TEST(Grid, TellsItsListenerOfEveryChange) {
  Grid grid;
  int told = 0;
  grid.SetListener([&] { ++told; });
  grid.SetRows(10);
  grid.SetTextMatrix(3, 1, "x");
  grid.SetRow(3);  // moving the selection changes nothing that shows
  grid.SetCellFontBold(true);
  grid.SetMergeCells(platform::flexMergeFree);
  grid.SetMergeCol(0, true);
  grid.SetRowHeight(2, 500);
  EXPECT_EQ(told, 6);
}

TEST(Grid, HoldsALargeReportFilledRowByRow) {
  // The way a report is filled: heading row first, then one row appended per record.
  Grid grid;
  grid.SetCols(12);
  grid.SetRows(1);
  for (long r = 1; r <= 20000; ++r) {
    grid.SetRows(r + 1);
    grid.SetTextMatrix(r, 0, std::to_string(r));
  }
  EXPECT_EQ(grid.TextMatrix(20000, 0), "20000");
  EXPECT_EQ(grid.TextMatrix(1, 0), "1");
  EXPECT_EQ(grid.TextMatrix(20000, 11), "");
}

}  // namespace
