// The report grid: the table in which every report is assembled before the writers and the
// printing class read it. A model with the grid control's properties and no toolkit in it; the
// status window only shows it.
//
// Faults follow the classic grid control:
//   - a cell, column or row index outside the grid (TextMatrix, MergeCol, RowHeight): 381
//     "Subscript out of range";
//   - selecting a row or column that does not exist: 30009 "Invalid Row value" or
//     30010 "Invalid Col value";
//   - a negative Rows or Cols, an unknown MergeCells setting: 380 "Invalid property value".
#pragma once

#include <string>
#include <vector>

#include "platform/Controls.h"

namespace platform {

// MergeCells settings of the classic grid.
enum MergeSetting : long {
  flexMergeNever = 0,
  flexMergeFree = 1,
  flexMergeRestrictRows = 2,
  flexMergeRestrictColumns = 3,
  flexMergeRestrictAll = 4,
};

class Grid {
 public:
  // Row height a row has until it is given one, in twips.
  static constexpr long kDefaultRowHeight = 240;

  // A new grid has two rows and two columns of empty cells, as the control has on the form.
  Grid();

  long Rows() const { return rows_; }
  long Cols() const { return cols_; }
  // Growing adds empty cells; shrinking drops the cells beyond the new size with their
  // formatting. The selected cell stays inside the grid.
  void SetRows(long rows);
  void SetCols(long cols);

  const std::string& TextMatrix(long row, long col) const;
  void SetTextMatrix(long row, long col, const std::string& text);

  // The selected cell, which CellFontBold reads and writes.
  long Row() const { return row_; }
  long Col() const { return col_; }
  void SetRow(long row);
  void SetCol(long col);
  bool CellFontBold() const;
  void SetCellFontBold(bool bold);
  // Boldness of any cell, without moving the selection (for the window and the printer).
  bool CellFontBoldAt(long row, long col) const;

  long MergeCells() const { return mergeCells_; }
  void SetMergeCells(long setting);
  bool MergeCol(long col) const;
  void SetMergeCol(long col, bool merge);

  // Height of a row in twips; -1 gives the row the default height back.
  long RowHeight(long row) const;
  void SetRowHeight(long row, long twips);

  // Someone to tell when anything in the grid changes (the window repaints it).
  void SetListener(ChangeListener listener) { listener_ = std::move(listener); }

 private:
  // A cell that holds text or is bold; every other cell of the grid is empty and plain, and is
  // not stored.
  struct Cell {
    long col;
    std::string text;
    bool bold = false;
  };
  // The stored cells of one row, by column.
  using RowCells = std::vector<Cell>;
  void Check(long row, long col) const;
  // The stored cell, or nullptr.
  const Cell* Find(long row, long col) const;
  // The stored cell, stored now when it was not.
  Cell& Store(long row, long col);
  // Forgets a cell that has become empty and plain.
  void Drop(long row, long col);
  void Changed() {
    if (listener_) listener_();
  }

  long rows_ = 0;
  long cols_ = 0;
  // One entry per row; a report of many columns fills few of them, so a row stores only the
  // cells that hold something, and growing the grid stores nothing.
  std::vector<RowCells> cells_;
  std::vector<long> rowHeights_;
  std::vector<char> mergeCols_;
  long row_ = 0;
  long col_ = 0;
  long mergeCells_ = flexMergeNever;
  ChangeListener listener_;
};

}  // namespace platform
