// Whole runs of the real program with custom jobs over the demo snapshots: the files and export
// tables they make, the activity log, and bad definitions that cost their own job and nothing more.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>
#include <unistd.h>

#include "TestServices.h"
#include "TestSupport.h"
#include "database/SqliteFile.h"
#include "platform/DateTime.h"
#include "iis/IisSettings.h"
#include "platform/Text.h"

namespace fs = std::filesystem;
using testsupport::LinesWith;
using testsupport::ScratchAppFolder;

namespace {

using Rows = std::vector<std::vector<std::string>>;

struct Job {
  std::string server, format, path, custom, tab = "1", option = "0", printer = "PDF", time = "12/5/2026 1:00:00 AM";
};

std::string Section(const std::string& name, const std::vector<Job>& jobs) {
  std::string text = "[" + name + "]\r\n";
  for (auto [key, field] : {std::pair{"Printername", &Job::printer}, {"Server", &Job::server}, {"Tab", &Job::tab},
                            {"Format", &Job::format}, {"Option", &Job::option}, {"Path", &Job::path},
                            {"Custom", &Job::custom}, {"Time", &Job::time}}) {
    text += std::string(key) + "=";
    for (const Job& job : jobs) text += job.*field + "|";
    text += "\r\n";
  }
  return text;
}

// Runs the program on the demo snapshots with these jobs at levels 1 to 3; the definition files
// are made from SQL first ("" makes none).
void RunJobs(const ScratchAppFolder& app, const std::vector<Job>& servers, const std::vector<Job>& sites,
         const std::vector<Job>& directories, const std::string& serverDefinitions,
         const std::string& directoryDefinitions) {
  testsupport::CopyDemoServers(app);
  fs::create_directories(app.At("Out"));
  app.Write("ScheduleInfo/ScheduleConfig.ini", Section("WebServer", servers) + Section("WebSite", sites) +
                                                   Section("VirtualDirectory", directories) +
                                                   "[WebSiteComp]\r\n[VirtualDirectoryComp]\r\n");
  for (auto [file, sql] : {std::pair{"QUORVACustomReport_Server.cfg", serverDefinitions},
                           {"QUORVACustomReport_Directory.cfg", directoryDefinitions}}) {
    if (sql.empty()) continue;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(app.At(file).c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);
}

std::string DemoDefinitions(const std::string& file) {
  return testsupport::ReadFile(testsupport::SourceDir() + "/demo/CustomReports/" + file);
}

// The names in a folder that match the pattern whole.
std::vector<std::string> Matching(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    if (std::string name = entry.path().filename().string(); std::regex_match(name, std::regex(pattern)))
      names.push_back(name);
  return names;
}

// Today's stamp in a file name: day first on reports ("dd_mm_yyyy"), month first on export files.
std::string Stamp(const char* date = "dd_mm_yyyy") {
  return platform::FormatDate(platform::Now(), date) + "_\\d\\d_\\d\\d_\\d\\d";
}

// The data lines of a comma-separated report: after the heading, without the group breaks.
std::vector<std::string> DataLines(const std::string& path) {
  std::vector<std::string> lines = testsupport::ReadLines(path), data;
  for (size_t i = 8; i < lines.size(); ++i)
    if (!lines[i].empty()) data.push_back(lines[i]);
  return data;
}

}  // namespace

TEST(CustomRun, ReportsAtEveryLevelInEveryFormat) {
  ScratchAppFolder app;
  const std::string out = app.At("Out");
  RunJobs(app,
      {{"LEGACY01", "CSV", "No", "SiteOverview"}, {"WEBFARM01", "HTML", out, "SiteOverview"},
       {"WEBFARM01", "MDB", "No", "SiteOverview"}},
      {{"WEBFARM01\\Contoso Shop", "CSV", out, "SiteAccess"}, {"LEGACY01\\Partner Portal", "MDB", out, "SiteAccess"}},
      {{"LEGACY01\\Partner Portal\\orders", "MDB", "No", "DirectoryOverview"},
       {"WEBFARM01\\Contoso Shop\\checkout", "HTML", "No", "DirectoryOverview"}},
      DemoDefinitions("QUORVACustomReport_Server.sql"), DemoDefinitions("QUORVACustomReport_Directory.sql"));
  EXPECT_EQ(testsupport::StatusLog(app).size(), 2u) << "Started and Finished only";

  // Path "No": report, server part and stamp run together in the application folder; a folder:
  // joined by "_" in that folder.
  auto one = [&](const std::string& folder, const std::string& pattern) {
    auto names = Matching(folder, pattern);
    EXPECT_EQ(names.size(), 1u) << pattern;
    return folder + "/" + (names.empty() ? "" : names[0]);
  };
  std::string level1 = one(app.Path(), "SiteOverviewLEGACY01" + Stamp() + "\\.csv");
  one(app.Path(), "DirectoryOverviewWEBFARM01_Contoso Shop_checkout" + Stamp() + "\\.html");
  one(out, "SiteOverview_WEBFARM01_" + Stamp() + "\\.html");
  std::string level2 = one(out, "SiteAccess_WEBFARM01_Contoso Shop_" + Stamp() + "\\.csv");
  EXPECT_EQ(testsupport::ReadLines(level1).at(7),
            "Web Site Name,IP Address,TCP Port,State,Path,Read ,Write ,Documents,HTTP Error,Type,Contents");

  // Contents against the snapshot: one block per binding of every site, the site's name in its
  // leading row; the custom headers start on the last row of the address restrictions.
  auto webfarm = iis::LoadSnapshot("WEBFARM01");
  const iis::Site* shop = nullptr;
  for (const iis::Site& site : webfarm->Sites())
    if (site.name == "Contoso Shop") shop = &site;
  ASSERT_NE(shop, nullptr);
  auto headers = iis::SiteCategoryRows(*webfarm, *shop, "CustomHeader", 1001);
  auto security = iis::SiteCategoryRows(*webfarm, *shop, "HomeDirectorySecurity", 1001);
  const size_t from = iis::SiteCategoryRows(*webfarm, *shop, "IPAddress", 1001).size() - 1;
  ASSERT_FALSE(headers.empty());
  std::vector<std::string> shopLines = DataLines(level2);
  ASSERT_GE(shopLines.size(), from + headers.size());
  EXPECT_EQ(shopLines[0].rfind("Contoso Shop," + security[0][0] + "," + security[0][3] + ",", 0), 0u) << shopLines[0];
  for (size_t i = 0; i < headers.size(); ++i)
    EXPECT_TRUE(shopLines[from + i].ends_with("," + headers[i][0] + "," + headers[i][1])) << shopLines[from + i];

  std::string servers = one(app.Path(), "QUORVAExportDb_WEBFARM01" + Stamp("mm_dd_yyyy") + "\\.mdb");
  EXPECT_EQ(testsupport::TablesOf(servers), (std::vector<std::string>{"SiteOverviewWEBFARM01"}));
  std::vector<std::string> names;
  for (const iis::Site& site : webfarm->Sites())
    for (size_t b = 0; b < iis::SiteCategoryRows(*webfarm, site, "General", 1001).size(); ++b)
      names.push_back(site.name);
  EXPECT_EQ(testsupport::FirstColumn(servers, "Select [Web Site Name] From SiteOverviewWEBFARM01 "
                                              "Where [Web Site Name] <> '' Order By rowid"),
            names);

  std::string sites = one(out, "QUORVAExportDb_LEGACY01" + Stamp("mm_dd_yyyy") + "\\.mdb");
  EXPECT_EQ(testsupport::TablesOf(sites), (std::vector<std::string>{"SiteAccessLEGACY01_Partner Portal"}));
  EXPECT_EQ(testsupport::ColumnsOf(sites, "SiteAccessLEGACY01_Partner Portal"),
            (std::vector<std::string>{"Web Site Name", "Anonymous access", "Basic authentication", "Granted IP Address",
                                      "Denied IP Address", "Granted Domain", "Denied Domain", "Custom Header Name",
                                      "Custom Header Value"}));
  EXPECT_EQ(testsupport::QueryFile(sites, "Select * From [SiteAccessLEGACY01_Partner Portal] Order By rowid"),
            (Rows{{"Partner Portal", "No", "Yes", "", "172.16.0.0, 255.240.0.0", "", "", "", ""},
                  {"", "", "", "", "198.51.100.23, 255.255.255.255", "", "", "", ""},
                  {"", "", "", "", "", "", "badbots.example.org", "X-Powered-By", "ASP.NET"},
                  {"", "", "", "", "", "", "", "P3P", "CP=\"CAO PSA OUR\""}}));

  // The directory's name in the first column of the web-site form.
  std::string directories = one(app.Path(), "QUORVAExportDb_LEGACY01" + Stamp("mm_dd_yyyy") + "\\.mdb");
  EXPECT_EQ(testsupport::QueryFile(directories, "Select * From [DirectoryOverviewLEGACY01_Partner Portal_orders]"),
            (Rows{{"orders", "\\\\fileserver\\orders", "Yes", "No", "Orders", "Yes", "30", "orders.asp", "No", "Yes"}}));
  EXPECT_EQ(testsupport::ColumnsOf(directories, "DirectoryOverviewLEGACY01_Partner Portal_orders").at(0),
            "Web Site Name");
}

// Every bad job at level 1 on LEGACY01 (three sites, four bindings: four leading records), each
// followed by the next; at level 3 the definition file is missing.
TEST(CustomRun, BadDefinitionsCostTheirOwnJobAndTheRunGoesOn) {
  ScratchAppFolder app;
  const std::string bad =
      "CREATE TABLE [Sites Report] (c TEXT, t TEXT); INSERT INTO [Sites Report] VALUES ('SSL Port', 'tblSSLInfo');"
      "CREATE TABLE BadTable (c TEXT, t TEXT);"
      "INSERT INTO BadTable VALUES ('State|Documents|SSL Port', 'WebSiteGenInfo|tblNoSuch|tblSSLInfo');"
      "CREATE TABLE BadColumn (c TEXT, t TEXT);"
      "INSERT INTO BadColumn VALUES ('State|No Such Column|SSL Port', 'WebSiteGenInfo|tblDefaultDoc|tblSSLInfo');"
      "CREATE TABLE FewTables (c TEXT, t TEXT);"
      "INSERT INTO FewTables VALUES ('State|Documents|SSL Port', 'WebSiteGenInfo|tblDefaultDoc');"
      "CREATE TABLE EmptyDefinition (c TEXT, t TEXT);";
  std::vector<Job> servers;
  for (const char* report : {"NoSuchReport", "Sites Report", "BadTable", "BadColumn", "FewTables", "EmptyDefinition"})
    servers.push_back({"LEGACY01", "CSV", "No", report});
  for (const char* format : {"csv", "Html", "CSV"}) servers.push_back({"LEGACY01", format, "No", "SiteOverview"});
  const std::string dir = "LEGACY01\\Partner Portal\\orders";
  RunJobs(app, servers, {},
      {{dir, "CSV", "No", "DirectoryOverview"}, {dir, "CSV", "No", "No"}, {dir, "HTML", "No", "DirectoryOverview"}},
      DemoDefinitions("QUORVACustomReport_Server.sql") + bad, "");

  auto log = testsupport::StatusLog(app);
  const std::string missing = "-2147217865 - The database engine cannot find the input table or query '";
  EXPECT_EQ(LinesWith(log, "mCustom.ExportCustomReportIntoSelectedFormat"), 3);
  EXPECT_EQ(LinesWith(log, missing + "NoSuchReport'"), 1);
  EXPECT_EQ(LinesWith(log, missing + "Sites'"), 1) << "the name is not bracketed";
  EXPECT_EQ(LinesWith(log, "-2146825267 - Either BOF or EOF is True"), 1) << "the empty definition";
  EXPECT_EQ(LinesWith(log, "mCustom.GenerateCustomReport"), 4 + 4 + 3 + 4);
  EXPECT_EQ(LinesWith(log, missing + "tblNoSuch'"), 4);
  EXPECT_EQ(LinesWith(log, "-2147217904 - No value given for one or more required parameters (unknown field "
                           "'B.No Such Column')"),
            4);
  EXPECT_EQ(LinesWith(log, "9 - Subscript out of range"), 3) << "the missing table name, once per site";
  EXPECT_EQ(LinesWith(log, "mGlobalFunctionDef.OpenConnection"), 2);
  EXPECT_EQ(LinesWith(log, "QUORVACustomReport_Directory.cfg"), 2);
  EXPECT_EQ(log.size(), 3u + 15u + 2u + 2u) << "nothing for the formats in the wrong case";

  EXPECT_TRUE(Matching(app.Path(), "(NoSuchReport|Sites Report|Sites).*").empty());
  EXPECT_TRUE(Matching(app.Path(), ".*\\.html").empty());
  EXPECT_EQ(Matching(app.Path(), "SiteOverviewLEGACY01.*\\.csv").size(), 1u);
  EXPECT_EQ(Matching(app.Path(), "LEGACY01_Partner Portal_orders_General_.*\\.csv").size(), 1u);
  EXPECT_TRUE(Matching(app.Path(), "DirectoryOverview.*").empty());
  EXPECT_EQ(Matching(app.Path(), ".*\\.cfg"), (std::vector<std::string>{"QUORVACustomReport_Server.cfg"}))
      << "the missing definition file is not made";

  // A failing table keeps its columns empty and the next table under its own heading.
  auto only = [&](const std::string& report) {
    auto names = Matching(app.Path(), report + "LEGACY01.*\\.csv");
    return names.size() == 1 ? app.At(names[0]) : std::string();
  };
  EXPECT_EQ(DataLines(only("BadTable")),
            (std::vector<std::string>{"Default Web Site,Started,,443", "Partner Portal,Started,,443",
                                      "Partner Portal,Started,,443", "Ann's Recipes,Stopped,,"}));
  EXPECT_EQ(testsupport::ReadLines(only("FewTables")).at(7), "Web Site Name,State,Documents,SSL Port");
  std::vector<std::string> empty = testsupport::ReadLines(only("EmptyDefinition"));
  EXPECT_EQ(empty.size(), 8u);
  EXPECT_EQ(empty.back(), "Web Site Name") << "the headings-only report";

  // The driver still records the job whose definition file is missing.
  bool recorded = false;
  for (const std::string& name : Matching(app.At("Log"), "ActivityLog.*\\.htm"))
    recorded |= testsupport::ReadFile(app.At("Log/" + name))
                    .find("<TR>\r\n<TD>" + dir + "</TD>\r\n<TD>DirectoryOverview</TD>\r\n<TD>Successfully completed</TD>") !=
                std::string::npos;
  EXPECT_TRUE(recorded);
}

