// Whole runs of the real program: start, levels, second instance, the one fatal error, and the
// settings database a run leaves or cannot open.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sqlite3.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "TestServices.h"
#include "TestSupport.h"
#include "database/SqliteFile.h"
#include "iis/Components.h"
#include "mMain.h"
#include "platform/Text.h"

using testsupport::ScratchAppFolder;

namespace {

// Runs the installed program with these variables; what it printed and "exit N".
std::string Said(const ScratchAppFolder& app, const std::string& environment) {
  return testsupport::Capture("env -u XDG_RUNTIME_DIR -u WAYLAND_DISPLAY " + environment + " '" +
                              app.InstallProgram() + "' 2>&1; echo \"exit $?\"");
}

}  // namespace

// No Log folder, and no display that can be used: even a toolkit told to use X must not stop the
// run, whether no display is named or the one named cannot be reached. Without a schedule each of
// the five levels reports it with an empty message and still makes the thirty category tables. A
// settings database file that is no database (other bytes, or a truncated copy) is renamed aside
// once, under a name that says so, and made afresh; one that cannot be opened (a folder where the
// file should be: root writes into read-only folders) is reported and left as it was; one another
// process holds a write transaction on for the whole run holds each level only once, and the run
// ends by itself soon. A status log that cannot be written goes to stderr, the run goes on to its
// end, and the exit code tells the scheduler so. A scheduled job's mail is what it prints: a
// headless run with nothing wrong prints nothing.
TEST(RunDriver, LevelsRunWithoutDisplayScheduleUsableSettingsDatabaseOrStatusLog) {
  const std::string headless = "DISPLAY= QT_QPA_PLATFORM=", junk = "junk: Standard Jet DB, but only in name; no SQLite pages.\r\n";
  const std::string empty = testsupport::kEmptySchedule, nosuch = "[WebServer]\r\nServer=NOSUCH|\r\n",
                    demo = "[WebServer]\r\nServer=LEGACY01|WEBFARM01|\r\n[WebSite]\r\nServer=LEGACY01\\Partner Portal|\r\n";
  std::string logs, made;  // made: the settings database the run before left
  for (const auto& [environment, schedule, trouble] : std::vector<std::array<std::string, 3>>{
           {headless, empty, ""}, {"DISPLAY= QT_QPA_PLATFORM=xcb", empty, ""}, {"DISPLAY=:87 QT_QPA_PLATFORM=xcb", empty, ""},
           {headless, "", ""}, {headless, "", junk}, {headless, "", "half"}, {headless, "", "folder"},
           {headless, nosuch, "unwritable log"}, {headless + " timeout -s KILL 60", demo, "locked"}}) {
    ScratchAppFolder app;
    testsupport::CopyDemoServers(app);
    std::filesystem::remove_all(app.At("Log"));  // the run makes it
    if (!schedule.empty()) app.Write("ScheduleInfo/ScheduleConfig.ini", schedule);
    const std::string file = app.At("VelmoraDatabase.mdb"), bytes = trouble == "half" ? made.substr(0, made.size() / 2) : trouble;
    if (trouble == "folder") std::filesystem::create_directory(file);
    else if (trouble == "unwritable log") std::filesystem::create_directories(app.At("Log/QUORVALog.Log"));
    else if (!bytes.empty() && trouble != "locked") app.Write("VelmoraDatabase.mdb", bytes);
    sqlite3* holder = nullptr;
    if (trouble == "locked") sqlite3_open(file.c_str(), &holder);
    sqlite3_exec(holder, "CREATE TABLE Kept(a); BEGIN IMMEDIATE; INSERT INTO Kept VALUES(1);", nullptr, nullptr, nullptr);
    const std::string said = Said(app, environment);
    sqlite3_close(holder);
    EXPECT_TRUE(said.ends_with("exit 0\n") || trouble == "unwritable log") << environment << ": " << said;
    std::string log = testsupport::StatusLogText(app) + (environment.find("xcb") == std::string::npos ? said : "");
    for (const auto& entry : std::filesystem::directory_iterator(app.Path()))
      if (entry.path().filename().string().find("not-a-database") != std::string::npos) {
        EXPECT_EQ(testsupport::ReadFile(entry.path()), bytes) << "the user's file is kept as it was";
        log = platform::Replace(log, entry.path().filename().string(), "<aside>");
      }
    logs += "run " + environment + (schedule.empty() ? " without" : " with") + " a schedule, " + trouble.substr(0, trouble.find(':')) + ": " +
            (std::filesystem::is_directory(file) ? "a folder" : std::to_string(testsupport::TablesOf(file).size()) + " tables") +
            "\n" + platform::Replace(log, app.Path(), "<app>");
    made = testsupport::ReadFile(file);
  }
  testsupport::ExpectLikeFile(logs, "Schedule/Levels.expected");
}

// The status log is made a pipe, so the first run blocks on its "Started" line while it holds
// its folder's run lock. A copy of the program under another name in that folder is refused; the
// same program file linked into a second folder, one that cannot even hold a lock file, runs to its
// end meanwhile. Then the test reads what the first two wrote. A run stuck on that pipe still ends
// within two seconds of SIGTERM, with 128 + 15.
TEST(RunDriver, OneRunPerApplicationFolderAndAStuckRunStillStops) {
  ScratchAppFolder app, other;
  app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
  other.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
  std::string program = app.InstallProgram(), copy = app.At("QUORVAScheduleCopy");
  std::filesystem::copy_file(program, copy);
  std::filesystem::create_hard_link(program, other.At("QUORVASchedule"));
  const std::string otherFolder = "'" + other.Path() + "'";
  const bool immutable = std::system(("chattr +i " + otherFolder + " 2>/dev/null").c_str()) == 0;
  std::string logPath = app.At("Log/QUORVALog.Log");
  ASSERT_EQ(::mkfifo(logPath.c_str(), 0600), 0);
  int first = testsupport::StartProgram(program);
  ASSERT_TRUE(testsupport::StandsAtPipe(first));
  int second = testsupport::StartProgram(copy);
  ASSERT_TRUE(testsupport::StandsAtPipe(second));
  EXPECT_EQ(testsupport::RunProgram(other.At("QUORVASchedule")), 0);
  if (immutable) std::system(("chattr -i " + otherFolder).c_str());
  EXPECT_EQ(testsupport::MissingFrom(testsupport::StatusLogText(other),
                                     {"QUORVASchedule Started at ", "QUORVASchedule Finished at "}), "");

  // With the pipe open for reading both go on; their few lines fit in the pipe.
  int reader = ::open(logPath.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(testsupport::WaitProgram(first), 0);
  EXPECT_EQ(testsupport::WaitProgram(second), 0);
  std::string text(1 << 16, '\0');
  text.resize(std::max<ssize_t>(::read(reader, text.data(), text.size()), 0));
  ::close(reader);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
  EXPECT_EQ(testsupport::MissingFrom("\n" + text, {"\nQUORVAScheduleCopy Application is already running. at ",
                                                   "\nQUORVASchedule Started at ", "\nQUORVASchedule Finished at "}), "");

  int stuck = testsupport::StartProgram(program);
  ASSERT_TRUE(testsupport::StandsAtPipe(stuck));
  auto signalled = std::chrono::steady_clock::now();
  ::kill(stuck, SIGTERM);
  EXPECT_EQ(testsupport::WaitProgram(stuck, 5), 143);
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(2));
}

// A machine without the server-info component: the error ends the run at the first level.
TEST(RunDriverDeathTest, ErrorWhileReadingTheScheduleEndsTheProgram) {
  ScratchAppFolder app;
  app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
  iis::SetComponentInstalled("ServerInfoComponent", false);
  EXPECT_EXIT(Main(), testing::ExitedWithCode(1), "");
  iis::SetComponentInstalled("ServerInfoComponent", true);
  testsupport::ExpectLikeFile(testsupport::StatusLogText(app), "Schedule/NoComponent.expected");
}
