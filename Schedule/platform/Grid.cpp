#include "platform/Grid.h"

#include <algorithm>

#include "platform/Err.h"

namespace platform {

namespace {
constexpr long errGridSubscript = 381;
constexpr long errInvalidRowValue = 30009;
constexpr long errInvalidColValue = 30010;

[[noreturn]] void RaiseSubscript() { Raise(errGridSubscript, "Subscript out of range"); }
}  // namespace

Grid::Grid() {
  SetCols(2);
  SetRows(2);
  // The control starts with its first movable cell selected, under the heading row and column.
  row_ = 1;
  col_ = 1;
}

void Grid::SetRows(long rows) {
  if (rows < 0) Raise(errInvalidPropertyValue, "Invalid property value");
  // resize keeps the vector's geometric growth, so rows added one by one cost no copying each
  // time; dropped rows are destroyed, so rows that come back later are empty and plain.
  cells_.resize(static_cast<size_t>(rows) * static_cast<size_t>(cols_));
  rowHeights_.resize(static_cast<size_t>(rows), kDefaultRowHeight);
  rows_ = rows;
  row_ = std::min(row_, std::max(0L, rows_ - 1));
  Changed();
}

void Grid::SetCols(long cols) {
  if (cols < 0) Raise(errInvalidPropertyValue, "Invalid property value");
  if (cols != cols_) {
    std::vector<Cell> moved(static_cast<size_t>(rows_) * static_cast<size_t>(cols));
    long kept = std::min(cols, cols_);
    for (long r = 0; r < rows_; ++r)
      for (long c = 0; c < kept; ++c)
        moved[static_cast<size_t>(r) * static_cast<size_t>(cols) + static_cast<size_t>(c)] =
            std::move(cells_[Index(r, c)]);
    cells_ = std::move(moved);
    mergeCols_.resize(static_cast<size_t>(cols), 0);
    cols_ = cols;
    col_ = std::min(col_, std::max(0L, cols_ - 1));
  }
  Changed();
}

size_t Grid::Index(long row, long col) const {
  if (row < 0 || row >= rows_ || col < 0 || col >= cols_) RaiseSubscript();
  return static_cast<size_t>(row) * static_cast<size_t>(cols_) + static_cast<size_t>(col);
}

const std::string& Grid::TextMatrix(long row, long col) const { return cells_[Index(row, col)].text; }

void Grid::SetTextMatrix(long row, long col, const std::string& text) {
  cells_[Index(row, col)].text = text;
  Changed();
}

void Grid::SetRow(long row) {
  if (row < 0 || row >= rows_) Raise(errInvalidRowValue, "Invalid Row value");
  row_ = row;
}

void Grid::SetCol(long col) {
  if (col < 0 || col >= cols_) Raise(errInvalidColValue, "Invalid Col value");
  col_ = col;
}

bool Grid::CellFontBold() const { return cells_[Index(row_, col_)].bold; }

void Grid::SetCellFontBold(bool bold) {
  cells_[Index(row_, col_)].bold = bold;
  Changed();
}

bool Grid::CellFontBoldAt(long row, long col) const { return cells_[Index(row, col)].bold; }

void Grid::SetMergeCells(long setting) {
  if (setting < flexMergeNever || setting > flexMergeRestrictAll)
    Raise(errInvalidPropertyValue, "Invalid property value");
  mergeCells_ = setting;
  Changed();
}

bool Grid::MergeCol(long col) const {
  if (col < 0 || col >= cols_) RaiseSubscript();
  return mergeCols_[static_cast<size_t>(col)] != 0;
}

void Grid::SetMergeCol(long col, bool merge) {
  if (col < 0 || col >= cols_) RaiseSubscript();
  mergeCols_[static_cast<size_t>(col)] = merge ? 1 : 0;
  Changed();
}

long Grid::RowHeight(long row) const {
  if (row < 0 || row >= rows_) RaiseSubscript();
  return rowHeights_[static_cast<size_t>(row)];
}

void Grid::SetRowHeight(long row, long twips) {
  if (row < 0 || row >= rows_) RaiseSubscript();
  if (twips < -1) Raise(errInvalidPropertyValue, "Invalid property value");
  rowHeights_[static_cast<size_t>(row)] = twips == -1 ? kDefaultRowHeight : twips;
  Changed();
}

}  // namespace platform
