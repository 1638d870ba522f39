// A run killed at any moment leaves nothing that stops the next one: the next run starts and
// ends, the status log holds only whole lines, the settings database opens, and every report a
// killed run left behind is whole, only the one being written left under its .part name. A run
// stopped by a signal says so within two seconds.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <thread>

#include "TestSupport.h"

namespace fs = std::filesystem;
using testsupport::ScratchAppFolder;

namespace {

// The demo's jobs as standard jobs, with a first level that writes every category of both servers in every
// format, so that a kill has many files to land in.
std::string Schedule() {
  std::string demo = testsupport::ReadFile(testsupport::SourceDir() + "/demo/ScheduleInfo/ScheduleConfig.ini");
  std::string tabs = "1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16\\17";
  std::string level1 = "[WebServer]\r\nPrinterName=PDF|PDF|PDF|PDF|\r\nServer=WEBFARM01|LEGACY01|WEBFARM01|LEGACY01|\r\n"
                       "Tab=" + tabs + "|" + tabs + "|" + tabs + "|" + tabs + "|\r\nFormat=HTML|CSV|MDB|HTML|\r\n"
                       "Option=0|0|0|0|\r\nPath=No|No|No|No|\r\nCustom=No|No|No|No|\r\nTime=|||\r\n";
  std::string rest = demo.substr(demo.find("[WebSite]"));
  // Every job standard and writing into the application folder: the demo's own job folders are
  // relative to where it is started, and its definitions are built by the demo script.
  static const std::regex word("DirectoryReports|CustomExports|SiteOverview|SiteAccess|DirectoryOverview");
  return level1 + std::regex_replace(rest, word, "No");
}

void Prepare(const ScratchAppFolder& app) {
  app.Write("ScheduleInfo/ScheduleConfig.ini", Schedule());
  testsupport::CopyDemoServers(app);
}

// Report files by name without their time stamp, content without its dates: two runs compare.
std::multimap<std::string, std::string> Reports(const ScratchAppFolder& app) {
  static const std::regex stamp("_\\d\\d_\\d\\d_\\d{4}_\\d\\d_\\d\\d_\\d\\d\\.");
  static const std::regex date("\\d{1,2}[-/]\\d{1,2}[-/]\\d{4}( \\d{1,2}:\\d\\d:\\d\\d [AP]M)?");
  std::multimap<std::string, std::string> reports;
  for (const auto& entry : fs::directory_iterator(app.Path()))
    if (entry.path().extension() == ".html" || entry.path().extension() == ".csv")
      reports.emplace(std::regex_replace(entry.path().filename().string(), stamp, "."),
                      std::regex_replace(testsupport::ReadFile(entry.path()), date, "<date>"));
  return reports;
}

// SQLite's own check of a database file, opened for writing so that an interrupted change is
// rolled back first, as the next run's opening does.
std::string IntegrityOf(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
    result = sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
                     sqlite3_step(stmt) == SQLITE_ROW
                 ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))
                 : "cannot check: " + std::string(sqlite3_errmsg(db));
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return result;
}

struct KillPoint {
  std::string name;
  std::function<bool(const ScratchAppFolder&, std::chrono::steady_clock::duration)> reached;
  int signal = SIGKILL;
};

}  // namespace

TEST(KilledRun, NextRunStartsAndFindsWholeLogDatabaseAndReports) {
  // An uninterrupted run gives the reports every run of this schedule writes, and its length.
  ScratchAppFolder reference;
  Prepare(reference);
  auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(testsupport::RunProgram(reference.InstallProgram()), 0);
  auto length = std::chrono::steady_clock::now() - started;
  const auto expected = Reports(reference);
  ASSERT_GT(expected.size(), 40u);

  std::vector<KillPoint> points;
  for (const std::string& name : {"VelmoraDatabase.mdb", ".html", ".csv", "QUORVAExportDb_"})
    points.push_back({"when " + name + " appears",
                      [name](const ScratchAppFolder& app, auto) {
                        for (const auto& entry : fs::directory_iterator(app.Path()))
                          if (entry.path().filename().string().find(name) != std::string::npos) return true;
                        return false;
                      }});
  for (int percent : {3, 10, 25, 40, 55, 70, 85, 95})
    points.push_back({"after " + std::to_string(percent) + "% of a run",
                      [=](const ScratchAppFolder&, auto elapsed) { return elapsed * 100 >= length * percent; }});

  // A stop signal (SIGTERM) instead: within two seconds the run ends with 128 + the signal and
  // its own line.
  points.push_back({"by SIGTERM when .csv appears", points[2].reached, SIGTERM});

  static const std::regex wholeLine("QUORVASchedule (Started|Finished|Stopped by signal 15) at \\d{1,2}/\\d{1,2}/\\d{4}( \\d{1,2}:\\d\\d:\\d\\d [AP]M)?");
  for (const KillPoint& point : points) {
    SCOPED_TRACE("killed " + point.name);
    ScratchAppFolder app;
    Prepare(app);
    std::string program = app.InstallProgram();
    auto start = std::chrono::steady_clock::now();
    int pid = testsupport::StartProgram(program);
    while (!point.reached(app, std::chrono::steady_clock::now() - start) &&
           std::chrono::steady_clock::now() - start < 3 * length + std::chrono::seconds(5))
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    auto signalled = std::chrono::steady_clock::now();
    ::kill(pid, point.signal);
    const int code = testsupport::WaitProgram(pid, 5);  // a fast run may have ended before its kill
    if (point.signal == SIGTERM) {
      EXPECT_EQ(code, 128 + SIGTERM);
      EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(2));
      EXPECT_TRUE(testsupport::StatusLog(app).back().starts_with("QUORVASchedule Stopped by signal 15 at "));
    }

    ASSERT_EQ(testsupport::RunProgram(program), 0);
    auto log = testsupport::StatusLog(app);
    ASSERT_FALSE(log.empty());
    for (const std::string& line : log) EXPECT_TRUE(std::regex_match(line, wholeLine)) << line;
    EXPECT_EQ(log.back().rfind("QUORVASchedule Finished at ", 0), 0u);
    EXPECT_EQ(IntegrityOf(app.At("VelmoraDatabase.mdb")), "ok");
    int unfinished = 0;  // the one report being written when the run ended, at most
    for (const auto& [name, content] : Reports(app)) {
      auto range = expected.equal_range(name);
      ASSERT_NE(range.first, range.second) << name;
      EXPECT_EQ(content, range.first->second) << name;
    }
    for (const auto& entry : fs::directory_iterator(app.Path())) {
      if (entry.path().extension() == ".mdb") EXPECT_EQ(IntegrityOf(entry.path()), "ok") << entry.path();
      unfinished += entry.path().extension() == ".part";
    }
    EXPECT_LE(unfinished, 1);
  }
}
