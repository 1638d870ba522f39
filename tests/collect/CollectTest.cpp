// Collection into a real settings database from the demo snapshots: levels, paths, site
// indexes, re-collection, and whole runs over servers whose snapshots are missing or broken.
#include <gtest/gtest.h>

#include <array>

#include "RunState.h"
#include "TestSupport.h"
#include "collect/Sites.h"
#include "collect/mCollect.h"
#include "database/SqliteFile.h"
#include "frmSchedule.h"
#include "iis/Components.h"
#include "iis/IisSettings.h"
#include "platform/Text.h"
#include "reports/ReportJobs.h"

using testsupport::Rows;
using testsupport::ScratchAppFolder;

namespace {

// An applicationHost.config of the sites, each "<site ...>" with its root directory, and then the
// other sections given.
std::string ServerConfig(const std::vector<std::array<std::string, 3>>& sites, const std::string& sections = "") {
  std::string xml = "<configuration><system.applicationHost><sites>";
  for (const auto& [id, name, path] : sites)
    xml += "<site name=\"" + name + "\" id=\"" + id + "\"><application path=\"/\"><virtualDirectory path=\"/\" "
           "physicalPath=\"" + path + "\"/></application></site>";
  return xml + "</sites></system.applicationHost>" + sections + "</configuration>";
}

// Rows a line each, cells joined by "|".
std::string Text(const Rows& rows) {
  std::string text;
  for (const auto& row : rows) text += platform::Join(row, "|") + "\n";
  return text;
}

class Collect : public testsupport::SettingsTest {
 protected:
  // Collects the jobs at the level started; returns how many rows were written.
  long CollectJobs(std::vector<std::string> entries) {
    long before = iis::RowsWritten();
    ServerList = std::move(entries);
    CollectIISSettings();
    return iis::RowsWritten() - before;
  }
  // A level as the run starts it, its jobs collected.
  long RunLevel(short level, std::vector<std::string> entries) {
    StartLevel(level);
    return CollectJobs(std::move(entries));
  }
  // Every row of every settings table, after the table's name and the row's id.
  std::string Settings() {
    std::string text;
    for (const std::string& table : testsupport::TablesOf(app.At("VelmoraDatabase.mdb")))
      for (const auto& row : Query("Select rowid, * From [" + table + "]")) text += table + "|" + platform::Join(row, "|") + "\n";
    return text;
  }
  void WriteServer(const std::string& server, const std::vector<std::array<std::string, 3>>& sites) {
    app.Write("Servers/" + server + "/applicationHost.config", ServerConfig(sites));
  }
};

}  // namespace

// Site jobs of a level, several of one server in a row collecting it once, end with the settings
// tables and the status log as when each job is collected on its own: every site of a job's
// server whole, the script mappings of the job's site only. A missing or broken snapshot is an
// error of every collector call that needs it (the site listing and the 18 calls of a job), and is
// read once; a value too long for its column costs its own row only, reported once a job, naming
// the server, the site and the column.
TEST_F(Collect, SiteJobsEndAsEachJobCollectedAloneWithBadSnapshotsAndValuesTooLong) {
  const std::string longPath = "C:\\" + std::string(300, 'p'), longName = std::string(300, 'N');
  WriteServer("WIDE", {{"1", "One", "C:\\one"}, {"2", "Two", longPath}, {"3", "Three", "C:\\three"},
                       {"4", longName, "C:\\four"}, {"5", "Five", "C:\\five"}});
  app.Write("Servers/BROKEN/applicationHost.config", "<configuration><sites></configuration>");
  const std::vector<std::string> jobs = {
      "WEBFARM01\\Contoso Shop", "WEBFARM01\\Default Web Site", "WEBFARM01\\O'Brien Intranet",
      "LEGACY01\\Partner Portal", "WEBFARM01\\Contoso Shop",     "webfarm01\\Contoso Shop",
      "NOSUCH\\a",                "NOSUCH\\b",                   "BROKEN\\Site",
      "WIDE\\One",                "WIDE\\Five",                  "LEGACY01\\Ann's Recipes",
      "LEGACY01\\Partner Portal"};
  const long reads = iis::ParseCount();
  const long writtenOnce = RunLevel(2, jobs);
  const std::string once = Settings(), log = testsupport::StatusLogText(app);
  testsupport::ExpectLikeFile(once + log, "collect/SiteJobs.expected",
                              {{app.Path(), "<app>"}, {longPath, "<long path>"}, {longName, "<long name>"}});
  EXPECT_EQ(iis::ParseCount() - reads, 5) << "each server, as its jobs spell it, read once";
  EXPECT_EQ(frmSchedule().p2.Text(), "Collecting Report From LEGACY01\\Partner Portal");
  EXPECT_EQ(frmSchedule().Pg1.Value(), 0);
  EXPECT_FALSE(frmSchedule().DisplayFlag());

  long writtenAlone = RunLevel(2, {});
  for (const std::string& job : jobs) writtenAlone += CollectJobs({job});
  EXPECT_LT(writtenOnce, writtenAlone);
  EXPECT_EQ(Settings(), once);
  EXPECT_EQ(testsupport::StatusLogText(app), log + log);
}

// A snapshot rewritten between two site jobs of its server is collected again.
TEST_F(Collect, ASnapshotChangedBetweenSiteJobsIsCollectedAgain) {
  RunLevel(2, {});
  SitePropertiesCollector = std::make_shared<iis::SitePropertiesCollector>();
  SiteServicesCollector = std::make_shared<iis::SiteServicesCollector>();
  HomeDirectoryCollector = std::make_shared<iis::HomeDirectoryCollector>();
  WriteServer("GROWING", {{"1", "One", "C:\\one"}});
  Gather("GROWING\\One");
  WriteServer("GROWING", {{"1", "One", "C:\\one"}, {"2", "Two", "C:\\two"}});
  Gather("GROWING\\One");
  EXPECT_EQ(Text(Query("Select SiteIndex, Path From tblHomeDirectory2000")) + testsupport::StatusLogText(app), "1|C:\\one\n2|C:\\two\n");
}

TEST_F(Collect, ComparisonPairNamingOneSiteTwiceGathersTwice) {
  long legacyTwice = RunLevel(4, {"Same(1\\LEGACY01\\Partner Portal,2\\LEGACY01\\Partner Portal)"});
  EXPECT_GT(legacyTwice, 0);
  EXPECT_EQ(legacyTwice, 2 * CollectJobs({"Single(1\\LEGACY01\\Partner Portal,2\\NOSUCH\\x)"}));
  EXPECT_EQ(Query("Select count(*) From WebSiteInfo Where IISServer = 'LEGACY01'"), (Rows{{"3"}}));
}

// Directories with apostrophes, four directory categories sharing the application table (one row
// per directory), and a directory of a broken snapshot, whose every category reports it. A
// directory whose tables hold rows already is not collected again; collecting the same directory
// again replaces its rows. Then the paths and site indexes of entries.
TEST_F(Collect, DirectoryLevelWithApostrophesSharedTablesPathsAndSiteIndexes) {
  app.Write("Servers/BROKEN/applicationHost.config", "<configuration><sites></configuration>");
  RunLevel(3, {"WEBFARM01\\O'Brien Intranet\\docs", "LEGACY01\\Partner Portal\\orders\\archive", "BROKEN\\Site\\dir"});
  std::string seen = Text(Query("Select [Directory Name],[Expire On] From tblVirHttpHeader Order By vKey")) +
                     Text(Query("Select vKey, [Application Name], [Session timeout] From tblVirApplicationSettings Order By vKey")) +
                     Text(Query("Select [Path],[UserName] From tblVirtualDirectory2000 Order By vKey"));
  long before = iis::RowsWritten();
  GetVirtualDirectorySiteLevel("IIS://WEBFARM01/W3SVC/3/ROOT/docs", 4);
  EXPECT_EQ(iis::RowsWritten(), before);
  CollectJobs({"WEBFARM01\\O'Brien Intranet\\docs"});
  EXPECT_EQ(Query("Select count(*) From tblVirHttpHeader"), (Rows{{"2"}}));
  EXPECT_EQ(frmSchedule().Panel.State(), 2);
  for (const char* entry : {"LEGACY01\\Partner Portal\\orders\\archive", "LEGACY01\\Partner Portal", "LEGACY01", "",
                            "LEGACY01\\Nowhere\\x"})
    seen += GetPath(entry) + "\n";
  seen += FindSiteIndex("LEGACY01", "Ann's Recipes") + "|" + FindSiteIndex("LEGACY01", "Nowhere") + "\n";
  // Without an open settings database nothing is listed.
  SettingsConnection->Close();
  EXPECT_FALSE(GetWebSites("LEGACY01"));
  seen += FindSiteIndex("LEGACY01", "Ann's Recipes") + "\n";
  testsupport::ExpectLikeFile(seen + testsupport::StatusLogText(app), "collect/Directories.expected", {{app.Path(), "<app>"}});
}

// A path in a status-log line is shown the one way the file layer opens it, never half Windows. A
// snapshot can come from anywhere: 50,000 elements nested inside <asp> are read like any other
// configuration.
TEST(CollectRun, MissingBrokenAndDeeplyNestedSnapshotsAreLoggedWithTheirPathsOrReadAndTheRunGoesOn) {
  ScratchAppFolder app;
  app.Write("Servers/BROKEN/applicationHost.config", "<configuration><sites></configuration>");
  std::string nested;
  for (int i = 0; i < 50000; ++i) nested += "<n>";
  for (int i = 0; i < 50000; ++i) nested += "</n>";
  app.Write("Servers/DEEP/applicationHost.config",
            ServerConfig({{"1", "Deep", "C:\\deep"}},
                         "<system.webServer><asp scriptLanguage=\"JScript\">" + nested + "</asp></system.webServer>"));
  auto log = testsupport::RunSchedule(
      app, testsupport::ReportSchedule(
               {{"NOSUCH", "1", "MDB", "0", app.Path() + "\\NoFolder"}, {"LEGACY01", "1", "HTML"}, {"DEEP", "5", "CSV"}},
               {{"BROKEN\\Site", "1", "HTML"}}, {{"WEBFARM01\\Nowhere\\x", "1"}}, {},
               {{"Cmp(1\\LEGACY01\\Partner Portal\\orders,2\\WEBFARM01\\Contoso Shop\\checkout)", "", "HTML"}}));
  // A line for each call that needed the bad server: the 18 calls of Gather, and its site listing
  // when gathering and again when exporting.
  EXPECT_TRUE(log.front().starts_with("QUORVASchedule Started at ") && log.back().starts_with("QUORVASchedule Finished at "));
  const std::regex stamp(R"(NOSUCH\d\d_\d\d_\d{4}_\d\d_\d\d_\d\d)");
  testsupport::ExpectLikeFile(std::regex_replace(platform::Join({log.begin() + 1, log.end() - 1}, "\n") + "\n", stamp, "NOSUCH<stamp>"),
                              "collect/RunLog.expected", {{app.Path(), "<app>"}});
  // The last level still collected both directories of its pair.
  EXPECT_EQ(testsupport::QueryFile(app.At("VelmoraDatabase.mdb"), "Select vKey From tblVirSecureCommunication Order By vKey"),
            (Rows{{"IIS://LEGACY01/W3SVC/2/ROOT/orders"}, {"IIS://WEBFARM01/W3SVC/2/ROOT/checkout"}}));
  // The Application Option report of DEEP, with its ASP language.
  EXPECT_EQ(testsupport::MissingFrom(testsupport::ReadFile(testsupport::FileStartingWith(app.Path(), "DEEP_Application Option_")),
                                     {"Deep,Yes,20,Yes,No,JScript,90"}), "");
}
