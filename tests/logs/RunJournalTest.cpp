// The run journal of a whole run with standard, custom and comparison jobs, good ones between bad
// ones: it names every file that appeared and every status-log line the run added, each under
// its job; --help and --version touch nothing.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <nlohmann/json.hpp>
#include <set>

#include "TestServices.h"
#include "platform/Text.h"
#include "reports/ReportJobs.h"

namespace fs = std::filesystem;
using testsupport::ScratchAppFolder;

namespace {

// Every file and folder below the folder.
std::set<std::string> FilesBelow(const std::string& folder) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    files.insert(entry.path().string());
  return files;
}

}  // namespace

TEST(RunJournal, NamesEveryNewFileAndStatusLineUnderItsJob) {
  ScratchAppFolder app;
  fs::create_directories(app.At("Out"));
  sqlite3* db = nullptr;
  sqlite3_open(app.At("QUORVACustomReport_Server.cfg").c_str(), &db);
  sqlite3_exec(db, testsupport::ReadFile(testsupport::SourceDir() + "/demo/CustomReports/QUORVACustomReport_Server.sql").c_str(),
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
  app.Write("Log/QUORVALog.Log", "QUORVASchedule Finished at 12/6/2026 1:00:00 AM\r\n");
  const std::string pair = "Pair(1\\WEBFARM01\\Contoso Shop,2\\LEGACY01\\Partner Portal)";
  testsupport::CopyDemoServers(app);
  app.Write("ScheduleInfo/ScheduleConfig.ini",
            testsupport::ReportSchedule(
                {{"WEBFARM01", "1\\7"}, {"NOSUCH", "1"}, {"LEGACY01", "1", "HTML", "0", app.At("Out"), "SiteOverview"}},
                {}, {{"LEGACY01\\Partner Portal\\orders", "1", "MDB"}}, {{pair, "", "HTML"}, {"Broken", "", "CSV"}}));
  const std::string program = app.InstallProgram();
  const std::set<std::string> before = FilesBelow(app.Path());
  ASSERT_EQ(testsupport::RunProgram(program), 0);

  // The journal, with what differs from run to run masked: the folder, times, version, process id.
  std::string journal = platform::Replace(testsupport::ReadFile(app.At("Log/QUORVARun.jsonl")), app.Path(), "<app>");
  for (const auto& [pattern, mark] : {std::pair{"\\d\\d_\\d\\d_\\d{4}_\\d\\d_\\d\\d_\\d{1,2}", "<stamp>"},
                                      {"\"(time|version|pid)\":[^,}]+", "\"$1\":0"}})
    journal = std::regex_replace(journal, std::regex(pattern), mark);
  testsupport::ExpectLikeFile(journal, "logs/RunJournal.expected");

  // It names the lines this run added, in order, and the files that appeared beside the logs,
  // databases and run lock every run keeps.
  std::vector<std::string> lines;
  std::set<std::string> named, made;
  for (const std::string& text : testsupport::ReadLines(app.At("Log/QUORVARun.jsonl"))) {
    const auto e = nlohmann::json::parse(text);
    if (e["event"] == "status") lines.push_back(e["line"]);
    if (e["event"] == "file") named.insert(e["path"].get<std::string>());
  }
  std::vector<std::string> log = testsupport::StatusLog(app);
  EXPECT_EQ(lines, std::vector<std::string>(log.begin() + 1, log.end()));
  for (const std::string& path : FilesBelow(app.Path()))
    if (!before.count(path) &&
        !std::regex_search(path, std::regex("QUORVALog|QUORVARun|IntLog|Velmora|QUORVASchedule\\.lock")))
      made.insert(path);
  EXPECT_EQ(named, made);
}

TEST(RunJournal, HelpAndVersionPrintAndTouchNothing) {
  ScratchAppFolder app;
  fs::remove_all(app.At("Log"));
  const std::string program = app.InstallProgram();
  for (const char* option : {"--help", "--version"}) {
    const std::string said = testsupport::Capture("'" + program + "' " + option + "; echo \"exit $?\"");
    EXPECT_TRUE(said.starts_with(option == std::string("--help") ? "Usage: QUORVASchedule" : "QUORVASchedule 1."));
    EXPECT_TRUE(said.ends_with("\nexit 0\n")) << said;
    EXPECT_EQ(FilesBelow(app.Path()), std::set<std::string>{program}) << option;
  }
}
