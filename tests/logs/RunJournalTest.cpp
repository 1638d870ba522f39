// The run journal of a whole run with standard, custom and comparison jobs, good ones between bad
// ones: it names every file that appeared and every status-log line the run added, each under
// its job; --help and --version touch nothing.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "TestServices.h"
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

  std::vector<std::string> lines;
  std::map<std::string, std::string> fileJob;  // path: "level/job kind"
  std::map<std::string, std::set<std::string>> lineJobs;  // a text: the "level/job phase" of its lines
  std::vector<std::string> events;
  for (const std::string& text : testsupport::ReadLines(app.At("Log/QUORVARun.jsonl"))) {
    const auto e = nlohmann::json::parse(text);
    const std::string job = e.value("level", nlohmann::json()).dump() + "/" + e.value("job", nlohmann::json()).dump();
    events.push_back(e["event"].get<std::string>() + (e.contains("kind") && e["event"] != "file" ? ":" + e["kind"].get<std::string>() : ""));
    if (e["event"] == "file") fileJob[e["path"]] = job + " " + e["kind"].get<std::string>();
    if (e["event"] != "status") continue;
    lines.push_back(e["line"]);
    for (const char* text : {"NOSUCH", "Broken", "Started", "Finished"})
      if (lines.back().find(text) != std::string::npos) lineJobs[text].insert(job + " " + e["phase"].get<std::string>());
  }
  std::vector<std::string> log = testsupport::StatusLog(app);
  EXPECT_EQ(lines, std::vector<std::string>(log.begin() + 1, log.end())) << "the lines this run added, in order";
  EXPECT_EQ(lineJobs["NOSUCH"], (std::set<std::string>{"1/1 collect", "1/1 export"}));
  EXPECT_EQ(lineJobs["Broken"], (std::set<std::string>{"4/1 collect", "4/1 export"}));
  EXPECT_EQ(lineJobs["Started"], (std::set<std::string>{"null/null start"}));
  EXPECT_EQ(lineJobs["Finished"], (std::set<std::string>{"null/null end"}));
  EXPECT_EQ(events.front(), "start");
  EXPECT_EQ(events.back(), "end");
  EXPECT_EQ(std::count(events.begin(), events.end(), "export:standard"), 3);
  EXPECT_EQ(std::count(events.begin(), events.end(), "export:custom"), 1);
  EXPECT_EQ(std::count(events.begin(), events.end(), "export:comparison"), 2);

  // The files that appeared, beside the logs and databases every run keeps.
  std::set<std::string> made, named;
  for (const std::string& path : FilesBelow(app.Path()))
    if (!before.count(path) && !std::regex_search(path, std::regex("QUORVALog|QUORVARun|IntLog|Velmora")))
      made.insert(path);
  for (const auto& [path, job] : fileJob) named.insert(path);
  EXPECT_EQ(named, made);
  for (const auto& [path, job] : fileJob) {
    const std::string name = fs::path(path).filename().string();
    const std::string expected = name.starts_with("ActivityLog")  ? " activity-log"
                                 : name.starts_with("WEBFARM01_")   ? "1/0 report"
                                 : name.starts_with("NOSUCH_")      ? "1/1 report"
                                 : name.starts_with("SiteOverview") ? "1/2 report"
                                 : name.starts_with("QUORVAExport") ? "3/0 export-database"
                                                                    : "4/0 report";
    EXPECT_TRUE(job.ends_with(expected)) << path << ": " << job;
  }
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
