// The comparison of two sites in a real settings database: the rows of TmpTable and the report
// grid, for settings written by hand (so every pairing rule is pinned) and for a demo site
// collected from its snapshot.
#include <gtest/gtest.h>

#include "RunState.h"
#include "TestSupport.h"
#include "collect/mCollect.h"
#include "compare/CompareDriver.h"
#include "compare/CompareState.h"
#include "compare/DiffDisplay.h"
#include "compare/PropertyCompare.h"
#include "database/mDatabase.h"
#include "frmSchedule.h"
#include "platform/GridText.h"
#include "platform/Text.h"

using testsupport::Rows;

namespace {

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
  // Compares site 1 of S1 with site 1 of S2; returns the report grid.
  std::string CompareS1WithS2() {
    CompareServer1 = "S1", CompareServer2 = "S2", CompareSiteIndex1 = CompareSiteIndex2 = "1";
    CompareItem1 = "S1\\A", CompareItem2 = "S2\\B";
    CompareSiteProperties(CompareServer1, CompareServer2, CompareSiteIndex1, CompareSiteIndex2);
    DisplayDiffRecord();
    return testsupport::GridText(frmSchedule().grdReport);
  }
  Rows TmpTable() { return Query("Select * From TmpTable Order By rowid"); }
  // The compared rows a grid shows: heading and separators left out, bold marks taken off.
  static Rows Unmarked(const std::string& grid) {
    Rows rows;
    for (const std::string& line : platform::Split(grid, "\n"))
      if (!line.empty() && line.find(" @") == std::string::npos && !line.starts_with("Web Site Properties|"))
        rows.push_back(platform::Split(platform::Replace(line, "*", ""), "|"));
    return rows;
  }
};

}  // namespace

// Two sites whose settings (SitesDiffer.sql) differ in single-row and multi-row categories: equal
// counts give every property, unequal counts only the differing ones (paired records without
// regard to case, extra records against the shorter set's last record, exactly); a category one
// side lacks adds nothing; restriction entries are compared as sets. Cells are bold where the
// shown texts differ, letter case counting, never the caption; an entry against another or
// against " " always differs. Then the same sites with a step failing.
TEST_F(Comparison, SitesDifferingInSingleAndMultiRowCategoriesAndRestrictionsThenFailingSteps) {
  testsupport::ExecuteSqlFile("compare/SitesDiffer.sql");
  const std::string grid = CompareS1WithS2();
  testsupport::ExpectLikeFile(grid, "compare/SitesDiffer.expected");
  EXPECT_EQ(TmpTable(), Unmarked(grid));

  // A category table that is gone is reported and the other categories are still compared; the
  // rows the comparison before left in TmpTable go. Without TmpTable the grid keeps its headings:
  // the open fails, and with it the column count and the record count.
  Sql("Drop Table tblCustomHeader");
  CompareS1WithS2();
  Rows rest = Unmarked(grid);
  std::erase_if(rest, [](const auto& row) { return row[0] == "Custom Headers"; });
  EXPECT_EQ(TmpTable(), rest);
  Sql("Drop Table TmpTable");
  DisplayDiffRecord();
  EXPECT_EQ(testsupport::GridText(frmSchedule().grdReport), "Web Site Properties|Properties|S1\\A|S2\\B\n");
  testsupport::ExpectLikeFile(testsupport::StatusLogText(app), "compare/FailingSteps.expected");
}

// A site of the demo farm against itself: every category of the walk, under its caption, with
// every property of every row and nothing bold. Application mappings and the restrictions
// (all shared) add nothing.
TEST_F(Comparison, ASiteComparedWithItselfGivesEveryPropertyAndNothingBold) {
  ServerList = {"Self(1\\WEBFARM01\\Contoso Shop,2\\WEBFARM01\\Contoso Shop)"};
  FormatList = {"None"}, OptionList = {"0"}, PathList = {"No"}, CustomList = {"No"}, PrinterNameList = {"P"};
  CollectIISSettings();
  ExportComparisonDetails();

  testsupport::ExpectLikeFile(testsupport::GridText(frmSchedule().grdReport), "compare/SelfCompare.expected");
  EXPECT_TRUE(testsupport::StatusLog(app).empty());
}
