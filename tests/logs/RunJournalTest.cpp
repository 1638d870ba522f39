// A whole run with standard, custom and comparison jobs, good ones between bad ones, while other
// programs open the settings database. The status log is a named pipe, so the run stands in the
// open of each line until the test reads it: meanwhile the test reads the file, and writes it, as
// an administrator's sqlite3 would. The run journal names every file that appeared and every
// status-log line, each under its job; --help and --version touch nothing.
#include <algorithm>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "TestServices.h"
#include "database/SqliteFile.h"
#include "platform/Text.h"
#include "reports/ReportJobs.h"

namespace fs = std::filesystem;

namespace {

// Every file and folder below the folder.
std::set<std::string> FilesBelow(const std::string& folder) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    files.insert(entry.path().string());
  return files;
}

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

TEST(WholeRun, OtherProgramsReadFinishedJobsAndWriteBetweenJobsAndTheJournalNamesEveryFileAndLine) {
  testsupport::ScratchAppFolder app;
  fs::create_directories(app.At("Out"));
  testsupport::Capture("sqlite3 '" + app.At("QUORVACustomReport_Server.cfg") + "' < '" + testsupport::SourceDir() +
                       "/demo/CustomReports/QUORVACustomReport_Server.sql'");
  testsupport::CopyDemoServers(app);
  // Levels 1 to 3: two jobs, then one whose server has no snapshot (its status-log lines are the
  // marks); at level 1 one more job asks the first one's report again, in another format, and a
  // custom one writes into a folder of its own; at level 3 one more writes an export database;
  // at level 4 a comparison and a broken one.
  const std::string pair = "Pair(1\\WEBFARM01\\Contoso Shop,2\\LEGACY01\\Partner Portal)";
  app.Write("ScheduleInfo/ScheduleConfig.ini",
            testsupport::ReportSchedule(
                {{"WEBFARM01", "1", "HTML"}, {"LEGACY01", "1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16\\17", "HTML"},
                 {"NOSUCH1", "1"}, {"WEBFARM01", "1"}, {"LEGACY01", "1", "HTML", "0", app.At("Out"), "SiteOverview"}},
                {{"WEBFARM01\\Contoso Shop", "1"}, {"LEGACY01\\Partner Portal", "1"}, {"NOSUCH2\\Site", "1"}},
                {{"WEBFARM01\\Contoso Shop\\checkout", "1"}, {"LEGACY01\\Partner Portal\\orders", "1"},
                 {"NOSUCH3\\Site\\dir", "1"}, {"LEGACY01\\Partner Portal\\orders", "1", "MDB"}},
                {{pair, "", "HTML"}, {"Broken", "", "CSV"}}));
  ASSERT_EQ(::mkfifo(app.At("Log/QUORVALog.Log").c_str(), 0600), 0);
  const std::string db = app.At("VelmoraDatabase.mdb"), program = app.InstallProgram();
  const std::set<std::string> before = FilesBelow(app.Path());
  const int pid = testsupport::StartProgram(program);
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
  testsupport::ExpectLikeFile("level 1\n" + seen['1'] + "level 2\n" + seen['2'] + "level 3\n" + seen['3'], "database/SharedSettings.rows");
  // The last standard job of level 1 reports the first one's rows again, with the other program's change.
  int renamed = 0;
  for (const auto& entry : fs::directory_iterator(app.Path()))
    if (entry.path().filename().string().rfind("WEBFARM01_General_", 0) == 0 && entry.path().extension() == ".csv")
      renamed += testsupport::ReadFile(entry.path()).find("Renamed elsewhere") != std::string::npos;
  EXPECT_EQ(renamed, 1);

  // The journal, with what differs from run to run masked: the folder, times, version, process id.
  std::string journal = platform::Replace(testsupport::ReadFile(app.At("Log/QUORVARun.jsonl")), app.Path(), "<app>");
  for (const auto& [pattern, mark] : {std::pair{"\\d\\d_\\d\\d_\\d{4}_\\d\\d_\\d\\d_\\d{1,2}", "<stamp>"},
                                      {"\"(time|version|pid)\":[^,}]+", "\"$1\":0"}})
    journal = std::regex_replace(journal, std::regex(pattern), mark);
  testsupport::ExpectLikeFile(journal, "logs/RunJournal.expected");

  // It names the lines of the status log, in order, and the files that appeared beside the logs,
  // databases and run lock every run keeps.
  std::vector<std::string> lines;
  std::set<std::string> named, made;
  for (const std::string& text : testsupport::ReadLines(app.At("Log/QUORVARun.jsonl"))) {
    const auto e = nlohmann::json::parse(text);
    if (e["event"] == "status") lines.push_back(e["line"]);
    if (e["event"] == "file") named.insert(e["path"].get<std::string>());
  }
  // Every line the log received is among them, in order. A line the program writes while this test
  // closes its end of the pipe is lost to the test, never to the journal, which the expected file
  // above holds whole.
  size_t next = 0;
  for (const std::string& line : platform::Split(log, "\r\n")) {
    if (line.empty()) continue;
    next = static_cast<size_t>(std::find(lines.begin() + static_cast<long>(next), lines.end(), line) - lines.begin());
    ASSERT_LT(next, lines.size()) << "not named in this order: " << line;
    ++next;
  }
  for (const std::string& path : FilesBelow(app.Path()))
    if (!before.count(path) &&
        !std::regex_search(path, std::regex("QUORVALog|QUORVARun|IntLog|Velmora|QUORVASchedule\\.lock")))
      made.insert(path);
  EXPECT_EQ(named, made);
}

TEST(RunJournal, HelpAndVersionPrintAndTouchNothing) {
  testsupport::ScratchAppFolder app;
  fs::remove_all(app.At("Log"));
  const std::string program = app.InstallProgram();
  for (const char* option : {"--help", "--version"}) {
    const std::string said = testsupport::Capture("'" + program + "' " + option + "; echo \"exit $?\"");
    EXPECT_TRUE(said.starts_with(option == std::string("--help") ? "Usage: QUORVASchedule" : "QUORVASchedule 1."));
    EXPECT_TRUE(said.ends_with("\nexit 0\n")) << said;
    EXPECT_EQ(FilesBelow(app.Path()), std::set<std::string>{program}) << option;
  }
}
