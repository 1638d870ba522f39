// The comparison of two sites or two directories in a real settings database: the rows of
// TmpTable and the report grid, row by row, for settings written by hand (so every pairing rule
// is pinned) and for a demo site collected from its snapshot.
#include <gtest/gtest.h>

#include "RunState.h"
#include "collect/mCollect.h"
#include "compare/CompareDriver.h"
#include "compare/CompareState.h"
#include "compare/DiffDisplay.h"
#include "compare/PropertyCompare.h"
#include "database/Catalogue.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "platform/Text.h"
#include "reports/ReportJobs.h"

using testsupport::LinesWith;
using testsupport::Rows;
using Grid = std::vector<std::string>;

namespace {

// The heading row of every comparison of S1\A with S2\B.
const char* const kHeading = "Web Site Properties|Properties|S1\\A|S2\\B";

class Comparison : public testsupport::SettingsTest {
 protected:
  void SetUp() override {
    StartLevel(4);
    CompareCategoryCount = 18;
    std::string captions;
    GetTabCaptions(4, captions, CompareAppTabCaptions);
    CompareTabCaptions = platform::Split(captions, ",");
  }
  void Sql(const std::string& sql) { SettingsConnection->Execute(sql); }
  // Site-table rows: SiteIndex 1 of the server, then each row's values as SQL literals.
  void SiteRows(const std::string& table, const std::string& server, const std::vector<std::string>& rows) {
    for (const auto& values : rows) Sql("Insert Into [" + table + "] Values('1'," + values + ",'" + server + "')");
  }
  void CompareS1WithS2() {
    CompareServer1 = "S1", CompareServer2 = "S2", CompareSiteIndex1 = CompareSiteIndex2 = "1";
    CompareItem1 = "S1\\A", CompareItem2 = "S2\\B";
    CompareSiteProperties(CompareServer1, CompareServer2, CompareSiteIndex1, CompareSiteIndex2);
    DisplayDiffRecord();
  }
  Rows TmpTable() { return Query("Select * From TmpTable Order By rowid"); }
  // The report grid, a "*" before every bold cell; a separator row shows its height.
  Grid ShownGrid() {
    const platform::Grid& g = frmSchedule().grdReport;
    Grid rows;
    for (long r = 0; r < g.Rows(); ++r) {
      std::string row;
      for (long c = 0; c < g.Cols(); ++c) row += (c ? "|" : "") + std::string(g.CellFontBoldAt(r, c) ? "*" : "") + g.TextMatrix(r, c);
      if (g.RowHeight(r) != platform::Grid::kDefaultRowHeight) row += " @" + std::to_string(g.RowHeight(r));
      rows.push_back(row);
    }
    return rows;
  }
  // The compared rows the grid shows: heading and separators left out, bold marks taken off.
  static Rows Unmarked(const Grid& grid) {
    Rows rows;
    for (size_t r = 1; r < grid.size(); ++r)
      if (grid[r].find(" @") == std::string::npos)
        rows.push_back(platform::Split(platform::Replace(grid[r], "*", ""), "|"));
    return rows;
  }
};

}  // namespace

// Single-row and multi-row categories: equal counts give every property, unequal counts only the
// differing ones (paired records without regard to case, extra records against the shorter
// set's last record, exactly); a category one side lacks adds nothing. Restriction entries are
// compared as sets, written in the collector's form (each entry in its own row, the other cells
// empty, one empty row per site): overlapping grants, disjoint denials, domains on one side only,
// and the same denied domain on both, which adds nothing. Then the same sites with a step failing.
TEST_F(Comparison, SitesDifferingInSingleAndMultiRowCategoriesAndRestrictionsThenFailingSteps) {
  SiteRows("WebSiteGenInfo", "S1", {"'(All Unassigned)','80','','Yes','','120','Started'"});
  SiteRows("WebSiteGenInfo", "S2", {"'(All Unassigned)','81','','Yes','','120','started'"});
  SiteRows("tblCustomHeader", "S1", {"'X-A','1'", "'X-B','2'"});
  SiteRows("tblCustomHeader", "S2", {"'X-A','1'", "'X-C','2'"});
  // Item 1 the longer: File/file and a.htm/A.HTM pair up equal; the tail compares exactly and
  // never reports the Null.
  SiteRows("tblCustomErrors", "S1", {"'404','File','a.htm'", "'500','FILE','b.htm'", "'401',NULL,'c.htm'"});
  SiteRows("tblCustomErrors", "S2", {"'404','file','A.HTM'"});
  // Item 2 the longer: item 1's values still in WebSite1; Null pairs with empty text.
  SiteRows("tblDefaultDoc", "S1", {"'Yes','Default.htm','No',NULL"});
  SiteRows("tblDefaultDoc", "S2",
           {"'Yes','default.htm','No',''", "'Yes','index.htm','No',''", "'Yes','Default.htm','No',''"});
  SiteRows("tblISAPIFilters", "S1", {"'Compression','c.dll','Enabled'"});
  SiteRows("tblRestrictIPAddress", "S1", {"'10.0.0.1','','',''", "'10.0.0.2','','',''", "'10.0.0.3','','',''",
                                          "'','192.168.1.1','',''", "'','','','x.example'", "'','','',''"});
  SiteRows("tblRestrictIPAddress", "S2", {"'10.0.0.2','','',''", "'10.0.0.9','','',''", "'','172.16.0.1','',''",
                                          "'','','a.example',''", "'','','b.example',''", "'','','','X.EXAMPLE'"});

  CompareS1WithS2();
  // Bold where the shown texts differ, letter case counting; never the caption. An entry against
  // another or against " " always differs. TmpTable holds the same rows.
  const Grid grid = {
      kHeading, "General|IP Address|(All Unassigned)|(All Unassigned)", "General|*TCP Port|*80|*81",
      "General|Host Header Name||", "General|Connection UnLimited|Yes|Yes", "General|Connection Limited||",
      "General|Connection Timeout|120|120", "General|*State|*Started|*started", "||| @25",
      "Restricted IP Address|*Granted IP Address|*10.0.0.1|*10.0.0.9",
      "Restricted IP Address|*Granted IP Address|*10.0.0.3|* ",
      "Restricted IP Address|*Denied IP Address|*192.168.1.1|*172.16.0.1",
      "Restricted IP Address|*Granted Domain|* |*a.example",
      "Restricted IP Address|*Granted Domain|* |*b.example", "||| @25",
      "Custom Headers|Custom Header Name|X-A|X-A", "Custom Headers|Custom Header Value|1|1",
      "Custom Headers|*Custom Header Name|*X-B|*X-C", "Custom Headers|Custom Header Value|2|2", "||| @25",
      "Documents|*Documents|*Default.htm|*index.htm", "||| @25",
      "Custom Errors|*HTTP Error|*500|*404", "Custom Errors|*Type|*FILE|*file", "Custom Errors|*Contents|*b.htm|*A.HTM",
      "Custom Errors|*HTTP Error|*401|*404", "Custom Errors|*Contents|*c.htm|*A.HTM"};
  EXPECT_EQ(ShownGrid(), grid);
  EXPECT_EQ(TmpTable(), Unmarked(grid));
  EXPECT_EQ(testsupport::StatusLog(app).size(), 0u);

  // A category table that is gone is reported and the other categories are still compared; the
  // rows the comparison before left in TmpTable go. Without TmpTable the grid keeps its headings.
  Sql("Drop Table tblCustomHeader");
  CompareS1WithS2();
  Rows rest = Unmarked(grid);
  std::erase_if(rest, [](const auto& row) { return row[0] == "Custom Headers"; });
  EXPECT_EQ(TmpTable(), rest);
  auto log = testsupport::StatusLog(app);
  EXPECT_EQ(LinesWith(log, "mCollect.CompareProp"), 2);
  EXPECT_EQ(LinesWith(log, "-2147217865 - "), 2);
  Sql("Drop Table TmpTable");
  DisplayDiffRecord();
  EXPECT_EQ(ShownGrid(), Grid{kHeading});
  // The open fails, and with it the column count and the record count.
  EXPECT_EQ(LinesWith(testsupport::StatusLog(app), "mCollect.DisplayDiffRecord"), 3);
}

// A site of the demo farm against itself: every category of the walk, under its caption, with
// every property of every row and nothing bold. Application mappings and the restrictions
// (all shared) add nothing.
TEST_F(Comparison, ASiteComparedWithItselfGivesEveryPropertyAndNothingBold) {
  ServerList = {"Self(1\\WEBFARM01\\Contoso Shop,2\\WEBFARM01\\Contoso Shop)"};
  FormatList = {"None"}, OptionList = {"0"}, PathList = {"No"}, CustomList = {"No"}, PrinterNameList = {"P"};
  CollectIISSettings();
  ExportComparisonDetails();

  Rows expected;
  auto add = [&](const std::string& caption, short index, short sub = 0) {
    const std::vector<std::string> labels =
        platform::Split(sub ? catalogue::ApplicationLabels(sub) : catalogue::WebSiteLabels(index, ServerVersion), ",");
    for (const auto& row : testsupport::SiteRows("WEBFARM01", index, sub, "Contoso Shop"))
      for (size_t n = 0; n < labels.size(); ++n) expected.push_back({caption, labels[n], row[n + 1], row[n + 1]});
  };
  for (short i = 1; i <= 17; ++i)
    if (i == 5)
      for (short k : {1, 3, 4, 5}) add(platform::Split(CompareAppTabCaptions, ",")[k - 1], 5, k);
    else if (i != 7)
      add(CompareTabCaptions[i - 1], i);
  EXPECT_EQ(TmpTable(), expected);
  for (const std::string& row : ShownGrid()) EXPECT_EQ(row.find('*'), std::string::npos) << row;
  EXPECT_EQ(testsupport::StatusLog(app).size(), 0u);
}
