// A run killed at any moment leaves nothing that stops the next one: the next run starts and
// ends, the status log holds only whole lines, the settings database opens, and every report a
// killed run left behind is whole, only the one being written left under its .part name. A run
// stopped by a signal says so within two seconds.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include "TestServices.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using testsupport::ScratchAppFolder;

namespace {

// The demo's servers, and its jobs as standard jobs writing into the application folder, with a
// first level that writes every category of both servers in every format, so that a kill has many
// files to land in.
void Prepare(const ScratchAppFolder& app) {
  app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::ReadFile(testsupport::SourceDir() + "/tests/Schedule/KilledRun.ini"));
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

// SQLite's own check of a database file, by its shell, which opens it for writing so that an
// interrupted change is rolled back first, as the next run's opening does.
std::string IntegrityOf(const std::string& path) {
  return testsupport::Capture("sqlite3 '" + path + "' 'PRAGMA integrity_check' 2>&1");
}

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

  // Killed when the first file of a kind appears, or after a share of a run; once stopped by a
  // stop signal instead: within two seconds the run ends with 128 + the signal and its own line.
  static const std::regex wholeLine("QUORVASchedule (Started|Finished|Stopped by signal 15) at \\d{1,2}/\\d{1,2}/\\d{4}( \\d{1,2}:\\d\\d:\\d\\d [AP]M)?");
  for (const std::string point : {"VelmoraDatabase.mdb", ".html", ".csv", "QUORVAExportDb_", "3%", "10%", "25%", "40%",
                                  "55%", "70%", "85%", "95%", "SIGTERM .csv"}) {
    SCOPED_TRACE("killed at " + point);
    const int signal = point.starts_with("SIGTERM ") ? SIGTERM : SIGKILL;
    const std::string file = point.substr(point.find(' ') + 1);
    auto reached = [&](const ScratchAppFolder& app, auto elapsed) {
      if (file.ends_with('%')) return elapsed * 100 >= length * std::stoi(file);
      for (const auto& entry : fs::directory_iterator(app.Path()))
        if (entry.path().filename().string().find(file) != std::string::npos) return true;
      return false;
    };
    ScratchAppFolder app;
    Prepare(app);
    std::string program = app.InstallProgram();
    auto start = std::chrono::steady_clock::now();
    int pid = testsupport::StartProgram(program);
    while (!reached(app, std::chrono::steady_clock::now() - start) &&
           std::chrono::steady_clock::now() - start < 3 * length + std::chrono::seconds(5))
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    auto signalled = std::chrono::steady_clock::now();
    ::kill(pid, signal);
    const int code = testsupport::WaitProgram(pid, 5);  // a fast run may have ended before its kill
    if (signal == SIGTERM) {
      EXPECT_EQ(code, 128 + SIGTERM);
      EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(2));
      EXPECT_TRUE(testsupport::StatusLog(app).back().starts_with("QUORVASchedule Stopped by signal 15 at "));
    }

    ASSERT_EQ(testsupport::RunProgram(program), 0);
    auto log = testsupport::StatusLog(app);
    ASSERT_FALSE(log.empty());
    for (const std::string& line : log) EXPECT_TRUE(std::regex_match(line, wholeLine)) << line;
    EXPECT_EQ(log.back().rfind("QUORVASchedule Finished at ", 0), 0u);
    EXPECT_EQ(IntegrityOf(app.At("VelmoraDatabase.mdb")), "ok\n");
    int unfinished = 0;  // the one report being written when the run ended, at most
    for (const auto& [name, content] : Reports(app))
      EXPECT_TRUE(expected.contains(name) && expected.find(name)->second == content) << name;
    for (const auto& entry : fs::directory_iterator(app.Path())) {
      if (entry.path().extension() == ".mdb") EXPECT_EQ(IntegrityOf(entry.path()), "ok\n") << entry.path();
      unfinished += entry.path().extension() == ".part";
    }
    EXPECT_LE(unfinished, 1);
  }
}
