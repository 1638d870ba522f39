// The report grid model: sizes, cells, bold marks and the faults of the classic grid.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/GridText.h"

namespace {

using platform::Grid;
using testsupport::ErrorOf;

// A grid of rows x cols whose cells say where they are ("r3c1"), with these cells bold.
Grid Filled(long rows, long cols, const std::vector<std::pair<long, long>>& bold) {
  Grid grid;
  grid.SetCols(cols);
  grid.SetRows(rows);
  for (long r = 0; r < rows; ++r)
    for (long c = 0; c < cols; ++c) grid.SetTextMatrix(r, c, "r" + std::to_string(r) + "c" + std::to_string(c));
  for (auto [row, col] : bold) {
    grid.SetRow(row);
    grid.SetCol(col);
    grid.SetCellFontBold(true);
  }
  return grid;
}

// Rows and columns that stay keep their texts and marks; those dropped come back empty, plain and
// of the default height, down to the heading row. The selection stays inside the grid.
TEST(Grid, ShrinkingKeepsWhatStaysStartsAsTheFormsControlTellsItsListenerAndFaultsCarryItsNumbers) {
  Grid grid = Filled(6, 3, {{1, 2}, {4, 0}});
  grid.SetRowHeight(5, 600);
  grid.SetRows(3);
  EXPECT_EQ(grid.Row(), 2);
  grid.SetRows(6);
  std::string shown = testsupport::GridText(grid);
  grid.SetRows(1);
  grid.SetRows(3);
  shown += testsupport::GridText(grid);
  grid = Filled(4, 3, {{2, 1}, {3, 2}});
  grid.SetMergeCol(2, true);
  grid.SetCols(5);
  shown += testsupport::GridText(grid);
  grid.SetCols(2);
  EXPECT_EQ(grid.Col(), 1);
  grid.SetCols(3);
  EXPECT_FALSE(grid.MergeCol(2));
  testsupport::ExpectLikeFile(shown + testsupport::GridText(grid), "platform/Grid.expected");

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
  grid = Filled(3, 2, {});
  const std::vector<std::pair<std::function<void()>, long>> faults = {
      {[&] { grid.TextMatrix(3, 0); }, 381},         {[&] { grid.SetTextMatrix(0, 2, "x"); }, 381},
      {[&] { grid.TextMatrix(-1, 0); }, 381},        {[&] { grid.SetRow(3); }, 30009},
      {[&] { grid.SetCol(-1); }, 30010},             {[&] { grid.SetRows(-1); }, 380},
      {[&] { grid.SetMergeCells(5); }, 380},         {[&] { grid.MergeCol(2); }, 381},
      {[&] { grid.SetRowHeight(3, 300); }, 381}};
  for (size_t i = 0; i < faults.size(); ++i) EXPECT_EQ(ErrorOf(faults[i].first), faults[i].second) << "fault " << i;
  EXPECT_EQ(grid.Rows(), 3) << "a refused size changes nothing";
  grid.SetRows(0);
  EXPECT_EQ(ErrorOf([&] { grid.CellFontBold(); }), 381);
}

}  // namespace
