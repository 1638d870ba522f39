// Whole runs of the real program: start, levels, second instance, the one fatal error, and the
// settings database a run leaves or cannot open.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sqlite3.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TestServices.h"
#include "TestSupport.h"
#include "database/SqliteFile.h"
#include "iis/Components.h"
#include "mMain.h"

using testsupport::LinesWith;
using testsupport::ScratchAppFolder;

namespace {

// True once the process waits in the opening of a pipe that has no reader yet.
bool WaitUntilBlockedOnPipe(int pid) {
  for (int i = 0; i < 1000; ++i) {
    std::string wchan = testsupport::ReadFile("/proc/" + std::to_string(pid) + "/wchan");
    if (wchan == "wait_for_partner" || wchan == "fifo_open") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

// No Log folder, and no display that can be used: even a toolkit told to use X must not stop the
// run, whether no display is named or the one named cannot be reached.
TEST(RunDriver, EmptyScheduleWithoutDisplayLogsStartedAndFinishedOnly) {
  for (const char* display : {"DISPLAY=", "DISPLAY=:87"}) {
    ScratchAppFolder app;
    std::filesystem::remove_all(app.At("Log"));  // the run makes it
    app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
    ASSERT_EQ(testsupport::RunProgram(app.InstallProgram(), {display, "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=xcb"}), 0)
        << display;
    auto log = testsupport::StatusLog(app);
    ASSERT_EQ(log.size(), 2u) << display;
    EXPECT_EQ(log[0].rfind("QUORVASchedule Started at ", 0), 0u) << log[0];
    EXPECT_EQ(log[1].rfind("QUORVASchedule Finished at ", 0), 0u) << log[1];
  }
}

// A scheduled job's mail is what it prints: a headless run with nothing wrong prints nothing.
TEST(RunDriver, AHeadlessRunWithNothingWrongPrintsNothing) {
  ScratchAppFolder app;
  app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
  std::string said = testsupport::Capture("env -u XDG_RUNTIME_DIR -u WAYLAND_DISPLAY DISPLAY= QT_QPA_PLATFORM= '" +
                                          app.InstallProgram() + "' 2>&1; echo \"exit $?\"");
  EXPECT_EQ(said, "exit 0\n");
}

// The status log is made a pipe, so the first run blocks on its "Started" line while it holds
// the run lock; the second run is started then, and the test reads what both write.
TEST(RunDriver, SecondInstanceWritesOneLineAndLeaves) {
  ScratchAppFolder app;
  app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
  std::string program = app.InstallProgram();
  std::string logPath = app.At("Log/QUORVALog.Log");
  ASSERT_EQ(::mkfifo(logPath.c_str(), 0600), 0);

  // Each run blocks opening the pipe for its first line until the test reads: the first run
  // after it has taken the run lock, the second after it has found the lock taken.
  int first = testsupport::StartProgram(program);
  ASSERT_TRUE(WaitUntilBlockedOnPipe(first));
  int second = testsupport::StartProgram(program);
  ASSERT_TRUE(WaitUntilBlockedOnPipe(second));

  // With the pipe open for reading both go on; their few lines fit in the pipe.
  int reader = ::open(logPath.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(testsupport::WaitProgram(first), 0);
  EXPECT_EQ(testsupport::WaitProgram(second), 0);
  std::string text(1 << 16, '\0');
  text.resize(std::max<ssize_t>(::read(reader, text.data(), text.size()), 0));
  ::close(reader);
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(lines.size(), 3u) << text;
  for (const char* line : {"QUORVASchedule Application is already running. at ", "QUORVASchedule Started at ",
                           "QUORVASchedule Finished at "})
    EXPECT_EQ(testsupport::LinesWith(lines, line), 1) << text;
}

// A machine without the server-info component: the error ends the run at the first level.
TEST(RunDriverDeathTest, ErrorWhileReadingTheScheduleEndsTheProgram) {
  ScratchAppFolder app;
  app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
  iis::SetComponentInstalled("ServerInfoComponent", false);
  EXPECT_EXIT(Main(), testing::ExitedWithCode(1), "");
  iis::SetComponentInstalled("ServerInfoComponent", true);
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0].find(" Started at "), std::string::npos);
  EXPECT_EQ(log[1], "mCollect.InitSchedular" + std::string(48, ' ') +
                        "429 - ActiveX component can't create object: ServerInfoComponent");
}

// No schedule file: each of the five levels reports it with an empty message, and still
// leaves the category tables.
TEST(SettingsDatabaseRun, WithoutAScheduleEveryLevelReportsItAndLeavesTheThirtyCategoryTables) {
  testsupport::ScratchAppFolder app;
  ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 7u);
  EXPECT_EQ(LinesWith(log, "QUORVASchedule  at "), 5);
  EXPECT_EQ(log.back().rfind("QUORVASchedule Finished at ", 0), 0u);
  std::string file = app.At("VelmoraDatabase.mdb");
  ASSERT_EQ(testsupport::ReadFile(file).substr(0, 15), "SQLite format 3");
  EXPECT_EQ(testsupport::TablesOf(file).size(), 30u);
  EXPECT_EQ(testsupport::ColumnsOf(file, "tblAppMappings"),
            (std::vector<std::string>{"SiteIndex", "Extension", "Executable Path", "Verbs", "IISServer"}));
}

// A settings database that cannot be opened is reported, left as it was, and the run still
// finishes: a folder where the file should be (root writes into read-only folders, so that is
// how creating it is made to fail).
TEST(SettingsDatabaseRun, AnUnopenableSettingsDatabaseIsReportedLeftAsItWasAndTheRunGoesOn) {
  testsupport::ScratchAppFolder app;
  std::filesystem::create_directory(app.At("VelmoraDatabase.mdb"));
  ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);
  auto log = testsupport::StatusLog(app);
  ASSERT_FALSE(log.empty());
  EXPECT_GT(LinesWith(log, "mGlobalFunctionDef.CheckAndCreateDB("), 0);
  EXPECT_GT(LinesWith(log, "mGlobalFunctionDef.OpenConnection"), 0);
  EXPECT_GT(LinesWith(log, "mCollect.InitConnections"), 0);
  EXPECT_GT(LinesWith(log, "VelmoraDatabase.mdb"), 0) << "the description names the file";
  EXPECT_NE(log.back().find("Finished"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(app.At("VelmoraDatabase.mdb")));
}

// A settings database file that is no database (other bytes, or a truncated copy) is renamed aside
// once, before the first level, under a name that says so; the levels then make a fresh one.
TEST(SettingsDatabaseRun, ASettingsDatabaseThatIsNoDatabaseIsSetAsideAndMadeAfresh) {
  std::string truncated;
  {
    testsupport::ScratchAppFolder scratch;
    std::string file = scratch.At("Full.mdb");
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE t(a); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<400) "
                     "INSERT INTO t SELECT printf('%.*c', 900, 'x') FROM n; CREATE TABLE u(b);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    truncated = testsupport::ReadFile(file);
    truncated.resize(truncated.size() / 2);
  }
  for (const std::string& bytes :
       {std::string("Standard Jet DB, but only in name: this file holds no SQLite pages at all.\r\n"), truncated}) {
    testsupport::ScratchAppFolder app;
    app.Write("VelmoraDatabase.mdb", bytes);
    ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);
    auto log = testsupport::StatusLog(app);
    ASSERT_EQ(log.size(), 8u) << "Started, the renaming, five missing schedules, Finished";
    EXPECT_EQ(LinesWith(log, "QUORVASchedule  at "), 5);
    const std::string& line = log[1];
    EXPECT_NE(line.find(app.At("VelmoraDatabase.mdb")), std::string::npos) << line;
    std::string aside;
    for (const auto& entry : std::filesystem::directory_iterator(app.Path()))
      if (entry.path().filename().string().find("not-a-database") != std::string::npos) aside = entry.path();
    ASSERT_FALSE(aside.empty()) << line;
    EXPECT_NE(line.find(aside), std::string::npos) << line;
    EXPECT_EQ(testsupport::ReadFile(aside), bytes) << "the user's file is kept as it was";
    EXPECT_EQ(testsupport::TablesOf(app.At("VelmoraDatabase.mdb")).size(), 30u);
  }
}

// A status log that cannot be written: its lines go to stderr, the run goes on to its end, and
// the exit code tells the scheduler that something went wrong.
TEST(RunDriver, AnUnwritableStatusLogGoesToStderrAndTheExitCodeSaysSo) {
  ScratchAppFolder app;
  app.Write("ScheduleInfo/ScheduleConfig.ini", "[WebServer]\r\nServer=NOSUCH|\r\n");
  std::filesystem::create_directory(app.At("Log/QUORVALog.Log"));
  std::string said = testsupport::Capture("DISPLAY= '" + app.InstallProgram() + "' 2>&1; echo \"exit $?\"");
  EXPECT_NE(said.find("QUORVASchedule Started at "), std::string::npos) << said;
  EXPECT_NE(said.find("mCollect.GetWebSites"), std::string::npos) << said;
  EXPECT_NE(said.find("QUORVASchedule Finished at "), std::string::npos) << said;
  EXPECT_NE(said.find("\nexit 2\n"), std::string::npos) << said;
  EXPECT_EQ(testsupport::TablesOf(app.At("VelmoraDatabase.mdb")).size(), 30u);
}

// Another process holds a write transaction on the settings database for the whole run: once a
// level has found it locked, its later statements fail at once, and the run ends by itself soon.
TEST(SettingsDatabaseRun, ASettingsDatabaseLockedByAnotherProcessDoesNotHoldTheRunForLong) {
  ScratchAppFolder app;
  testsupport::CopyDemoServers(app);
  app.Write("ScheduleInfo/ScheduleConfig.ini", "[WebServer]\r\nServer=LEGACY01|WEBFARM01|\r\n"
                                               "[WebSite]\r\nServer=LEGACY01\\Partner Portal|\r\n");
  const std::string file = app.At("VelmoraDatabase.mdb");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t holder = ::fork();
  if (holder == 0) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    int rc = sqlite3_exec(db, "CREATE TABLE Kept(a); BEGIN IMMEDIATE; INSERT INTO Kept VALUES(1);", nullptr, nullptr,
                          nullptr);
    char answer = rc == SQLITE_OK ? 'y' : 'n';
    (void)::write(ready[1], &answer, 1);
    ::pause();
    ::_exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(ready[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');
  int run = testsupport::StartProgram(app.InstallProgram());
  int status = 0;
  auto started = std::chrono::steady_clock::now();
  bool ended = false;
  while (!ended && std::chrono::steady_clock::now() - started < std::chrono::seconds(60)) {
    ended = ::waitpid(run, &status, WNOHANG) == run;
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!ended) {
    ::kill(run, SIGKILL);
    ::waitpid(run, &status, 0);
  }
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  ASSERT_TRUE(ended) << "the run was still going after a minute";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  auto log = testsupport::StatusLog(app);
  EXPECT_GT(LinesWith(log, "currently locked"), 0);
  EXPECT_EQ(log.back().rfind("QUORVASchedule Finished at ", 0), 0u);
}
