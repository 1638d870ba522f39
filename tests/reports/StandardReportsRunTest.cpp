// A whole run of the program over the demo snapshots: the standard reports of levels 1 to 3 in
// every format, compared with what the snapshots give, the activity and internal logs, and bad
// jobs between the good ones, each of which leaves exactly its status-log line and no file (a job
// after the end of its Path list too), and a link planted under the run lock's name, never followed.
#include <gtest/gtest.h>

#include "ReportJobs.h"
#include "database/SqliteFile.h"

namespace fs = std::filesystem;
using testsupport::ScratchAppFolder;
using catalogue::Family;

using Lines = std::vector<std::string>;
using testsupport::DirectoryRows;
using testsupport::ErrorLine;
using testsupport::Rows;
using testsupport::SiteRows;

// Good jobs: every format, a job folder, the Application tab's five reports, a site name with an
// apostrophe, a directory job, and a last job without tabs. Bad jobs between them: a folder that
// is missing or unwritable, a format in the wrong case, an option out of range, tabs that are no
// tabs, and a site that is not there.
TEST(StandardReportsRun, LevelsOneToThreeWriteEveryGoodReportAndEachBadJobIsOneClearLine) {
  ScratchAppFolder app;
  fs::create_directory(app.At("out"));
  testsupport::UnwritableFolder locked(app.At("locked"));
  fs::remove(".csv");  // where a report without a name would land
  fs::create_symlink(app.At("lock-target"), app.At(".QUORVASchedule.lock"));  // the run lock never follows it
  auto log = testsupport::RunSchedule(
      app, testsupport::ReportSchedule(
               {{"LEGACY01", "1\\5", "CSV"}, {"WEBFARM01", "1", "HTML", "0", app.At("missing")},
                {"WEBFARM01", "1", "CSV", "0", app.At("locked")}, {"WEBFARM01", "1", "MDB", "0", app.At("locked")},
                {"WEBFARM01", "2", "csv"}, {"WEBFARM01", "3", "HTML", "5"}, {"WEBFARM01", "18\\x\\3", "HTML"},
                {"WEBFARM01", "17", "HTML", "0", app.At("out")}},
               {{"WEBFARM01\\O'Brien Intranet", "1\\9", "CSV"}, {"WEBFARM01\\No Such Site", "1", "CSV"},
                {"LEGACY01\\Ann's Recipes", "11", "HTML"}, {"LEGACY01\\Partner Portal", "7\\11", "MDB"},
                {"WEBFARM01\\Contoso Shop", "1", "CSV", "0", testsupport::kMissing}},
               {{"WEBFARM01\\Contoso Shop\\checkout", "1\\5", "CSV"}, {"LEGACY01\\Partner Portal\\orders", "", "HTML"}}));

  const Lines expected = {
      ErrorLine("mExport.Export_HTMLFormat", 76) + "Path not found",
      ErrorLine("mExport.Export_TabSepFormat", locked.OpenError()),
      // The export database cannot be made, so neither its table nor its rows can be written.
      ErrorLine("mGlobalFunctionDef.CheckAndCreateDB(", -2147467259),
      ErrorLine("mGlobalFunctionDef.OpenConnection", -2147467259),
      ErrorLine("mGlobalFunctionDef.OpenConnection", -2147467259),
      ErrorLine("mCollect.ExportIISSettings", 9) + "Subscript out of range: tab \"18\" of WEBFARM01",
      ErrorLine("mCollect.ExportIISSettings", 13) + "Type mismatch: tab \"x\" of WEBFARM01",
      // A job after the end of the Path list has no folder: no file, nor one named ".csv".
      ErrorLine("mLog.WriteActivityHeader", 9) + "Subscript out of range",
      ErrorLine("mCollect.ExportIISSettings", 9) +
          "Subscript out of range: the job WEBFARM01\\Contoso Shop has no Path entry"};
  ASSERT_EQ(log.size(), expected.size() + 2);
  EXPECT_EQ(log.front().rfind("QUORVASchedule Started at ", 0), 0u);
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(log[i + 1].rfind(expected[i], 0), 0u) << log[i + 1];
  EXPECT_EQ(log.back().rfind("QUORVASchedule Finished at ", 0), 0u);

  // The file names: entry with "_" for "\", the caption, the day-first stamp; the export database
  // month first. Of the bad jobs' only tab 3 after the bad tabs, and the site that is not there.
  EXPECT_EQ(testsupport::ReportFiles(app.Path()),
            (Lines{"LEGACY01_Ann's Recipes_Documents_.html", "LEGACY01_App General_.csv", "LEGACY01_Application Debugging_.csv",
                   "LEGACY01_Application Mappings_.csv", "LEGACY01_Application Option_.csv", "LEGACY01_General_.csv",
                   "LEGACY01_Process Option_.csv", "QUORVAExportDb_LEGACY01.mdb",
                   "WEBFARM01_Contoso Shop_checkout_General_.csv", "WEBFARM01_Contoso Shop_checkout_Process Option_.csv",
                   "WEBFARM01_ISAPI Filters_.html", "WEBFARM01_No Such Site_General_.csv",
                   "WEBFARM01_O'Brien Intranet_Custom Headers_.csv", "WEBFARM01_O'Brien Intranet_General_.csv"}));
  EXPECT_EQ(testsupport::ReportFiles(app.At("out")), (Lines{"WEBFARM01_Custom Errors_.html"}));
  EXPECT_FALSE(fs::exists(app.At("missing")) || fs::exists(".csv") || fs::exists(app.At("lock-target")));
  if (fs::is_directory(app.At("locked"))) EXPECT_TRUE(fs::is_empty(app.At("locked")));

  // Each report holds the headings (its eighth line) and exactly the rows the snapshot gives,
  // cells joined by "," as they stand; empty lines left out.
  auto report = [&](const std::string& prefix, const Rows& rows, const std::string& headings) {
    const std::string file = testsupport::FileStartingWith(app.Path(), prefix + "_");
    Lines lines = testsupport::ReadLines(file), expected;
    ASSERT_GE(lines.size(), 8u) << prefix;
    EXPECT_EQ(lines[7], headings) << prefix;
    for (const auto& row : rows) expected.push_back(platform::Join(row, ","));
    EXPECT_EQ(testsupport::DataLines(file), expected) << prefix;
  };
  const std::string site = "Web Site Name,";
  const long version = iis::kServerVersionIIS6AndLater;
  report("LEGACY01_General", SiteRows("LEGACY01", 1), site + catalogue::WebSiteLabels(1, version));
  report("WEBFARM01_O'Brien Intranet_General", SiteRows("WEBFARM01", 1, 0, "O'Brien Intranet"),
         site + catalogue::WebSiteLabels(1, version));
  report("WEBFARM01_No Such Site_General", {}, site + catalogue::WebSiteLabels(1, version));
  Rows headers = SiteRows("WEBFARM01", 9, 0, "O'Brien Intranet");
  EXPECT_FALSE(headers.empty());
  report("WEBFARM01_O'Brien Intranet_Custom Headers", headers, site + catalogue::WebSiteLabels(9, version));
  for (short s = 1; s <= 5; ++s)
    report("LEGACY01_" + platform::Split(catalogue::ApplicationCaptions(), ",")[size_t(s - 1)],
           SiteRows("LEGACY01", 5, s), site + catalogue::ApplicationLabels(s));
  for (short index : {1, 5})
    report("WEBFARM01_Contoso Shop_checkout_" +
               platform::Split(catalogue::TabCaptions(Family::Directory), ",")[size_t(index - 1)],
           DirectoryRows("WEBFARM01", "2", "checkout", index), "Directory Name," + catalogue::DirectoryLabels(index));
  std::string html = testsupport::ReadFile(testsupport::FileStartingWith(app.At("out"), "WEBFARM01_Custom Errors_"));
  Rows errors = SiteRows("WEBFARM01", 17);
  // The title table, the headings, one row per error.
  EXPECT_EQ(testsupport::LinesWith(platform::Split(html, "\r\n"), "<tr>"), int(errors.size()) + 2);
  EXPECT_NE(html.find(platform::HtmlEscape(errors.back()[3]) + "</td>"), std::string::npos);

  // The export database: one table per report, named by the caption, holding the grid's rows.
  std::string mdb = testsupport::FileStartingWith(app.Path(), "QUORVAExportDb_LEGACY01");
  EXPECT_EQ(testsupport::TablesOf(mdb), (Lines{"Documents", "Resticted IP Address"}));
  EXPECT_EQ(testsupport::QueryFile(mdb, "Select * From [Documents] Order By rowid"),
            SiteRows("LEGACY01", 11, 0, "Partner Portal"));
  EXPECT_EQ(testsupport::QueryFile(mdb, "Select * From [Resticted IP Address] Order By rowid"),
            SiteRows("LEGACY01", 7, 0, "Partner Portal"));
  // A finished run leaves no side file of a database: no journal, no write-ahead log.
  for (const auto& entry : fs::directory_iterator(app.Path()))
    EXPECT_FALSE(std::regex_search(entry.path().filename().string(), std::regex("-(journal|wal|shm)$")))
        << entry.path();

  // The last job has no tabs: its log is its own header alone (no result table), written last.
  std::string last = testsupport::ReadFile(testsupport::NewestActivityLog(app.At("Log")));
  EXPECT_NE(last.find("Report Type : Standard</TD></TR>\r\n<TD><FONT COLOR = BLACK> File format : HTML</TD></TR>\r\n"
                      "<TD><FONT COLOR = BLACK> Path        : No</TD></TR>\r\n"),
            std::string::npos)
      << last;
  EXPECT_EQ(last.find("<TABLE BORDER=1 WIDTH =100%>"), std::string::npos) << last;
  EXPECT_TRUE(last.ends_with("</TABLE>\r\n</HTML>\r\n"));
  // The internal log holds the last report written.
  EXPECT_EQ(testsupport::ReadFile(app.At("Log/IntLog.log")),
            "WEBFARM01\\Contoso Shop\\checkout|Process Option|Successfully completed\r\n");
}
