// The three writers on report grids built here: the HTML and comma-separated files compared
// whole, byte for byte, and the rows an export table receives.
#include <gtest/gtest.h>

#include <functional>

#include "TestSupport.h"
#include "database/SqliteFile.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "platform/Ado.h"
#include "platform/DateTime.h"
#include "reports/mExport.h"

using testsupport::ScratchAppFolder;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Fills grdReport: row 0 the headings, then the data rows; the listed cells are made bold.
void SetGrid(const Rows& rows, const std::vector<std::pair<long, long>>& bold = {}) {
  platform::Grid& grid = frmSchedule().grdReport;
  grid.SetRows(0);
  grid.SetCols(static_cast<long>(rows[0].size()));
  grid.SetRows(static_cast<long>(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c) grid.SetTextMatrix(long(r), long(c), rows[r][c]);
  for (auto [r, c] : bold) {
    grid.SetRow(r);
    grid.SetCol(c);
    grid.SetCellFontBold(true);
  }
}

std::string Crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// Writes again until the writer ran within one second; returns that second.
platform::DateTime WrittenAt(const std::function<void()>& write) {
  for (;;) {
    platform::DateTime before = platform::Now();
    write();
    platform::DateTime after = platform::Now();
    if (platform::GeneralDate(before) == platform::GeneralDate(after)) return before;
  }
}

// The HTML page down to the heading row's end, for the headings given.
std::vector<std::string> HtmlHead(const platform::DateTime& at, bool legend, const std::vector<std::string>& headings) {
  std::vector<std::string> lines = {"<HTML>", "<TITLE>", "Brantel v1.9", "</TITLE>", "<Table border = 0 >", "<tr>",
                                    "<td align = left width = 27%> Brantel v1.9</td>",
                                    "<td align = right width 100%> " + platform::GeneralDate(at) + "</td>", "</tr>",
                                    "</table>", "<HR noshade size = 0>"};
  if (legend) lines.push_back("* Bold represents difference in properties<br>");
  lines.push_back("<Table border =1 cellspacing = 0 >");
  lines.push_back("<tr>");
  for (const auto& heading : headings) {
    lines.push_back("<td nowrap width=100% bgcolor = lightGrey align =center> <b>");
    lines.push_back(" &nbsp; " + heading + " &nbsp; </b></td>");
  }
  lines.push_back("</tr>");
  return lines;
}

std::vector<std::string> CsvHead(const platform::DateTime& at) {
  return {"Brantel v1.9", "QUORVASchedule IIS Settings Report", std::string(36, '_'), "",
          "Date :-" + platform::FormatDate(at, "mm-dd-yyyy"), std::string(50, '_'), ""};
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::string kKey = "<td nowrap width=100% bgcolor = lightgrey>";
const std::string kCell = "<td nowrap width=100%>";
std::string Span(int n) { return "<td nowrap width=100% bgcolor = lightgrey rowspan=" + std::to_string(n) + " valign>"; }

class Writers : public testing::Test {
 protected:
  std::string Html(bool legend = false) {
    at = WrittenAt([&] { Export_HTMLFormat(app.At("report.html"), legend); });
    return testsupport::ReadFile(app.At("report.html"));
  }
  std::string Csv() {
    at = WrittenAt([&] { Export_TabSepFormat(app.At("report.csv")); });
    return testsupport::ReadFile(app.At("report.csv"));
  }
  ScratchAppFolder app;
  // The second the last file was written in; read it only after the writer ran.
  platform::DateTime at;
  std::string html, csv;
};

}  // namespace

TEST_F(Writers, HeadingsOnly) {
  SetGrid({{"Web Site Name", "Server Comment"}});
  app.Write("report.html", std::string(5000, 'x'));  // an older file of the name is replaced
  html = Html();
  const std::vector<std::string> end = {"</Table>", "</HTML>"};
  EXPECT_EQ(html, Crlf(HtmlHead(at, false, {"Web Site Name", "Server Comment"}) + end));
  csv = Csv();
  EXPECT_EQ(csv, Crlf(CsvHead(at) + std::vector<std::string>{"Web Site Name,Server Comment"}));
  EXPECT_TRUE(testsupport::StatusLog(app).empty());
}

// A standard report of one server: a site of one row, a site of three rows (a multi-row category)
// with a bold cell in the first data row, a Null shown as one blank, an empty cell, and cells with
// commas and apostrophes, which both text formats write as they stand.
TEST_F(Writers, GroupsOfOneAndThreeRowsWithSpecialCells) {
  SetGrid({{"Web Site Name", "Extension", "Executable Path"},
           {"Default Web Site", "*.asp", "C:\\asp.dll"},
           {"O'Brien Intranet", ".shtm", "ssinc.dll,GET"},
           {"O'Brien Intranet", ".stm", " "},
           {"O'Brien Intranet", "", "<i>"},
           {"Contoso Shop", ".aspx", "aspnet_isapi.dll"}},
          {{1, 1}});
  html = Html();
  EXPECT_EQ(html, Crlf(HtmlHead(at, false, {"Web Site Name", "Extension", "Executable Path"}) +
                         std::vector<std::string>{
                             "<tr>", kKey, "Default Web Site</td>", kCell, "<B>*.asp</B></td>", kCell,
                             "C:\\asp.dll</td>", "</tr>",                                                   //
                             "<tr>", Span(3), "O'Brien Intranet</td>", kCell, ".shtm</td>", kCell,
                             "ssinc.dll,GET</td>", "</tr>",                                                 //
                             "<tr>", kCell, ".stm</td>", kCell, " </td>", "</tr>",                          //
                             "<tr>", kCell, " &nbsp; </td>", kCell, "<i></td>", "</tr>",                    //
                             "<tr>", kKey, "Contoso Shop</td>", kCell, ".aspx</td>", kCell,
                             "aspnet_isapi.dll</td>", "</tr>",                                              //
                             "</Table>", "</HTML>"}));
  csv = Csv();
  EXPECT_EQ(csv, Crlf(CsvHead(at) + std::vector<std::string>{"Web Site Name,Extension,Executable Path", "",
                                                               "Default Web Site,*.asp,C:\\asp.dll", "",
                                                               "O'Brien Intranet,.shtm,ssinc.dll,GET",
                                                               "O'Brien Intranet,.stm, ", "O'Brien Intranet,,<i>", "",
                                                               "Contoso Shop,.aspx,aspnet_isapi.dll"}));
}

// A comparison grid: the legend, bold values, an empty row between two categories, and a
// category that comes back after the empty row starting a group of its own. Its first data row
// repeats the heading of column 0, so no empty line follows the headings in the text file.
TEST_F(Writers, ComparisonGridWithEmptyRowBetweenGroups) {
  SetGrid({{"Web Site Properties", "Properties", "A", "B"},
           {"Web Site Properties", "Port", "80", "81"},
           {"General", "Port", "80", "80"},
           {"General", "Timeout", "", "120"},
           {"", "", "", ""},
           {"General", "Logging", "On", "On"}},
          {{1, 2}, {1, 3}, {3, 2}, {3, 3}});
  html = Html(true);
  EXPECT_EQ(html,
            Crlf(HtmlHead(at, true, {"Web Site Properties", "Properties", "A", "B"}) +
                 std::vector<std::string>{
                     "<tr>", kKey, "Web Site Properties</td>", kCell, "Port</td>", kCell, "<B>80</B></td>", kCell,
                     "<B>81</B></td>", "</tr>",                                                               //
                     "<tr>", Span(2), "General</td>", kCell, "Port</td>", kCell, "80</td>", kCell, "80</td>",
                     "</tr>",                                                                                 //
                     "<tr>", kCell, "Timeout</td>", kCell, "<B></B></td>", kCell, "<B>120</B></td>", "</tr>",  //
                     "<tr>", kKey, " &nbsp; </td>", kCell, " &nbsp; </td>", kCell, " &nbsp; </td>", kCell,
                     " &nbsp; </td>", "</tr>",                                                                //
                     "<tr>", kKey, "General</td>", kCell, "Logging</td>", kCell, "On</td>", kCell, "On</td>",
                     "</tr>",  //
                     "</Table>", "</HTML>"}));
  csv = Csv();
  EXPECT_EQ(csv, Crlf(CsvHead(at) + std::vector<std::string>{"Web Site Properties,Properties,A,B",
                                                               "Web Site Properties,Port,80,81", "", "General,Port,80,80",
                                                               "General,Timeout,,120", "", ",,,", "",
                                                               "General,Logging,On,On"}));
}

// Rows go in as quoted texts in grid order. A value too long for its column stops the report at
// that row: the rows before it stay, the rest are not inserted, and one line reports it.
TEST_F(Writers, ExportTableRows) {
  std::string path = app.At("QUORVAExportDb_WEB1.mdb");
  ASSERT_TRUE(CheckAndCreateDB(path, true));
  GetDataFromSource("Extension,Executable Path", path, "Application Mappings");
  SetGrid({{"Web Site Name", "Extension", "Executable Path"},
           {"O'Brien Intranet", "*.asp", " "},
           {"Ann's Recipes", "'", "C:\\a,b.dll"}});
  EXPECT_TRUE(ExportReport("Application Mappings", path));
  const std::string all = "Select * From [Application Mappings] Order By rowid";
  EXPECT_EQ(testsupport::QueryFile(path, all),
            (Rows{{"O'Brien Intranet", "*.asp", " "}, {"Ann's Recipes", "'", "C:\\a,b.dll"}}));

  GetDataFromSource("Extension,Executable Path", path, "Application Mappings");
  SetGrid({{"Web Site Name", "Extension", "Executable Path"},
           {"Site 1", ".a", "x"},
           {"Site 2", ".b", "y"},
           {std::string(26, 'S'), ".c", "z"},
           {"Site 4", ".d", "w"}});
  EXPECT_FALSE(ExportReport("Application Mappings", path));
  EXPECT_EQ(testsupport::QueryFile(path, all), (Rows{{"Site 1", ".a", "x"}, {"Site 2", ".b", "y"}}));
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("mExport.ExportReport" + std::string(50, ' ') + "-2147217887 - ", 0), 0u) << log[0];

  // A database that cannot be opened: nothing inserted, the opening reports it.
  EXPECT_FALSE(ExportReport("Application Mappings", app.At("missing.mdb")));
  log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].rfind("mGlobalFunctionDef.OpenConnection ", 0), 0u) << log[1];
}

// A disk that fills up under the text writers (/dev/full takes the open and fails the writes):
// each writer reports it once and returns.
TEST_F(Writers, AFullDiskIsReportedOnce) {
  SetGrid({{"Web Site Name", "Server Comment"}, {"Default Web Site", "Default"}});
  Export_TabSepFormat("/dev/full");
  Export_HTMLFormat("/dev/full", false);
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "mExport.Export_TabSepFormat" + std::string(43, ' ') + "75 - Disk full or write error");
  EXPECT_EQ(log[1], "mExport.Export_HTMLFormat" + std::string(45, ' ') + "75 - Disk full or write error");
}
