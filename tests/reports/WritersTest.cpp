// The three writers on report grids built here: the HTML and comma-separated files compared
// whole, byte for byte, the rows an export table receives, and the writes that fail.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <utility>

#include "ReportJobs.h"
#include "database/SqliteFile.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "platform/Ado.h"
#include "platform/DateTime.h"
#include "platform/Text.h"
#include "reports/mExport.h"

using testsupport::ScratchAppFolder;

namespace {

using Lines = std::vector<std::string>;
using Rows = std::vector<Lines>;

// Fills grdReport: row 0 the headings, then the data rows; the listed cells are made bold.
void SetGrid(const Rows& rows, const std::vector<std::pair<long, long>>& bold = {}) {
  platform::Grid& grid = frmSchedule().grdReport;
  grid.SetRows(0);
  grid.SetCols(static_cast<long>(rows[0].size()));
  grid.SetRows(static_cast<long>(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c) grid.SetTextMatrix(long(r), long(c), rows[r][c]);
  for (auto [r, c] : bold) grid.SetRow(r), grid.SetCol(c), grid.SetCellFontBold(true);
}

struct GridCase {
  const char* what;
  Rows grid;
  std::vector<std::pair<long, long>> bold;
  bool legend;
};

}  // namespace

// Each grid written as both text files, compared whole, byte for byte, with the data file.
TEST(Writers, HtmlAndTextFilesOfReportGrids) {
  const GridCase cases[] = {
      {"headings only", {{"Web Site Name", "Server Comment"}}, {}, false},
      // A standard report: a site of one row, a site of three rows (a multi-row category) with a
      // bold cell in the first data row, a Null shown as one blank, an empty cell, and cells with
      // commas and apostrophes, which both text formats write as they stand; markup the HTML file
      // writes as character references.
      {"groups of one and three rows",
       {{"Web Site Name", "Extension", "Executable Path"}, {"Default Web Site", "*.asp", "C:\\asp.dll"},
        {"O'Brien Intranet", ".shtm", "ssinc.dll,GET"}, {"O'Brien Intranet", ".stm", " "},
        {"O'Brien Intranet", "", "<i>"}, {"Contoso Shop", ".aspx", "aspnet_isapi.dll"}},
       {{1, 1}}, false},
      // A comparison grid: the legend, bold values, an empty row between two categories, and a
      // category that comes back after the empty row starting a group of its own. Its first data
      // row repeats the heading of column 0, so no empty line follows the headings in the text file.
      {"comparison grid",
       {{"Web Site Properties", "Properties", "A", "B"}, {"Web Site Properties", "Port", "80", "81"},
        {"General", "Port", "80", "80"}, {"General", "Timeout", "", "120"}, {"", "", "", ""},
        {"General", "Logging", "On", "On"}},
       {{1, 2}, {1, 3}, {3, 2}, {3, 3}}, true}};
  ScratchAppFolder app;
  app.Write("report.html", std::string(5000, 'x'));  // an older file of the name is replaced
  std::string written;
  std::vector<std::pair<std::string, std::string>> dates;
  for (const GridCase& c : cases) {
    SetGrid(c.grid, c.bold);
    const platform::DateTime before = platform::Now();
    Export_HTMLFormat(app.At("report.html"), c.legend);
    Export_TabSepFormat(app.At("report.csv"));
    for (const platform::DateTime& at : {before, platform::Now()})
      dates.insert(dates.end(), {{platform::GeneralDate(at), "<now>"}, {platform::FormatDate(at, "mm-dd-yyyy"), "<day>"}});
    written += std::string("== ") + c.what + "\r\n" + testsupport::ReadFile(app.At("report.html")) +
               testsupport::ReadFile(app.At("report.csv"));
  }
  testsupport::ExpectLikeFile(written, "reports/Grids.expected", dates, true);
  EXPECT_TRUE(testsupport::StatusLog(app).empty());
}

// Rows go in as quoted texts in grid order. A value too long for its column stops the report at
// that row: the rows before it stay, the rest are not inserted, and one line names the row.
TEST(Writers, ExportTableRowsAndFailingWrites) {
  ScratchAppFolder app;
  std::string path = app.At("QUORVAExportDb_WEB1.mdb");
  // Links planted under the export database's name and its journal's are replaced, not followed.
  std::filesystem::create_symlink(app.At("elsewhere"), path);
  std::filesystem::create_symlink(app.At("elsewhere"), path + "-journal");
  ASSERT_TRUE(CheckAndCreateDB(path, true));
  GetDataFromSource("Extension,Executable Path", path, "Application Mappings");
  SetGrid({{"Web Site Name", "Extension", "Executable Path"}, {"O'Brien Intranet", "*.asp", " "},
           {"Ann's Recipes", "'", "C:\\a,b.dll"}});
  EXPECT_TRUE(ExportReport("Application Mappings", path));
  const std::string all = "Select * From [Application Mappings] Order By rowid";
  EXPECT_EQ(testsupport::QueryFile(path, all),
            (Rows{{"O'Brien Intranet", "*.asp", " "}, {"Ann's Recipes", "'", "C:\\a,b.dll"}}));

  GetDataFromSource("Extension,Executable Path", path, "Application Mappings");
  SetGrid({{"Web Site Name", "Extension", "Executable Path"}, {"Site 1", ".a", "x"}, {"Site 2", ".b", "y"},
           {std::string(26, 'S'), ".c", "z"}, {"Site 4", ".d", "w"}});
  EXPECT_FALSE(ExportReport("Application Mappings", path));
  EXPECT_EQ(testsupport::QueryFile(path, all), (Rows{{"Site 1", ".a", "x"}, {"Site 2", ".b", "y"}}));
  // One put in its place afterwards is never opened.
  app.Write("victim.mdb", "");
  std::filesystem::remove(path);
  std::filesystem::create_symlink(app.At("victim.mdb"), path);
  GetDataFromSource("Extension", path, "Late");
  EXPECT_TRUE(testsupport::TablesOf(app.At("victim.mdb")).empty());
  EXPECT_FALSE(std::filesystem::exists(app.At("elsewhere")));

  // A disk that fills up under the text writers: past the file-size limit every write fails for
  // real. Each writer reports it once, naming the unfinished file, which keeps its .part name; an
  // older report under the name stays as it was.
  SetGrid(Rows(400, Lines{"Default Web Site", std::string(40, 'x')}));
  app.Write("full.csv", "older\r\n");
  struct rlimit limit {};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const rlim_t unlimited = std::exchange(limit.rlim_cur, 8192);
  std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
  ::setrlimit(RLIMIT_FSIZE, &limit);
  Export_TabSepFormat(app.At("full.csv"));
  Export_HTMLFormat(app.At("full.html"), false);
  limit.rlim_cur = unlimited;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_EQ(testsupport::ReadFile(app.At("full.csv")), "older\r\n");
  EXPECT_FALSE(std::filesystem::exists(app.At("full.html")));
  EXPECT_EQ(testsupport::ReadFile(app.At("full.html.part")).size(), 8192u);

  // Links planted under a report's name and its .part name are replaced, never written through.
  app.Write("kept", "kept");
  std::filesystem::create_symlink(app.At("kept"), app.At("linked.csv"));
  std::filesystem::create_symlink(app.At("kept"), app.At("linked.csv.part"));
  std::filesystem::create_symlink(app.At("made"), app.At("linked.html"));
  Export_TabSepFormat(app.At("linked.csv"));
  Export_HTMLFormat(app.At("linked.html"), false);
  EXPECT_EQ(testsupport::ReadFile(app.At("kept")), "kept");
  EXPECT_FALSE(std::filesystem::exists(app.At("made")));
  for (const char* name : {"linked.csv", "linked.html"})
    EXPECT_GT(std::filesystem::is_symlink(app.At(name)) ? 0 : std::filesystem::file_size(app.At(name)), 8192u) << name;

  testsupport::ExpectLikeFile(testsupport::StatusLogText(app), "reports/FailingWrites.expected", {{app.Path(), "<app>"}});
}
