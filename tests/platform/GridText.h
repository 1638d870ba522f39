// A report grid as text, for tests that compare what a grid shows with what they expect.
#pragma once

#include <string>

#include "platform/Grid.h"

namespace testsupport {

// The grid a line a row: cells joined by "|", a "*" before every bold cell, and " @" with the
// height of a row that is not of the default height.
inline std::string GridText(const platform::Grid& grid) {
  std::string text;
  for (long r = 0; r < grid.Rows(); ++r) {
    for (long c = 0; c < grid.Cols(); ++c)
      text += (c ? "|" : "") + std::string(grid.CellFontBoldAt(r, c) ? "*" : "") + grid.TextMatrix(r, c);
    if (grid.RowHeight(r) != platform::Grid::kDefaultRowHeight) text += " @" + std::to_string(grid.RowHeight(r));
    text += "\n";
  }
  return text;
}

}  // namespace testsupport
