#include "compare/DiffDisplay.h"

#include <string>

#include "ModuleNames.h"
#include "compare/CompareState.h"
#include "compare/PropertyCompare.h"
#include "frmSchedule.h"
#include "platform/Ado.h"
#include "platform/Err.h"

using platform::OnError;
namespace ado = platform::ado;

namespace {
// The thin row between two categories, in twips.
const long kSeparatorHeight = 25;
// TmpTable's columns: caption, property, first value, second value.
const long kColumns = 4;
}  // namespace

void DisplayDiffRecord() {
  OnError onError(modules::mCollect, "DisplayDiffRecord");
  platform::Grid& grid = frmSchedule().grdReport;
  ado::Recordset rs;
  // On the settings connection, which has just made TmpTable: a connection of its own would first
  // have to read the changed schema again.
  onError.Next([&] { rs.Open("Select * from TmpTable", SettingsDatabase(), ado::adOpenKeyset); });

  onError.Next([&] { grid.SetRows(1); });
  onError.Next([&] { grid.SetCols(rs.FieldCount()); });
  onError.Next([&] { grid.SetMergeCells(platform::flexMergeRestrictColumns); });
  onError.Next([&] {
    grid.SetMergeCol(0, true);
    grid.SetMergeCol(1, true);
    grid.SetMergeCol(2, false);
    grid.SetMergeCol(3, false);
  });
  onError.Next([&] {
    grid.SetTextMatrix(0, 0, "Web Site Properties");
    grid.SetTextMatrix(0, 1, "Properties");
    grid.SetTextMatrix(0, 2, CompareItem1);
    grid.SetTextMatrix(0, 3, CompareItem2);
  });

  long count = 0;
  onError.Next([&] { count = rs.RecordCount(); });
  if (count < 1) {
    onError.Next([&] { CloseRecordset(rs); });
    return;
  }

  long r = 1;
  std::string caption;
  onError.Next([&] { caption = rs.Fields(0L).Text(); });
  onError.Next([&] { grid.SetRows(grid.Rows() + 1); });
  for (;;) {
    for (long c = 0; c < kColumns; ++c) onError.Next([&] { grid.SetTextMatrix(r, c, rs.Fields(c).Text()); });
    onError.Next([&] {
      if (grid.TextMatrix(r, 3) == grid.TextMatrix(r, 2)) return;
      grid.SetRow(r);
      for (long c = 1; c < kColumns; ++c) {
        grid.SetCol(c);
        grid.SetCellFontBold(true);
      }
    });
    onError.Next([&] { rs.MoveNext(); });
    ++r;
    bool atEnd = true;
    onError.Next([&] { atEnd = rs.Eof(); });
    if (atEnd) {
      onError.Next([&] { CloseRecordset(rs); });
      return;
    }
    onError.Next([&] {
      const std::string next = rs.Fields(0L).Text();
      if (next == caption) return;
      grid.SetRows(grid.Rows() + 1);
      caption = next;
      grid.SetRowHeight(r, kSeparatorHeight);
      ++r;
    });
    onError.Next([&] { grid.SetRows(grid.Rows() + 1); });
  }
}
