#include "reports/mExport.h"

#include <vector>

#include "ModuleNames.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "logs/RunJournal.h"
#include "platform/Ado.h"
#include "platform/DateTime.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"

using platform::OnError;
namespace ado = platform::ado;

const char* const kReportTitle = "Brantel v1.9";

bool ExportReport(const std::string& table, const std::string& path) {
  OnError onError(modules::mExport, "ExportReport");
  const platform::Grid& grid = frmSchedule().grdReport;
  ado::Connection connection;
  bool inserted = false, inTransaction = false;
  onError.Leave([&] {
    if (!OpenConnection(connection, path)) return;
    // One transaction for the whole report: the file is flushed once, not once per row.
    connection.Execute("BEGIN TRANSACTION", -1);
    inTransaction = true;
    const std::string head = "Insert Into [" + table + "] Values(";
    std::string sql;
    for (long r = 1; r < grid.Rows(); ++r) {
      sql = head;
      for (long c = 0; c < grid.Cols(); ++c) {
        if (c > 0) sql += ',';
        sql += '\'';
        sql += platform::QuoteSql(grid.TextMatrix(r, c));
        sql += '\'';
      }
      sql += ')';
      try {
        connection.Execute(sql, -1);
      } catch (const platform::RuntimeError& e) {
        // The status log says which row of which report failed.
        platform::Raise(e.Number(), e.Description() + ": row \"" + grid.TextMatrix(r, 0) + "\" of table [" + table +
                                        "] in " + platform::FilePath(path));
      }
    }
    inTransaction = false;
    connection.Execute("COMMIT TRANSACTION", -1);
    inserted = true;
  });
  // A failed row keeps the rows before it: they are committed, not rolled back with the close.
  if (inTransaction) onError.Next([&] { connection.Execute("COMMIT TRANSACTION", -1); });
  if (connection.State() != ado::adStateClosed) onError.Next([&] { connection.Close(); });
  return inserted;
}

namespace {

std::string RowText(const platform::Grid& grid, long row) {
  std::string line;
  for (long c = 0; c < grid.Cols(); ++c) {
    if (c > 0) line += ',';
    line += grid.TextMatrix(row, c);
  }
  return line;
}

}  // namespace

void Export_TabSepFormat(const std::string& path) {
  OnError onError(modules::mExport, "Export_TabSepFormat");
  const platform::Grid& grid = frmSchedule().grdReport;
  bool opened = false;
  onError.Leave([&] {
    platform::TextFile file(path, platform::FileMode::Output);
    opened = true;
    const platform::DateTime now = platform::Now();
    // The lines go out as they are made: an error leaves what was written before it.
    file.WriteLines({kReportTitle, "QUORVASchedule IIS Settings Report", std::string(36, '_'), "",
                     "Date :-" + platform::FormatDate(now, "mm-dd-yyyy"), std::string(50, '_'), ""});
    std::string group = grid.Rows() > 0 && grid.Cols() > 0 ? grid.TextMatrix(0, 0) : std::string();
    for (long r = 0; r < grid.Rows(); ++r) {
      file.WriteLine(RowText(grid, r));
      if (r + 1 < grid.Rows() && grid.Cols() > 0 && grid.TextMatrix(r + 1, 0) != group) {
        file.WriteLine("");
        group = grid.TextMatrix(r + 1, 0);
      }
    }
    file.Close();
  });
  // A file left by a failing write keeps what was written, under its name.
  if (opened) journal::File("report", path);
}

long CountRowSpan(long start, const std::string& text) {
  const platform::Grid& grid = frmSchedule().grdReport;
  long count = 0;
  for (long r = start; r < grid.Rows(); ++r) {
    if (grid.TextMatrix(r, 0) != text) break;
    ++count;
  }
  return count;
}

// Texts from the settings (site names, host headers, item names in the headings) are written as
// character references: a page opened by an administrator shows them and runs nothing in them.
void Export_HTMLFormat(const std::string& path, bool legend) {
  OnError onError(modules::mExport, "Export_HTMLFormat");
  platform::Grid& grid = frmSchedule().grdReport;
  platform::TextFile file;
  if (!onError.Next([&] { file.Open(path, platform::FileMode::Output); })) {
    platform::Err().Clear();
    return;
  }
  // Each line is one statement: an error is reported and the next line is still written.
  auto line = [&](const std::string& text) { onError.Next([&] { file.WriteLine(text); }); };

  line("<HTML>");
  line("<TITLE>");
  line(kReportTitle);
  line("</TITLE>");
  line("<Table border = 0 >");
  line("<tr>");
  line(std::string("<td align = left width = 27%> ") + kReportTitle + "</td>");
  line("<td align = right width 100%> " + platform::GeneralDate(platform::Now()) + "</td>");
  line("</tr>");
  line("</table>");
  line("<HR noshade size = 0>");
  if (legend) line("* Bold represents difference in properties<br>");
  line("<Table border =1 cellspacing = 0 >");
  line("<tr>");
  for (long c = 0; c < grid.Cols(); ++c) {
    line("<td nowrap width=100% bgcolor = lightGrey align =center> <b>");
    line(" &nbsp; " + platform::HtmlEscape(grid.TextMatrix(0, c)) + " &nbsp; </b></td>");
  }
  line("</tr>");

  std::string group;
  bool aboveEmpty = false;
  for (long r = 1; r < grid.Rows(); ++r) {
    line("<tr>");
    for (long c = 0; c < grid.Cols(); ++c) {
      onError.Next([&] {
        const std::string& text = grid.TextMatrix(r, c);
        if (c == 0) {
          if (text.empty()) {
            line("<td nowrap width=100% bgcolor = lightgrey>");
            line(" &nbsp; </td>");
            aboveEmpty = true;
            return;
          }
          if (text != group || aboveEmpty) {
            group = text;
            aboveEmpty = false;
            long span = CountRowSpan(r, text);
            if (span > 1)
              line("<td nowrap width=100% bgcolor = lightgrey rowspan=" + std::to_string(span) + " valign>");
            else
              line("<td nowrap width=100% bgcolor = lightgrey>");
            line(platform::HtmlEscape(text) + "</td>");
          }
          // A later row of the group: the first row's cell spans it.
          return;
        }
        grid.SetRow(r);
        grid.SetCol(c);
        line("<td nowrap width=100%>");
        // A bold cell is bold whatever it holds; only a plain empty cell becomes a blank.
        if (grid.CellFontBold())
          line("<B>" + platform::HtmlEscape(text) + "</B></td>");
        else if (text.empty())
          line(" &nbsp; </td>");
        else
          line(platform::HtmlEscape(text) + "</td>");
      });
    }
    line("</tr>");
  }
  line("</Table>");
  line("</HTML>");
  onError.Next([&] { file.Close(); });
  journal::File("report", path);
}
