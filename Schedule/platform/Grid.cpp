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
  cells_.resize(static_cast<size_t>(rows));
  rowHeights_.resize(static_cast<size_t>(rows), kDefaultRowHeight);
  rows_ = rows;
  row_ = std::min(row_, std::max(0L, rows_ - 1));
  Changed();
}

void Grid::SetCols(long cols) {
  if (cols < 0) Raise(errInvalidPropertyValue, "Invalid property value");
  if (cols < cols_) {
    for (RowCells& cells : cells_) {
      auto beyond = std::lower_bound(cells.begin(), cells.end(), cols,
                                     [](const Cell& cell, long col) { return cell.col < col; });
      cells.erase(beyond, cells.end());
    }
  }
  if (cols != cols_) {
    mergeCols_.resize(static_cast<size_t>(cols), 0);
    cols_ = cols;
    col_ = std::min(col_, std::max(0L, cols_ - 1));
  }
  Changed();
}

void Grid::Check(long row, long col) const {
  if (row < 0 || row >= rows_ || col < 0 || col >= cols_) RaiseSubscript();
}

namespace {
template <class Cells>
auto At(Cells& cells, long col) {
  return std::lower_bound(cells.begin(), cells.end(), col, [](const auto& cell, long c) { return cell.col < c; });
}
}  // namespace

const Grid::Cell* Grid::Find(long row, long col) const {
  Check(row, col);
  const RowCells& cells = cells_[static_cast<size_t>(row)];
  auto it = At(cells, col);
  return it != cells.end() && it->col == col ? &*it : nullptr;
}

Grid::Cell& Grid::Store(long row, long col) {
  Check(row, col);
  RowCells& cells = cells_[static_cast<size_t>(row)];
  // Reports fill a row from left to right: the new cell is nearly always the last.
  if (cells.empty() || cells.back().col < col) return cells.emplace_back(Cell{col, {}, false});
  auto it = At(cells, col);
  if (it != cells.end() && it->col == col) return *it;
  return *cells.insert(it, Cell{col, {}, false});
}

void Grid::Drop(long row, long col) {
  RowCells& cells = cells_[static_cast<size_t>(row)];
  auto it = At(cells, col);
  if (it != cells.end() && it->col == col && it->text.empty() && !it->bold) cells.erase(it);
}

const std::string& Grid::TextMatrix(long row, long col) const {
  static const std::string empty;
  const Cell* cell = Find(row, col);
  return cell ? cell->text : empty;
}

void Grid::SetTextMatrix(long row, long col, const std::string& text) {
  if (text.empty()) {
    if (Find(row, col)) {
      Store(row, col).text.clear();
      Drop(row, col);
    }
  } else {
    Store(row, col).text = text;
  }
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

bool Grid::CellFontBold() const { return CellFontBoldAt(row_, col_); }

void Grid::SetCellFontBold(bool bold) {
  if (bold) {
    Store(row_, col_).bold = true;
  } else if (Find(row_, col_)) {
    Store(row_, col_).bold = false;
    Drop(row_, col_);
  }
  Changed();
}

bool Grid::CellFontBoldAt(long row, long col) const {
  const Cell* cell = Find(row, col);
  return cell && cell->bold;
}

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
