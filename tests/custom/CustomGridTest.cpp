// The custom report grid, cell by cell, over a settings database filled by hand: one block of rows
// per leading record, each further table in its own columns from the leading row down.
#include <gtest/gtest.h>

#include "RunState.h"
#include "TestSupport.h"
#include "custom/mCustom.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "platform/Text.h"

using testsupport::LinesWith;
using testsupport::Rows;

namespace {

class CustomGrid : public testsupport::SettingsTest {
 protected:
  void SetUp() override { StartLevel(1); }

  void Insert(const std::string& table, const std::string& columns, const std::vector<std::string>& values) {
    for (const std::string& row : values)
      SettingsConnection->Execute("Insert Into " + table + " (" + columns + ") Values (" + row + ")");
  }
  // Lays out and fills the grid from a definition written as its two fields are.
  Rows Report(short level, const std::string& server, const std::string& columnLists, const std::string& tables) {
    CurrentLevel = level;
    std::vector<std::string> lists = platform::Split(columnLists, "|");
    AlignGridForCustomReport(lists);
    GenerateCustomReport(server, lists, platform::Split(tables, "|"));
    const platform::Grid& grid = frmSchedule().grdReport;
    Rows rows(static_cast<size_t>(grid.Rows()));
    for (long r = 0; r < grid.Rows(); ++r)
      for (long c = 0; c < grid.Cols(); ++c) rows[static_cast<size_t>(r)].push_back(grid.TextMatrix(r, c));
    return rows;
  }
};

}  // namespace

// One table per site gives each site of the server its records; no site, or no column list,
// leaves the header alone. At the directory level every further table is narrowed to the leading
// record's directory.
TEST_F(CustomGrid, EachSiteAndEachDirectoryGetsItsOwnRecordsAndNoneOnlyTheHeader) {
  Insert("WebSiteInfo", "SiteIndex, [Web Site Name], IISServer",
         {"'1', 'Alpha', 'WEB1'", "'2', 'Beta', 'WEB1'", "'3', 'Gamma', 'WEB1'", "'1', 'Elsewhere', 'WEB2'"});
  Insert("tblCustomErrors", "SiteIndex, [HTTP Error], Type, IISServer",
         {"'1', '404', 'File', 'WEB1'", "'1', '500', 'URL', 'WEB1'", "'2', '403', 'File', 'WEB1'",
          "'1', '401', 'File', 'WEB2'"});
  Insert("tblSSLInfo", "SiteIndex, [SSL Port], IISServer", {"'1', '443', 'WEB1'"});
  EXPECT_EQ(Report(1, "WEB1", "HTTP Error,Type", "tblCustomErrors"),
            (Rows{{"Web Site Name", "HTTP Error", "Type"},
                  {"Alpha", "404", "File"},
                  {"Alpha", "500", "URL"},
                  {"Beta", "403", "File"}}));
  EXPECT_EQ(Report(1, "NOSUCH", "SSL Port", "tblSSLInfo"), (Rows{{"Web Site Name", "SSL Port"}}));
  EXPECT_EQ(Report(2, "WEB1\\Nobody", "SSL Port", "tblSSLInfo"), (Rows{{"Web Site Name", "SSL Port"}}));
  EXPECT_EQ(Report(2, "WEB1\\Alpha", "", ""), (Rows{{"Web Site Name"}}));
  EXPECT_EQ(Report(2, "WEB1\\Alpha", "SSL Port", "tblSSLInfo"), (Rows{{"Web Site Name", "SSL Port"}, {"Alpha", "443"}}));

  const std::string key = "'IIS://WEB1/W3SVC/1/ROOT/app'", other = "'IIS://WEB1/W3SVC/1/ROOT/other'";
  Insert("tblVirtualDirectory2000", "vKey, [Directory Name], Path",
         {key + ", 'app', 'D:\\app'", key + ", 'legacy', 'D:\\legacy'", other + ", 'other', 'D:\\other'"});
  Insert("tblVirDefaultDoc", "vKey, [Directory Name], Documents",
         {key + ", 'app', 'default.asp'", key + ", 'app', 'index.htm'", other + ", 'legacy', 'elsewhere.htm'"});
  Insert("tblVirDirSecurity", "vKey, [Directory Name], [Anonymous access]",
         {key + ", 'legacy', 'Yes'", key + ", 'app', 'No'"});
  // legacy has no documents: its row keeps that column empty.
  EXPECT_EQ(Report(3, "WEB1\\Alpha\\app", "Path|Documents|Anonymous access",
                   "tblVirtualDirectory2000|tblVirDefaultDoc|tblVirDirSecurity"),
            (Rows{{"Directory Name", "Path", "Documents", "Anonymous access"},
                  {"app", "D:\\app", "default.asp", ""},
                  {"", "", "index.htm", "No"},
                  {"legacy", "D:\\legacy", "", "Yes"}}));
  EXPECT_TRUE(testsupport::StatusLog(app).empty());
}

// Two leading records (bindings) of Alpha with further tables of 1, 3, 0 and 1 records, a list
// without columns between them, and Nulls; then Beta.
TEST_F(CustomGrid, FurtherTablesFillTheirOwnColumnsFromTheLeadingRowDown) {
  Insert("WebSiteInfo", "SiteIndex, [Web Site Name], IISServer", {"'1', 'Alpha', 'WEB1'", "'2', 'Beta', 'WEB1'"});
  Insert("WebSiteGenInfo", "SiteIndex, [IP Address], [TCP Port], IISServer",
         {"'1', '10.0.0.1', '80', 'WEB1'", "'1', '10.0.0.2', Null, 'WEB1'", "'2', '10.0.0.9', '8080', 'WEB1'"});
  Insert("tblHomeDirectory2000", "SiteIndex, Path, IISServer", {"'1', 'D:\\Alpha', 'WEB1'"});
  Insert("tblDefaultDoc", "SiteIndex, Documents, IISServer",
         {"'1', 'a.htm', 'WEB1'", "'1', Null, 'WEB1'", "'1', 'c.htm', 'WEB1'", "'2', 'b.htm', 'WEB1'"});
  Insert("tblCustomHeader", "SiteIndex, [Custom Header Name], IISServer", {"'2', 'X-A', 'WEB1'"});
  Insert("tblSSLInfo", "SiteIndex, [SSL Port], IISServer", {"'1', '443', 'WEB1'"});

  // Three rows for each of Alpha's bindings (the further tables repeat for each), then Beta.
  EXPECT_EQ(Report(1, "WEB1", "IP Address,TCP Port|Path|Documents||Custom Header Name|SSL Port",
                   "WebSiteGenInfo|tblHomeDirectory2000|tblDefaultDoc|tblOperator|tblCustomHeader|tblSSLInfo"),
            (Rows{{"Web Site Name", "IP Address", "TCP Port", "Path", "Documents", "Custom Header Name", "SSL Port"},
                  {"Alpha", "10.0.0.1", "80", "D:\\Alpha", "a.htm", "", ""},
                  {"", "", "", "", "", "", ""},
                  {"", "", "", "", "c.htm", "", "443"},
                  {"Alpha", "10.0.0.2", "", "D:\\Alpha", "a.htm", "", ""},
                  {"", "", "", "", "", "", ""},
                  {"", "", "", "", "c.htm", "", "443"},
                  {"Beta", "10.0.0.9", "8080", "", "b.htm", "X-A", ""}}));

  // The list without columns makes a query the database rejects, once per leading record.
  auto log = testsupport::StatusLog(app);
  EXPECT_EQ(log.size(), 3u);
  EXPECT_EQ(LinesWith(log, "mCustom.GenerateCustomReport"), 3);
}
