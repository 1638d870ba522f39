// Whole runs of the program over the demo snapshots: the standard reports of levels 1 to 3 in
// every format, compared with what the snapshots give, and the activity and internal logs.
#include <gtest/gtest.h>

#include <filesystem>

#include "ReportJobs.h"
#include "TestSupport.h"
#include "database/Catalogue.h"
#include "database/SqliteFile.h"
#include "iis/Components.h"
#include "platform/Text.h"

namespace fs = std::filesystem;
using testsupport::ReportJob;
using testsupport::ScratchAppFolder;
using catalogue::Family;

namespace {

using Lines = std::vector<std::string>;
using testsupport::Rows;
using testsupport::SiteRows;
using testsupport::DirectoryRows;

// The data lines of a comma-separated report: the lines after the headings, empty lines left
// out. The headings line goes to *headings.
Lines CsvLines(const std::string& path, std::string* headings) {
  Lines lines = testsupport::ReadLines(path), data;
  if (lines.size() < 8) return data;
  *headings = lines[7];
  for (size_t i = 8; i < lines.size(); ++i)
    if (!lines[i].empty()) data.push_back(lines[i]);
  return data;
}

// Rows as the comma-separated file writes them: cells joined by "," as they stand.
Lines Joined(const Rows& rows) {
  Lines lines;
  for (const auto& row : rows) lines.push_back(platform::Join(row, ","));
  return lines;
}

std::string Headings(const std::string& key, const std::string& labels) { return key + "," + labels; }

// An activity log: its header lines (between the first <HTML> and </HTML>), and whether a
// result table follows.
struct ActivityLog {
  Lines header;
  bool hasTable = false;
};
ActivityLog ReadActivityLog(const std::string& path) {
  ActivityLog log;
  Lines lines = testsupport::ReadLines(path);
  size_t i = 0;
  for (; i < lines.size() && lines[i] != "</HTML>"; ++i)
    if (lines[i].rfind("<TD><FONT COLOR = BLACK>", 0) == 0) log.header.push_back(lines[i]);
  for (++i; i < lines.size(); ++i) {
    if (lines[i] == "<TABLE BORDER=1 WIDTH =100%>") log.hasTable = true;
  }
  return log;
}

Lines Header(const std::string& format, const std::string& path) {
  return {"<TD><FONT COLOR = BLACK> Report Type : Standard</TD></TR>",
          "<TD><FONT COLOR = BLACK> File format : " + format + "</TD></TR>",
          "<TD><FONT COLOR = BLACK> Path        : " + path + "</TD></TR>"};
}

}  // namespace

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

  // The file names: entry with "_" for "\", the caption, the day-first stamp.
  EXPECT_EQ(testsupport::ReportFiles(app.Path()),
            (Lines{"LEGACY01_App General.csv", "LEGACY01_Application Debugging.csv",
                   "LEGACY01_Application Mappings.csv", "LEGACY01_Application Option.csv", "LEGACY01_General.csv",
                   "LEGACY01_Process Option.csv", "WEBFARM01_Contoso Shop_checkout_General.csv",
                   "WEBFARM01_Contoso Shop_checkout_Process Option.csv", "WEBFARM01_O'Brien Intranet_Custom Headers.csv",
                   "WEBFARM01_O'Brien Intranet_General.csv"}));
  EXPECT_EQ(testsupport::ReportFiles(app.At("out")), (Lines{"WEBFARM01_Custom Errors.html"}));

  // Each report holds the headings and exactly the rows the snapshot gives.
  auto csv = [&](const std::string& prefix, std::string* headings) {
    return CsvLines(testsupport::FileStartingWith(app.Path(), prefix + "_"), headings);
  };
  std::string headings;
  EXPECT_EQ(csv("LEGACY01_General", &headings), Joined(SiteRows("LEGACY01", 1)));
  EXPECT_EQ(headings, Headings("Web Site Name", catalogue::WebSiteLabels(1, iis::kServerVersionIIS6AndLater)));
  for (short s = 1; s <= 5; ++s) {
    std::string caption = platform::Split(catalogue::ApplicationCaptions(), ",")[size_t(s - 1)];
    EXPECT_EQ(csv("LEGACY01_" + caption, &headings), Joined(SiteRows("LEGACY01", 5, s))) << caption;
    EXPECT_EQ(headings, Headings("Web Site Name", catalogue::ApplicationLabels(s))) << caption;
  }
  EXPECT_EQ(csv("WEBFARM01_O'Brien Intranet_General", &headings),
            Joined(SiteRows("WEBFARM01", 1, 0, "O'Brien Intranet")));
  Lines headers = csv("WEBFARM01_O'Brien Intranet_Custom Headers", &headings);
  EXPECT_EQ(headers, Joined(SiteRows("WEBFARM01", 9, 0, "O'Brien Intranet")));
  EXPECT_FALSE(headers.empty());
  for (short index : {1, 5}) {
    std::string caption = platform::Split(catalogue::TabCaptions(Family::Directory), ",")[size_t(index - 1)];
    EXPECT_EQ(csv("WEBFARM01_Contoso Shop_checkout_" + caption, &headings),
              Joined(DirectoryRows("WEBFARM01", "2", "checkout", index)))
        << caption;
    EXPECT_EQ(headings, Headings("Directory Name", catalogue::DirectoryLabels(index))) << caption;
  }
  std::string html = testsupport::ReadFile(testsupport::FileStartingWith(app.At("out"), "WEBFARM01_Custom Errors_"));
  Rows errors = SiteRows("WEBFARM01", 17);
  // The title table, the headings, one row per error.
  EXPECT_EQ(testsupport::LinesWith(platform::Split(html, "\r\n"), "<tr>"), int(errors.size()) + 2);
  EXPECT_NE(html.find(errors.back()[3] + "</td>"), std::string::npos);

  // The export database: one table per report, named by the caption, holding the grid's rows.
  std::string mdb = testsupport::FileStartingWith(app.Path(), "QUORVAExportDb_LEGACY01");
  ASSERT_TRUE(std::regex_match(fs::path(mdb).filename().string(),
                               std::regex(R"(QUORVAExportDb_LEGACY01\d\d_\d\d_\d{4}_\d\d_\d\d_\d\d\.mdb)")))
      << mdb;
  EXPECT_EQ(testsupport::TablesOf(mdb), (Lines{"Documents", "Resticted IP Address"}));
  EXPECT_EQ(testsupport::QueryFile(mdb, "Select * From [Documents] Order By rowid"),
            SiteRows("LEGACY01", 11, 0, "Partner Portal"));
  EXPECT_EQ(testsupport::QueryFile(mdb, "Select * From [Resticted IP Address] Order By rowid"),
            SiteRows("LEGACY01", 7, 0, "Partner Portal"));

  // Every job's activity log; the last job has no tabs: its log is the header alone, written last.
  std::string newest;
  for (const auto& entry : fs::directory_iterator(app.At("Log"))) {
    std::string name = entry.path().filename().string();
    if (name.rfind("ActivityLog", 0) != 0) continue;
    ASSERT_TRUE(std::regex_match(name, std::regex(R"(ActivityLog\d\d_\d\d_\d{4}_\d\d_\d\d_\d{1,2}\.htm)"))) << name;
    if (newest.empty() || fs::last_write_time(entry.path()) > fs::last_write_time(newest)) newest = entry.path();
  }
  ActivityLog last = ReadActivityLog(newest);
  EXPECT_FALSE(last.hasTable);
  ASSERT_EQ(last.header.size(), 4u);
  EXPECT_EQ(Lines(last.header.begin(), last.header.begin() + 3), Header("HTML", "No"));
  EXPECT_TRUE(testsupport::ReadFile(newest).ends_with("</TABLE>\r\n</HTML>\r\n"));
  // The internal log holds the last report written.
  EXPECT_EQ(testsupport::ReadFile(app.At("Log/IntLog.log")),
            "WEBFARM01\\Contoso Shop\\checkout|Process Option|Successfully completed\r\n");
}
