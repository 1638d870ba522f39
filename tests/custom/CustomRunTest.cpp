// Whole runs of the real program with custom jobs over the demo snapshots: the files and export
// tables they make, the activity log, and bad definitions that cost their own job and nothing more.
#include <gtest/gtest.h>

#include "reports/ReportJobs.h"

namespace fs = std::filesystem;
using testsupport::ScratchAppFolder;
using Lines = std::vector<std::string>;

namespace {

using Jobs = std::vector<testsupport::ReportJob>;

// A custom job of the first tab.
testsupport::ReportJob Custom(const std::string& server, const std::string& format, const std::string& path,
                              const std::string& report) {
  return {server, "1", format, "0", path, report};
}

// Runs the program on the demo snapshots with these jobs at levels 1 to 3, after making the
// definition files from the demo's SQL (the server one with more SQL after it; the directory one
// left out when asked). Returns the status log.
Lines RunJobs(const ScratchAppFolder& app, const Jobs& servers, const Jobs& sites, const Jobs& directories,
              const std::string& moreServerDefinitions = "", bool directoryDefinitions = true) {
  fs::create_directories(app.At("Out"));
  for (const std::string level : {"Server", "Directory"}) {
    if (level == "Directory" && !directoryDefinitions) continue;
    std::string sql = testsupport::ReadFile(testsupport::SourceDir() + "/demo/CustomReports/QUORVACustomReport_" +
                                            level + ".sql") +
                      (level == "Server" ? moreServerDefinitions : "");
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(app.At("QUORVACustomReport_" + level + ".cfg").c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  return testsupport::RunSchedule(app, testsupport::ReportSchedule(servers, sites, directories));
}

}  // namespace

TEST(CustomRun, ReportsAtEveryLevelInEveryFormat) {
  ScratchAppFolder app;
  const std::string out = app.At("Out");
  RunJobs(
      app,
      {Custom("LEGACY01", "CSV", "No", "SiteOverview"), Custom("WEBFARM01", "HTML", out, "SiteOverview"),
       Custom("WEBFARM01", "MDB", "No", "SiteOverview")},
      {Custom("WEBFARM01\\Contoso Shop", "CSV", out, "SiteAccess"), Custom("LEGACY01\\Partner Portal", "MDB", out, "SiteAccess")},
      {Custom("LEGACY01\\Partner Portal\\orders", "MDB", "No", "DirectoryOverview"),
       Custom("WEBFARM01\\Contoso Shop\\checkout", "HTML", "No", "DirectoryOverview")});
  // Path "No": report, server part and stamp run together in the application folder; a folder:
  // joined by "_" in that folder. A server report leads with one row per binding of every site;
  // each further table stands in its own columns, starting on the last row of the table before;
  // a directory's name stands in the first column of the web-site form.
  testsupport::ExpectLikeFile(testsupport::RunFiles(app, {"", "Out"}), "custom/CustomRun.expected",
                              {{app.Path(), "<app>"}});
}

// Every bad job at level 1 on LEGACY01 (three sites, four bindings: four leading records), each
// followed by the next; at level 3 the definition file is missing.
TEST(CustomRun, BadDefinitionsCostTheirOwnJobAndTheRunGoesOn) {
  ScratchAppFolder app;
  std::string bad = "CREATE TABLE EmptyDefinition (c TEXT, t TEXT);";
  for (auto [name, columns, tables] :
       {std::tuple{"[Sites Report]", "SSL Port", "tblSSLInfo"},
        {"BadTable", "State|Documents|SSL Port", "WebSiteGenInfo|tblNoSuch|tblSSLInfo"},
        {"BadColumn", "State|No Such Column|SSL Port", "WebSiteGenInfo|tblDefaultDoc|tblSSLInfo"},
        {"FewTables", "State|Documents|SSL Port", "WebSiteGenInfo|tblDefaultDoc"}})
    bad += std::string("CREATE TABLE ") + name + " (c TEXT, t TEXT); INSERT INTO " + name + " VALUES ('" + columns +
           "', '" + tables + "');";
  // Three thousand copies of a column of several rows a site: a grid of about a hundred thousand
  // rows by three thousand columns, nearly every cell empty, filled within an address space of
  // 1 GB (the format writes no file).
  std::string copies = "Documents", copiedTables = "tblDefaultDoc";
  for (int i = 1; i < 3000; ++i) copies += "|Documents", copiedTables += "|tblDefaultDoc";
  bad += "CREATE TABLE Copies (c TEXT, t TEXT); INSERT INTO Copies VALUES ('" + copies + "', '" + copiedTables + "');";
  Jobs servers;
  for (const char* report : {"NoSuchReport", "Sites Report", "BadTable", "BadColumn", "FewTables", "EmptyDefinition"})
    servers.push_back(Custom("LEGACY01", "CSV", "No", report));
  for (const char* format : {"csv", "Html", "CSV"}) servers.push_back(Custom("LEGACY01", format, "No", "SiteOverview"));
  servers.push_back(Custom("LEGACY01", "-", "No", "Copies"));
  const std::string dir = "LEGACY01\\Partner Portal\\orders";
  testsupport::ProgramAddressSpace = 1LL << 30;
  RunJobs(app, servers, {},
          {Custom(dir, "CSV", "No", "DirectoryOverview"), Custom(dir, "CSV", "No", "No"),
           Custom(dir, "HTML", "No", "DirectoryOverview")},
          bad, false);
  testsupport::ProgramAddressSpace = 0;

  // A failing table keeps its columns empty and the next table under its own heading; a
  // definition without a record gives the headings-only report; nothing comes of the formats in
  // the wrong case. The driver still records the job whose definition file is missing.
  testsupport::ExpectLikeFile(testsupport::RunFiles(app, {""}), "custom/BadDefinitions.expected",
                              {{app.Path(), "<app>"}});
  EXPECT_FALSE(fs::exists(app.At("QUORVACustomReport_Directory.cfg"))) << "the missing definition file is not made";
}
