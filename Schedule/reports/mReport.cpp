#include "reports/mReport.h"

#include <memory>

#include "ModuleNames.h"
#include "RunState.h"
#include "frmSchedule.h"
#include "platform/Ado.h"
#include "platform/DateTime.h"
#include "platform/Printing.h"
#include "reports/mExport.h"

namespace ado = platform::ado;

void DisplayReport(const std::string& query, platform::Grid& grid) {
  platform::OnError onError(modules::mReport, "DisplayReport");
  // A report whose query fails is written empty, never with the rows (or bold marks) of the
  // report before it under this report's name.
  grid.SetRows(0);
  grid.SetCols(0);
  onError.Leave([&] {
    if (!SettingsConnection) platform::Raise(platform::errObjectNotSet);
    ado::Recordset rs;
    rs.Open(query, SettingsConnection->ConnectionString(), ado::adOpenKeyset, ado::adLockOptimistic);
    if (rs.State() != ado::adStateOpen) return;
    const long fields = rs.FieldCount();
    grid.SetCols(fields);
    grid.SetRows(rs.RecordCount() + 1);
    for (long i = 0; i < fields; ++i) grid.SetTextMatrix(0, i, rs.FieldName(i));
    // The recordset has read every row at its opening: running the query again would give the
    // same rows, so it is not run twice.
    if (rs.RecordCount() == 0) {
      rs.Close();
      return;
    }
    rs.MoveFirst();
    for (long row = 1; !rs.Eof(); ++row, rs.MoveNext())
      for (long c = 0; c < fields; ++c) {
        const ado::Field& field = rs.Fields(c);
        grid.SetTextMatrix(row, c, field.IsNull() ? std::string(" ") : field.Text());
      }
  });
}

void PrintReportGrid(platform::OnError& onError, const std::string& printerName, const std::string& heading) {
  onError.Next([&] { platform::SelectJobPrinter(printerName); });
  auto printer = std::make_unique<platform::ReportPrinter>();
  std::string title = kReportTitle, font = "Times New Roman";
  onError.Next([&] { printer->AddTitleLine(title, 1, font, 16); });
  onError.Next([&] { printer->AddHeadingLine("Report for: " + heading, 1, font, 12); });
  onError.Next([&] { printer->AddDateLine(platform::GeneralDate(platform::Now()), 3, font, 12); });
  onError.Next([&] { printer->SetPrintOption(true); });
  onError.Next([&] { printer->SetReportGrid(frmSchedule().grdReport); });
  onError.Next([&] { printer->PrintReport(); });
}
