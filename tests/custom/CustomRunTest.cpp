// Whole runs of the real program with custom jobs over the demo snapshots: the files and export
// tables they make, the activity log, and bad definitions that cost their own job and nothing more.
#include <gtest/gtest.h>

#include "database/SqliteFile.h"
#include "reports/ReportJobs.h"

namespace fs = std::filesystem;
using testsupport::DataLines;
using testsupport::FileStartingWith;
using testsupport::LinesWith;
using testsupport::ReportFiles;
using testsupport::Rows;
using testsupport::ScratchAppFolder;
using testsupport::SiteRows;
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
  auto log = RunJobs(
      app,
      {Custom("LEGACY01", "CSV", "No", "SiteOverview"), Custom("WEBFARM01", "HTML", out, "SiteOverview"),
       Custom("WEBFARM01", "MDB", "No", "SiteOverview")},
      {Custom("WEBFARM01\\Contoso Shop", "CSV", out, "SiteAccess"), Custom("LEGACY01\\Partner Portal", "MDB", out, "SiteAccess")},
      {Custom("LEGACY01\\Partner Portal\\orders", "MDB", "No", "DirectoryOverview"),
       Custom("WEBFARM01\\Contoso Shop\\checkout", "HTML", "No", "DirectoryOverview")});
  EXPECT_EQ(log.size(), 2u) << "Started and Finished only";

  // Path "No": report, server part and stamp run together in the application folder; a folder:
  // joined by "_" in that folder.
  EXPECT_EQ(ReportFiles(app.Path()),
            (Lines{"DirectoryOverviewWEBFARM01_Contoso Shop_checkout.html", "QUORVAExportDb_LEGACY01.mdb",
                   "QUORVAExportDb_WEBFARM01.mdb", "SiteOverviewLEGACY01.csv"}));
  EXPECT_EQ(ReportFiles(out), (Lines{"QUORVAExportDb_LEGACY01.mdb", "SiteAccess_WEBFARM01_Contoso Shop_.csv",
                                     "SiteOverview_WEBFARM01_.html"}));
  EXPECT_EQ(testsupport::ReadLines(FileStartingWith(app.Path(), "SiteOverviewLEGACY01")).at(7),
            "Web Site Name,IP Address,TCP Port,State,Path,Read ,Write ,Documents,HTTP Error,Type,Contents");

  // One leading row per binding of every site, the site's name in it.
  const std::string servers = FileStartingWith(app.Path(), "QUORVAExportDb_WEBFARM01");
  EXPECT_EQ(testsupport::TablesOf(servers), (Lines{"SiteOverviewWEBFARM01"}));
  Lines names;
  for (const auto& row : SiteRows("WEBFARM01", 1)) names.push_back(row[0]);
  EXPECT_EQ(testsupport::FirstColumn(servers, "Select [Web Site Name] From SiteOverviewWEBFARM01 "
                                              "Where [Web Site Name] <> '' Order By rowid"),
            names);

  // Each further table in its own columns; the custom headers start on the last row of the
  // address restrictions.
  const std::string sites = FileStartingWith(out, "QUORVAExportDb_LEGACY01");
  EXPECT_EQ(testsupport::TablesOf(sites), (Lines{"SiteAccessLEGACY01_Partner Portal"}));
  EXPECT_EQ(testsupport::ColumnsOf(sites, "SiteAccessLEGACY01_Partner Portal"),
            (Lines{"Web Site Name", "Anonymous access", "Basic authentication", "Granted IP Address", "Denied IP Address",
                   "Granted Domain", "Denied Domain", "Custom Header Name", "Custom Header Value"}));
  EXPECT_EQ(testsupport::QueryFile(sites, "Select * From [SiteAccessLEGACY01_Partner Portal] Order By rowid"),
            (Rows{{"Partner Portal", "No", "Yes", "", "172.16.0.0, 255.240.0.0", "", "", "", ""},
                  {"", "", "", "", "198.51.100.23, 255.255.255.255", "", "", "", ""},
                  {"", "", "", "", "", "", "badbots.example.org", "X-Powered-By", "ASP.NET"},
                  {"", "", "", "", "", "", "", "P3P", "CP=\"CAO PSA OUR\""}}));

  // The directory's name in the first column of the web-site form.
  const std::string directories = FileStartingWith(app.Path(), "QUORVAExportDb_LEGACY01");
  EXPECT_EQ(testsupport::QueryFile(directories, "Select * From [DirectoryOverviewLEGACY01_Partner Portal_orders]"),
            (Rows{{"orders", "\\\\fileserver\\orders", "Yes", "No", "Orders", "Yes", "30", "orders.asp", "No", "Yes"}}));
  EXPECT_EQ(testsupport::ColumnsOf(directories, "DirectoryOverviewLEGACY01_Partner Portal_orders").at(0),
            "Web Site Name");
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
  auto log = RunJobs(app, servers, {},
                     {Custom(dir, "CSV", "No", "DirectoryOverview"), Custom(dir, "CSV", "No", "No"),
                      Custom(dir, "HTML", "No", "DirectoryOverview")},
                     bad, false);
  testsupport::ProgramAddressSpace = 0;

  const std::string missing = "-2147217865 - The database engine cannot find the input table or query '";
  EXPECT_EQ(LinesWith(log, "mCustom.ExportCustomReportIntoSelectedFormat"), 3);
  EXPECT_EQ(LinesWith(log, missing + "NoSuchReport'"), 1);
  EXPECT_EQ(LinesWith(log, missing + "Sites'"), 1) << "the name is not bracketed";
  EXPECT_EQ(LinesWith(log, "-2146825267 - Either BOF or EOF is True"), 1) << "the empty definition";
  EXPECT_EQ(LinesWith(log, "mCustom.GenerateCustomReport"), 4 + 4 + 3 + 4);
  EXPECT_EQ(LinesWith(log, missing + "tblNoSuch'"), 4);
  EXPECT_EQ(LinesWith(log, "-2147217904 - No value given for one or more required parameters (unknown field "
                           "'B.No Such Column')"), 4);
  EXPECT_EQ(LinesWith(log, "9 - Subscript out of range"), 3) << "the missing table name, once per site";
  EXPECT_EQ(LinesWith(log, "mGlobalFunctionDef.OpenConnection"), 2);
  EXPECT_EQ(LinesWith(log, "QUORVACustomReport_Directory.cfg"), 2);
  EXPECT_EQ(log.size(), 3u + 15u + 2u + 2u) << "nothing for the formats in the wrong case";

  EXPECT_EQ(ReportFiles(app.Path()),
            (Lines{"BadColumnLEGACY01.csv", "BadTableLEGACY01.csv", "EmptyDefinitionLEGACY01.csv",
                   "FewTablesLEGACY01.csv", "LEGACY01_Partner Portal_orders_General_.csv", "SiteOverviewLEGACY01.csv"}));
  EXPECT_FALSE(fs::exists(app.At("QUORVACustomReport_Directory.cfg"))) << "the missing definition file is not made";

  // A failing table keeps its columns empty and the next table under its own heading.
  auto only = [&](const std::string& report) { return FileStartingWith(app.Path(), report + "LEGACY01"); };
  EXPECT_EQ(DataLines(only("BadTable")),
            (Lines{"Default Web Site,Started,,443", "Partner Portal,Started,,443", "Partner Portal,Started,,443",
                   "Ann's Recipes,Stopped,,"}));
  EXPECT_EQ(testsupport::ReadLines(only("FewTables")).at(7), "Web Site Name,State,Documents,SSL Port");
  Lines empty = testsupport::ReadLines(only("EmptyDefinition"));
  EXPECT_EQ(empty.size(), 8u);
  EXPECT_EQ(empty.back(), "Web Site Name") << "the headings-only report";

  // The driver still records the job whose definition file is missing.
  EXPECT_NE(testsupport::ReadFile(testsupport::NewestActivityLog(app.At("Log")))
                .find("<TR>\r\n<TD>" + dir + "</TD>\r\n<TD>DirectoryOverview</TD>\r\n<TD>Successfully completed</TD>"),
            std::string::npos);
}

