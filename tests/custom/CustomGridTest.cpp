// The custom report grid over a settings database filled by hand: one block of rows per leading
// record, each further table in its own columns from the leading row down.
#include <gtest/gtest.h>

#include "RunState.h"
#include "TestSupport.h"
#include "custom/mCustom.h"
#include "frmSchedule.h"
#include "platform/GridText.h"
#include "platform/Text.h"

namespace {

class CustomGrid : public testsupport::SettingsTest {
 protected:
  void SetUp() override { StartLevel(1); }

  // Lays out and fills the grid from a definition written as its two fields are; returns the job
  // and its column lists, then the grid.
  std::string Report(short level, const std::string& server, const std::string& columnLists, const std::string& tables) {
    CurrentLevel = level;
    std::vector<std::string> lists = platform::Split(columnLists, "|");
    AlignGridForCustomReport(lists);
    GenerateCustomReport(server, lists, platform::Split(tables, "|"));
    return std::to_string(level) + " " + server + ": " + columnLists + "\n" + testsupport::GridText(frmSchedule().grdReport);
  }
};

}  // namespace

// Over the settings of CustomGrid.sql: one table per site gives each site of the server its records; no site, or no column list,
// leaves the header alone. At the directory level every further table is narrowed to the leading
// record's directory (legacy has no documents: its row keeps that column empty). Two leading
// records (bindings) of Alpha repeat further tables of 1, 3, 0 and 1 records, with a list without
// columns between them, which makes a query the database rejects once per leading record.
TEST_F(CustomGrid, EachSiteAndDirectoryGetsItsOwnRecordsEachTableItsOwnColumns) {
  testsupport::ExecuteSqlFile("custom/CustomGrid.sql");
  const std::string grids =
      Report(1, "WEB1", "HTTP Error,Type", "tblCustomErrors") + Report(1, "NOSUCH", "SSL Port", "tblSSLInfo") +
      Report(2, "WEB1\\Nobody", "SSL Port", "tblSSLInfo") + Report(2, "WEB1\\Alpha", "", "") +
      Report(2, "WEB1\\Alpha", "SSL Port", "tblSSLInfo") +
      Report(3, "WEB1\\Alpha\\app", "Path|Documents|Anonymous access",
             "tblVirtualDirectory2000|tblVirDefaultDoc|tblVirDirSecurity") +
      Report(1, "WEB1", "IP Address,TCP Port|Path|Documents||Custom Header Name|SSL Port",
             "WebSiteGenInfo|tblHomeDirectory2000|tblDefaultDoc|tblOperator|tblCustomHeader|tblSSLInfo");
  testsupport::ExpectLikeFile(grids + testsupport::StatusLogText(app), "custom/CustomGrid.expected");
}
