// One whole run with a bad job after another: each leaves exactly the status-log lines it must
// and no file it must not, and the run goes on to the next report and job.
#include <gtest/gtest.h>

#include <fstream>

#include "ReportJobs.h"

namespace fs = std::filesystem;
using testsupport::ScratchAppFolder;

namespace {

using Lines = std::vector<std::string>;

// The head of a status-log error line: module.procedure padded to 70, the number, " - ".
std::string ErrorLine(const std::string& where, long number) {
  return where + std::string(70 - where.size(), ' ') + std::to_string(number) + " - ";
}

// A folder the program cannot write into although it runs as root: made immutable. Where the
// file system has no such attribute, a file stands where the folder should be.
struct UnwritableFolder {
  explicit UnwritableFolder(const std::string& path) : path(path) {
    fs::create_directory(path);
    immutable = std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) == 0;
    if (!immutable) fs::remove(path), std::ofstream(path) << "not a folder";
  }
  ~UnwritableFolder() {
    if (immutable) std::system(("chattr -i '" + path + "'").c_str());
  }
  // The error an output file inside it meets: permission denied, or a path not found.
  long OpenError() const { return immutable ? 70 : 76; }
  std::string path;
  bool immutable = false;
};

}  // namespace

TEST(BadJobsRun, EachBadJobIsOneClearLineAndTheRunGoesOn) {
  ScratchAppFolder app;
  testsupport::CopyDemoServers(app);
  UnwritableFolder locked(app.At("locked"));
  app.Write("ScheduleInfo/ScheduleConfig.ini",
            testsupport::ReportSchedule(
                {{"WEBFARM01", "1", "HTML", "0", app.At("missing")},
                 {"WEBFARM01", "1", "CSV", "0", app.At("locked")},
                 {"WEBFARM01", "1", "MDB", "0", app.At("locked")},
                 {"WEBFARM01", "2", "csv"},
                 {"WEBFARM01", "3", "HTML", "5"},
                 {"WEBFARM01", "18\\x\\3", "HTML"}},
                {{"WEBFARM01\\No Such Site", "1", "CSV"}, {"LEGACY01\\Ann's Recipes", "11", "HTML"}}, {}));
  ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);

  const Lines expected = {
      ErrorLine("mExport.Export_HTMLFormat", 76) + "Path not found",
      ErrorLine("mExport.Export_TabSepFormat", locked.OpenError()),
      // The export database cannot be made, so neither its table nor its rows can be written.
      ErrorLine("mGlobalFunctionDef.CheckAndCreateDB(", -2147467259),
      ErrorLine("mGlobalFunctionDef.OpenConnection", -2147467259),
      ErrorLine("mGlobalFunctionDef.OpenConnection", -2147467259),
      ErrorLine("mCollect.ExportIISSettings", 9) + "Subscript out of range: tab \"18\" of WEBFARM01",
      ErrorLine("mCollect.ExportIISSettings", 13) + "Type mismatch: tab \"x\" of WEBFARM01"};
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), expected.size() + 2);
  EXPECT_EQ(log.front().rfind("QUORVASchedule Started at ", 0), 0u);
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(log[i + 1].rfind(expected[i], 0), 0u) << log[i + 1];
  EXPECT_EQ(log.back().rfind("QUORVASchedule Finished at ", 0), 0u);

  // Only the good reports were written (no export database): tab 3 after the bad tabs, the site
  // that does not exist with its headings alone, and the last job.
  EXPECT_EQ(testsupport::ReportFiles(app.Path()),
            (Lines{"LEGACY01_Ann's Recipes_Documents_.html", "WEBFARM01_ISAPI Filters_.html",
                   "WEBFARM01_No Such Site_General_.csv"}));
  EXPECT_FALSE(fs::exists(app.At("missing")));
  if (fs::is_directory(app.At("locked"))) EXPECT_TRUE(fs::is_empty(app.At("locked")));
  Lines general = testsupport::ReadLines(testsupport::FileStartingWith(app.Path(), "WEBFARM01_No Such Site_General_"));
  ASSERT_EQ(general.size(), 8u);
  EXPECT_EQ(general.back(), "Web Site Name," + catalogue::WebSiteLabels(1, iis::kServerVersionIIS6AndLater));

  // The last job's activity log holds its one report.
  std::string activity = testsupport::ReadFile(testsupport::NewestActivityLog(app.At("Log")));
  EXPECT_NE(activity.find("<TR>\r\n<TD>LEGACY01\\Ann's Recipes</TD>\r\n<TD>Documents</TD>\r\n"
                          "<TD>Successfully completed</TD>\r\n</TR>\r\n</TABLE>\r\n</HTML>\r\n"),
            std::string::npos)
      << activity;
  EXPECT_EQ(testsupport::ReadFile(app.At("Log/IntLog.log")),
            "LEGACY01\\Ann's Recipes|Documents|Successfully completed\r\n");
}
