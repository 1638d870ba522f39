// Whole runs of the program over the demo snapshots: the standard reports of levels 1 to 3 in
// every format, compared with what the snapshots give, and the activity and internal logs.
#include <gtest/gtest.h>

#include "ReportJobs.h"
#include "database/SqliteFile.h"

namespace fs = std::filesystem;
using testsupport::ScratchAppFolder;
using catalogue::Family;

using Lines = std::vector<std::string>;
using testsupport::DirectoryRows;
using testsupport::Rows;
using testsupport::SiteRows;

// Two jobs per level: every format, a job folder, the Application tab's five reports, a site
// name with an apostrophe, a directory job, and a last job without tabs.
TEST(StandardReportsRun, LevelsOneToThreeWriteEveryReportOfEveryJob) {
  ScratchAppFolder app;
  testsupport::CopyDemoServers(app);
  fs::create_directory(app.At("out"));
  app.Write("ScheduleInfo/ScheduleConfig.ini",
            testsupport::ReportSchedule(
                {{"LEGACY01", "1\\5", "CSV"}, {"WEBFARM01", "17", "HTML", "0", app.At("out")}},
                {{"WEBFARM01\\O'Brien Intranet", "1\\9", "CSV"}, {"LEGACY01\\Partner Portal", "7\\11", "MDB"}},
                {{"WEBFARM01\\Contoso Shop\\checkout", "1\\5", "CSV"}, {"LEGACY01\\Partner Portal\\orders", "", "HTML"}}));
  ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);
  auto log = testsupport::StatusLog(app);
  EXPECT_EQ(log.size(), 2u) << log.back();

  // The file names: entry with "_" for "\", the caption, the day-first stamp; the export database
  // month first.
  EXPECT_EQ(testsupport::ReportFiles(app.Path()),
            (Lines{"LEGACY01_App General_.csv", "LEGACY01_Application Debugging_.csv",
                   "LEGACY01_Application Mappings_.csv", "LEGACY01_Application Option_.csv", "LEGACY01_General_.csv",
                   "LEGACY01_Process Option_.csv", "QUORVAExportDb_LEGACY01.mdb",
                   "WEBFARM01_Contoso Shop_checkout_General_.csv", "WEBFARM01_Contoso Shop_checkout_Process Option_.csv",
                   "WEBFARM01_O'Brien Intranet_Custom Headers_.csv", "WEBFARM01_O'Brien Intranet_General_.csv"}));
  EXPECT_EQ(testsupport::ReportFiles(app.At("out")), (Lines{"WEBFARM01_Custom Errors_.html"}));

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
  EXPECT_NE(html.find(errors.back()[3] + "</td>"), std::string::npos);

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
