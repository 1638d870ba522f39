// A whole run of the program over the demo snapshots: the standard reports of levels 1 to 3 in
// every format, the export database, the activity and internal logs compared whole, and bad
// jobs between the good ones, each of which leaves exactly its status-log line and no file (a job
// after the end of its Path list too), and a link planted under the run lock's name, never followed.
#include <gtest/gtest.h>

#include "ReportJobs.h"

namespace fs = std::filesystem;
using testsupport::ScratchAppFolder;

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
  testsupport::RunSchedule(
      app, testsupport::ReportSchedule(
               {{"LEGACY01", "1\\5", "CSV"}, {"WEBFARM01", "1", "HTML", "0", app.At("missing")},
                {"WEBFARM01", "1", "CSV", "0", app.At("locked")}, {"WEBFARM01", "1", "MDB", "0", app.At("locked")},
                {"WEBFARM01", "2", "csv"}, {"WEBFARM01", "3", "HTML", "5"}, {"WEBFARM01", "18\\x\\3", "HTML"},
                {"WEBFARM01", "17", "HTML", "0", app.At("out")}},
               {{"WEBFARM01\\O'Brien Intranet", "1\\9", "CSV"}, {"WEBFARM01\\No Such Site", "1", "CSV"},
                {"LEGACY01\\Ann's Recipes", "11", "HTML"}, {"LEGACY01\\Partner Portal", "7\\11", "MDB"},
                {"WEBFARM01\\Contoso Shop", "1", "CSV", "0", testsupport::kMissing}},
               {{"WEBFARM01\\Contoso Shop\\checkout", "1\\5", "CSV"}, {"LEGACY01\\Partner Portal\\orders", "", "HTML"}}));

  // What the locked folder's errors say depends on the file system: each is one masked line.
  const std::string text = std::regex_replace(testsupport::RunFiles(app, {"", "out"}),
      std::regex("(-2147467259|" + std::to_string(locked.OpenError()) + ") - .*/locked/.*"), "<locked folder>");
  testsupport::ExpectLikeFile(text, "reports/StandardReports.expected", {{app.Path(), "<app>"}});
  EXPECT_FALSE(fs::exists(app.At("missing")) || fs::exists(".csv") || fs::exists(app.At("lock-target")));
  if (fs::is_directory(app.At("locked"))) EXPECT_TRUE(fs::is_empty(app.At("locked")));
  // A finished run leaves no side file of a database: no journal, no write-ahead log.
  for (const auto& entry : fs::directory_iterator(app.Path()))
    EXPECT_FALSE(std::regex_search(entry.path().filename().string(), std::regex("-(journal|wal|shm)$")))
        << entry.path();
}
