// The report grid model: sizes, cells, bold marks and the faults of the classic grid.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Grid.h"

namespace {

using platform::Grid;
using testsupport::ErrorOf;

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

// Every cell from row `first` on is empty and plain.
void ExpectBlankFrom(const Grid& grid, long first) {
  for (long r = first; r < grid.Rows(); ++r)
    for (long c = 0; c < grid.Cols(); ++c)
      ASSERT_TRUE(grid.TextMatrix(r, c).empty() && !grid.CellFontBoldAt(r, c)) << r << "," << c;
}

TEST(Grid, ShrinkingKeepsWhatStaysStartsAsTheFormsControlTellsItsListenerAndFaultsCarryItsNumbers) {
  Grid grid = Filled(6, 3);
  MarkBold(grid, 1, 2);
  MarkBold(grid, 4, 0);
  grid.SetRowHeight(5, 600);
  grid.SetRows(3);
  EXPECT_EQ(grid.Rows(), 3);
  EXPECT_EQ(grid.Row(), 2) << "the selection stays inside the grid";
  EXPECT_EQ(ErrorOf([&] { grid.TextMatrix(4, 0); }), 381);
  grid.SetRows(6);
  EXPECT_EQ(grid.TextMatrix(1, 2), "r1c2");
  EXPECT_TRUE(grid.CellFontBoldAt(1, 2)) << "rows that stayed keep their marks";
  ExpectBlankFrom(grid, 3);
  EXPECT_EQ(grid.RowHeight(5), Grid::kDefaultRowHeight);
  // Down to the heading row, then grown: empty cells under the headings.
  grid.SetRows(1);
  EXPECT_EQ(grid.TextMatrix(0, 2), "r0c2");
  grid.SetRows(40);
  ExpectBlankFrom(grid, 1);

  grid = Filled(4, 3);
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

  // A fresh grid starts as the form's control; filling a large report row by row is timed, and
  // checked, in bench/GridFill.
  {
    Grid fresh;
    EXPECT_EQ((std::vector<long>{fresh.Rows(), fresh.Cols(), fresh.Row(), fresh.Col()}), (std::vector<long>{2, 2, 1, 1}));
    int told = 0;
    fresh.SetListener([&] { ++told; });
    fresh.SetRows(10);
    fresh.SetTextMatrix(3, 1, "x");
    fresh.SetRow(3);  // moving the selection changes nothing that shows
    fresh.SetCellFontBold(true);
    fresh.SetMergeCells(platform::flexMergeFree);
    fresh.SetMergeCol(0, true);
    fresh.SetRowHeight(2, 500);
    EXPECT_EQ(told, 6);
  }
  grid = Filled(3, 2);
  EXPECT_EQ(ErrorOf([&] { grid.TextMatrix(3, 0); }), 381);
  EXPECT_EQ(ErrorOf([&] { grid.SetTextMatrix(0, 2, "x"); }), 381);
  EXPECT_EQ(ErrorOf([&] { grid.TextMatrix(-1, 0); }), 381);
  EXPECT_EQ(ErrorOf([&] { grid.SetRow(3); }), 30009);
  EXPECT_EQ(ErrorOf([&] { grid.SetCol(-1); }), 30010);
  EXPECT_EQ(ErrorOf([&] { grid.SetRows(-1); }), 380);
  EXPECT_EQ(ErrorOf([&] { grid.SetMergeCells(5); }), 380);
  EXPECT_EQ(ErrorOf([&] { grid.MergeCol(2); }), 381);
  EXPECT_EQ(ErrorOf([&] { grid.SetRowHeight(3, 300); }), 381);
  EXPECT_EQ(grid.Rows(), 3) << "a refused size changes nothing";
  grid.SetRows(0);
  EXPECT_EQ(ErrorOf([&] { grid.CellFontBold(); }), 381);
}

}  // namespace
