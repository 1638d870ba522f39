// Whole runs of the real program: start, levels, second instance, the one fatal error, and the
// settings database a run leaves or cannot open.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <sqlite3.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "RunState.h"
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

// Runs the installed program with these variables; what it printed and "exit N".
std::string Said(const ScratchAppFolder& app, const std::string& environment) {
  return testsupport::Capture("env -u XDG_RUNTIME_DIR -u WAYLAND_DISPLAY " + environment + " '" +
                              app.InstallProgram() + "' 2>&1; echo \"exit $?\"");
}

}  // namespace

// No Log folder, and no display that can be used: even a toolkit told to use X must not stop the
// run, whether no display is named or the one named cannot be reached. A scheduled job's mail is
// what it prints: a headless run with nothing wrong prints nothing.
TEST(RunDriver, EmptyScheduleWithoutDisplayLogsStartedAndFinishedOnly) {
  for (const char* environment : {"DISPLAY= QT_QPA_PLATFORM=", "DISPLAY= QT_QPA_PLATFORM=xcb",
                                  "DISPLAY=:87 QT_QPA_PLATFORM=xcb"}) {
    ScratchAppFolder app;
    std::filesystem::remove_all(app.At("Log"));  // the run makes it
    app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
    std::string said = Said(app, environment);
    EXPECT_TRUE(std::string(environment).ends_with("=") ? said == "exit 0\n" : said.ends_with("exit 0\n"))
        << environment << ": " << said;
    auto log = testsupport::StatusLog(app);
    ASSERT_EQ(log.size(), 2u) << environment;
    EXPECT_TRUE(log[0].starts_with("QUORVASchedule Started at ") && log[1].starts_with("QUORVASchedule Finished at "));
  }
}

// The status log is made a pipe, so the first run blocks on its "Started" line while it holds
// the run lock; the second run is started then, and the test reads what both write.
TEST(RunDriver, SecondInstanceWritesOneLineAndLeaves) {
  ScratchAppFolder app;
  app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
  std::string program = app.InstallProgram();
  std::string logPath = app.At("Log/QUORVALog.Log");
  ASSERT_EQ(::mkfifo(logPath.c_str(), 0600), 0);
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
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
  EXPECT_EQ(testsupport::MissingFrom("\n" + text, {"\nQUORVASchedule Application is already running. at ",
                                                   "\nQUORVASchedule Started at ", "\nQUORVASchedule Finished at "}), "");
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

// A settings database that cannot be opened is reported, left as it was, and the run still
// finishes: a folder where the file should be (root writes into read-only folders, so that is
// how creating it is made to fail).
TEST(SettingsDatabaseRun, AnUnopenableSettingsDatabaseIsReportedLeftAsItWasAndTheRunGoesOn) {
  ScratchAppFolder app;
  std::filesystem::create_directory(app.At("VelmoraDatabase.mdb"));
  ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);
  auto log = testsupport::StatusLog(app);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(testsupport::MissingFrom(log, {"mGlobalFunctionDef.CheckAndCreateDB(", "mGlobalFunctionDef.OpenConnection",
                                           "mCollect.InitConnections", "VelmoraDatabase.mdb"}), "");
  EXPECT_NE(log.back().find("Finished"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(app.At("VelmoraDatabase.mdb")));
}

// No schedule file: each of the five levels reports it with an empty message and still leaves
// the thirty category tables. A settings database file that is no database (other bytes, or a
// truncated copy) is first renamed aside once, under a name that says so, and made afresh.
TEST(SettingsDatabaseRun, WithoutAScheduleOrWithAFileThatIsNoDatabaseTheLevelsMakeTheTables) {
  // The third file is the first half of the database the first run makes.
  std::vector<std::string> files = {"", "Standard Jet DB, but only in name: this file holds no SQLite pages.\r\n", ""};
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string& bytes = files[i];
    ScratchAppFolder app;
    if (!bytes.empty()) app.Write("VelmoraDatabase.mdb", bytes);
    ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);
    auto log = testsupport::StatusLog(app);
    ASSERT_EQ(log.size(), bytes.empty() ? 7u : 8u) << "Started, any renaming, five missing schedules, Finished";
    EXPECT_EQ(LinesWith(log, "QUORVASchedule  at "), 5);
    EXPECT_TRUE(log.back().starts_with("QUORVASchedule Finished at "));
    std::string file = app.At("VelmoraDatabase.mdb");
    ASSERT_EQ(testsupport::ReadFile(file).substr(0, 15), "SQLite format 3");
    EXPECT_EQ(testsupport::TablesOf(file).size(), 30u);
    if (i == 0) files[2] = testsupport::ReadFile(file).substr(0, testsupport::ReadFile(file).size() / 2);
    if (bytes.empty()) continue;
    std::string aside;
    for (const auto& entry : std::filesystem::directory_iterator(app.Path()))
      if (entry.path().filename().string().find("not-a-database") != std::string::npos) aside = entry.path();
    ASSERT_FALSE(aside.empty()) << log[1];
    EXPECT_EQ(testsupport::MissingFrom(log[1], {file, aside}), "") << log[1];
    EXPECT_EQ(testsupport::ReadFile(aside), bytes) << "the user's file is kept as it was";
  }
}

// A status log that cannot be written: its lines go to stderr, the run goes on to its end, and
// the exit code tells the scheduler that something went wrong.
TEST(RunDriver, AnUnwritableStatusLogGoesToStderrAndTheExitCodeSaysSo) {
  ScratchAppFolder app;
  app.Write("ScheduleInfo/ScheduleConfig.ini", "[WebServer]\r\nServer=NOSUCH|\r\n");
  std::filesystem::create_directory(app.At("Log/QUORVALog.Log"));
  std::string said = Said(app, "DISPLAY=");
  EXPECT_EQ(testsupport::MissingFrom(said, {"QUORVASchedule Started at ", "mCollect.GetWebSites",
                                            "QUORVASchedule Finished at ", "\nexit 2\n"}), "") << said;
  EXPECT_EQ(testsupport::TablesOf(app.At("VelmoraDatabase.mdb")).size(), 30u);
}

// Another process holds a write transaction on the settings database for the whole run: once a
// level has found it locked, its later statements fail at once, and the run ends by itself soon.
TEST(SettingsDatabaseRun, ASettingsDatabaseLockedByAnotherProcessDoesNotHoldTheRunForLong) {
  ScratchAppFolder app;
  testsupport::CopyDemoServers(app);
  app.Write("ScheduleInfo/ScheduleConfig.ini", "[WebServer]\r\nServer=LEGACY01|WEBFARM01|\r\n"
                                               "[WebSite]\r\nServer=LEGACY01\\Partner Portal|\r\n");
  sqlite3* holder = nullptr;
  sqlite3_open(app.At("VelmoraDatabase.mdb").c_str(), &holder);
  ASSERT_EQ(sqlite3_exec(holder, "CREATE TABLE Kept(a); BEGIN IMMEDIATE; INSERT INTO Kept VALUES(1);", nullptr,
                         nullptr, nullptr), SQLITE_OK);
  std::string said = Said(app, "DISPLAY= timeout -s KILL 60");
  sqlite3_close(holder);
  EXPECT_TRUE(said.ends_with("exit 0\n")) << "exit 137: the run was still going after a minute; " << said;
  auto log = testsupport::StatusLog(app);
  EXPECT_GT(LinesWith(log, "currently locked"), 0);
  EXPECT_TRUE(log.back().starts_with("QUORVASchedule Finished at "));
}
