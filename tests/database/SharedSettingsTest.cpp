// Other programs open the settings database while a run goes on. The status log is a named pipe,
// so the run stands in the open of each line until the test reads it: meanwhile the test reads the
// file, and writes it, as an administrator's sqlite3 would.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "TestSupport.h"
#include "database/SqliteFile.h"
#include "reports/ReportJobs.h"

namespace {

// Rows per server (or directory) of every table of the file.
std::string Rows(const std::string& db) {
  std::string text;
  for (const std::string& table : testsupport::TablesOf(db)) {
    const auto columns = testsupport::ColumnsOf(db, table);
    const std::string key = std::count(columns.begin(), columns.end(), "vKey") ? "vKey" : "IISServer";
    for (const auto& row : testsupport::QueryFile(db, "SELECT [" + key + "], count(*) FROM [" + table + "] GROUP BY 1"))
      text += table + " " + row[0] + " " + row[1] + "\n";
  }
  return text;
}

}  // namespace

TEST(SharedSettings, OtherProgramsReadFinishedJobsAndWriteBetweenJobs) {
  testsupport::ScratchAppFolder app;
  testsupport::CopyDemoServers(app);
  // Levels 1 to 3: two jobs, then one whose server has no snapshot (its status-log lines are the
  // marks); at level 1 one more job asks the first one's report again, in another format.
  app.Write("ScheduleInfo/ScheduleConfig.ini",
            testsupport::ReportSchedule(
                {{"WEBFARM01", "1", "HTML"}, {"LEGACY01", "1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16\\17", "HTML"},
                 {"NOSUCH1", "1"}, {"WEBFARM01", "1"}},
                {{"WEBFARM01\\Contoso Shop", "1"}, {"LEGACY01\\Partner Portal", "1"}, {"NOSUCH2\\Site", "1"}},
                {{"WEBFARM01\\Contoso Shop\\checkout", "1"}, {"LEGACY01\\Partner Portal\\orders", "1"},
                 {"NOSUCH3\\Site\\dir", "1"}}));
  ASSERT_EQ(::mkfifo(app.At("Log/QUORVALog.Log").c_str(), 0600), 0);
  const std::string db = app.At("VelmoraDatabase.mdb");
  const int pid = testsupport::StartProgram(app.InstallProgram());
  std::map<char, std::string> seen;  // the rows at the first line of each level's marking job
  std::string log;
  while (testsupport::StandsAtPipe(pid)) {
    const std::string rows = Rows(db);
    // Refused only in a job that has written (then at once: no wait); a job that has only read
    // writes after it on the file as it is now.
    sqlite3* other = nullptr;
    sqlite3_open_v2(db.c_str(), &other, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(other, "UPDATE WebSiteInfo SET [Web Site Name] = 'Renamed elsewhere' WHERE [Web Site Name] = "
                        "'Contoso Shop'", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    const std::string lines = testsupport::ReadFile(app.At("Log/QUORVALog.Log"));  // the run goes on
    const size_t mark = lines.substr(0, lines.find('\n')).find("'NOSUCH");
    if (mark != std::string::npos) seen.emplace(lines[mark + 7], rows);
    log += lines;
  }
  EXPECT_EQ(testsupport::WaitProgram(pid), 0);
  EXPECT_EQ(log.find("locked"), std::string::npos) << log;
  EXPECT_EQ("level 1\n" + seen['1'] + "level 2\n" + seen['2'] + "level 3\n" + seen['3'],
            testsupport::ReadFile(testsupport::SourceDir() + "/tests/database/SharedSettings.rows"));
  // The last job of level 1 reports the first one's rows again, with the other program's change.
  int renamed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(app.Path()))
    if (entry.path().filename().string().rfind("WEBFARM01_General_", 0) == 0 && entry.path().extension() == ".csv")
      renamed += testsupport::ReadFile(entry.path()).find("Renamed elsewhere") != std::string::npos;
  EXPECT_EQ(renamed, 1);
}
