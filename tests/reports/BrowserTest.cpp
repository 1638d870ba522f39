// A report page and an activity log opened by a real browser (headless Chromium): the tables
// are read from the document the browser built, not from our own reading of our bytes.
#include <gtest/gtest.h>

#include <regex>

#include "TestServices.h"
#include "TestSupport.h"
#include "frmSchedule.h"
#include "logs/mLog.h"
#include "mMain.h"
#include "platform/Files.h"
#include "reports/mExport.h"

using testsupport::ScratchAppFolder;

namespace {

// A cell of the built document: its attributes and its content as the browser serialises them.
struct Cell {
  std::string attributes, content;
};
using Table = std::vector<std::vector<Cell>>;

// The tables of the document the browser built from the file, row by row, cell by cell.
std::vector<Table> BrowserTables(const ScratchAppFolder& app, const std::string& file) {
  std::string dom = testsupport::Capture("timeout 120 chromium --headless --no-sandbox --disable-gpu --user-data-dir='" +
                                         app.At("chromium") + "' --dump-dom 'file://" + file + "' 2>/dev/null");
  std::vector<Table> tables;
  static const std::regex table(R"(<table[^>]*>([\s\S]*?)</table>)"), row(R"(<tr>([\s\S]*?)</tr>)"),
      cell(R"(<td([^>]*)>([\s\S]*?)</td>)");
  for (std::sregex_iterator t(dom.begin(), dom.end(), table), end; t != end; ++t) {
    std::string body = (*t)[1];
    Table rows;
    for (std::sregex_iterator r(body.begin(), body.end(), row); r != end; ++r) {
      std::string cells = (*r)[1];
      rows.emplace_back();
      for (std::sregex_iterator c(cells.begin(), cells.end(), cell); c != end; ++c)
        rows.back().push_back({(*c)[1], (*c)[2]});
    }
    tables.push_back(rows);
  }
  return tables;
}

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \r\n"), last = text.find_last_not_of(" \r\n");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

class Browser : public testing::Test {
 protected:
  void SetUp() override {
    if (testsupport::Capture("command -v chromium").empty()) GTEST_SKIP() << "chromium is not installed";
  }
  ScratchAppFolder app;
};

}  // namespace

// A site of three rows with a bold cell, a site of one row, and an empty row between them.
TEST_F(Browser, ReportTableWithRowSpansAndBoldCells) {
  platform::Grid& grid = frmSchedule().grdReport;
  grid.SetRows(0);
  grid.SetCols(3);
  grid.SetRows(6);
  const std::vector<std::vector<std::string>> cells = {{"Web Site Name", "Extension", "Verbs"},
                                                       {"Contoso Shop", ".asp", "GET"},
                                                       {"Contoso Shop", ".aspx", "GET,POST"},
                                                       {"Contoso Shop", ".cer", " "},
                                                       {"", "", ""},
                                                       {"O'Brien Intranet", ".shtm", "GET"}};
  for (long r = 0; r < 6; ++r)
    for (long c = 0; c < 3; ++c) grid.SetTextMatrix(r, c, cells[size_t(r)][size_t(c)]);
  grid.SetRow(2);
  grid.SetCol(2);
  grid.SetCellFontBold(true);
  Export_HTMLFormat(app.At("report.html"), true);

  std::vector<Table> tables = BrowserTables(app, app.At("report.html"));
  ASSERT_EQ(tables.size(), 2u) << "the title table and the report table";
  const Table& report = tables[1];
  ASSERT_EQ(report.size(), 6u);
  EXPECT_EQ(report[0].size(), 3u);
  EXPECT_NE(report[0][1].content.find("Extension"), std::string::npos);
  // The site's cell spans its three rows; the rows it covers hold two cells.
  ASSERT_EQ(report[1].size(), 3u);
  EXPECT_NE(report[1][0].attributes.find("rowspan=\"3\""), std::string::npos) << report[1][0].attributes;
  EXPECT_EQ(Trim(report[1][0].content), "Contoso Shop");
  EXPECT_EQ(report[2].size(), 2u);
  EXPECT_EQ(report[3].size(), 2u);
  EXPECT_EQ(Trim(report[2][1].content), "<b>GET,POST</b>");
  EXPECT_EQ(Trim(report[2][0].content), ".aspx");
  // The empty row is three blank cells, the next site a cell of its own.
  ASSERT_EQ(report[4].size(), 3u);
  for (const Cell& blank : report[4]) EXPECT_EQ(Trim(blank.content), "&nbsp;");
  ASSERT_EQ(report[5].size(), 3u);
  EXPECT_EQ(report[5][0].attributes.find("rowspan"), std::string::npos);
  EXPECT_EQ(Trim(report[5][0].content), "O'Brien Intranet");
  int bold = 0;
  for (size_t r = 1; r < report.size(); ++r)
    for (const Cell& c : report[r]) bold += c.content.find("<b>") != std::string::npos;
  EXPECT_EQ(bold, 1);
}

// The activity log: the header tables and, after them, the result table with its heading row
// and one row per internal-log item.
TEST_F(Browser, ActivityLogResultTable) {
  CustomList = {"No"}, FormatList = {"CSV"}, PathList = {"No"};
  WriteActivityHeader(0);
  WriteIntLog("WEB1\\Shop|General|Successfully completed");
  WriteActivity(0);
  CustomList.clear(), FormatList.clear(), PathList.clear();

  std::vector<Table> tables = BrowserTables(app, platform::NativePath(ActivityLogPath));
  ASSERT_EQ(tables.size(), 5u);
  const Table& results = tables.back();
  ASSERT_EQ(results.size(), 2u);
  ASSERT_EQ(results[0].size(), 3u);
  EXPECT_NE(results[0][1].content.find("Web Site Settings"), std::string::npos);
  ASSERT_EQ(results[1].size(), 3u);
  EXPECT_EQ(results[1][0].content, "WEB1\\Shop");
  EXPECT_EQ(results[1][1].content, "General");
  EXPECT_EQ(results[1][2].content, "Successfully completed");
  EXPECT_NE(tables[3].at(0).at(0).content.find("Report Type : Standard"), std::string::npos);
}
