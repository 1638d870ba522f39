// Collection into a real settings database from the demo snapshots: levels, paths, site
// indexes, re-collection, and whole runs over servers whose snapshots are missing or broken.
#include <gtest/gtest.h>

#include <array>

#include "RunState.h"
#include "TestSupport.h"
#include "collect/Sites.h"
#include "collect/mCollect.h"
#include "database/Catalogue.h"
#include "database/SqliteFile.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "iis/Components.h"
#include "iis/IisSettings.h"
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
  // Only the run's own lines ("QUORVASchedule ...") in the status log.
  bool NoErrorLines() {
    auto log = testsupport::StatusLog(app);
    return testsupport::LinesWith(log, "QUORVASchedule ") == static_cast<int>(log.size());
  }
  // Every web-site category table holds, for each site of the server, what the snapshot gives
  // for that site: the same rows in the same order, column for column.
  void ExpectSitesCollectedAsRead(const std::string& server) {
    auto snapshot = iis::LoadSnapshot(server);
    for (const iis::Site& site : snapshot->Sites())
      for (short index = 1; index <= 17; ++index) {
        std::string key = catalogue::CategoryKey(catalogue::Family::WebSite, index);
        Rows stored = Query("Select * From [" + catalogue::TableName(catalogue::Family::WebSite, index) +
                            "] Where SiteIndex = '" + site.id + "' And IISServer = '" + server + "' Order By rowid");
        for (auto& row : stored) row = {row.begin() + 1, row.end() - 1};
        EXPECT_EQ(stored, iis::SiteCategoryRows(*snapshot, site, key, ServerVersion))
            << site.id << " " << key;
      }
  }
  void WriteServer(const std::string& server, const std::vector<std::array<std::string, 3>>& sites) {
    app.Write("Servers/" + server + "/applicationHost.config", ServerConfig(sites));
  }
  // Server WIDE: a path too long for its column at site 2, a name too long at site 4.
  void WriteWideServer() {
    WriteServer("WIDE", {{"1", "One", "C:\\one"}, {"2", "Two", "C:\\" + std::string(300, 'p')},
                         {"3", "Three", "C:\\three"}, {"4", longName, "C:\\four"}, {"5", "Five", "C:\\five"}});
  }
  const std::string longName = std::string(300, 'N');
};

}  // namespace

TEST_F(Collect, WebSiteLevelListsTheServersSitesAndFillsEveryCategory) {
  RunLevel(2, {"WEBFARM01\\Contoso Shop"});
  EXPECT_EQ(Query("Select SiteIndex, [Web Site Name], IISServer From WebSiteInfo Order By SiteIndex"),
            (Rows{{"1", "Default Web Site", "WEBFARM01"}, {"2", "Contoso Shop", "WEBFARM01"},
                  {"3", "O'Brien Intranet", "WEBFARM01"}}));
  // Every site of the server is collected, location overrides included (the reader's values
  // for them are pinned in the snapshot tests), and nothing else.
  ExpectSitesCollectedAsRead("WEBFARM01");
  EXPECT_EQ(Query("Select count(*) From WebSiteGenInfo"), (Rows{{"4"}}));
  // Script mappings only for the job's own site.
  EXPECT_EQ(Query("Select SiteIndex, Extension From tblAppMappings"), (Rows{{"2", ".asp"}}));
  EXPECT_TRUE(NoErrorLines());
  EXPECT_EQ(frmSchedule().p2.Text(), "Collecting Report From WEBFARM01\\Contoso Shop");
  EXPECT_EQ(frmSchedule().Pg1.Value(), 0);
  EXPECT_FALSE(frmSchedule().DisplayFlag());
}

// A missing or broken snapshot is an error of every collector call that needs it: the site
// listing, each of the 18 calls of a server, each directory category. The broken file is read once.
TEST_F(Collect, EveryCallThatNeedsABadSnapshotReportsIt) {
  app.Write("Servers/BROKEN/applicationHost.config", "<configuration><sites></configuration>");
  long reads = iis::ParseCount();
  RunLevel(1, {"NOSUCH", "BROKEN"});
  auto log = testsupport::StatusLog(app);
  EXPECT_EQ(testsupport::LinesWith(log, "mCollect.GetWebSites "), 2);
  EXPECT_EQ(testsupport::LinesWith(log, "mCollect.Gather "), 36);
  EXPECT_EQ(testsupport::LinesWith(log, "'NOSUCH'"), 19);
  RunLevel(3, {"BROKEN\\Site\\dir"});
  EXPECT_EQ(testsupport::LinesWith(testsupport::StatusLog(app), "mCollect.GetVirtualDirectorySiteLevel "), 14);
  EXPECT_EQ(iis::ParseCount() - reads, 1);
}

// A value too long for its column costs its own row only: the call writes its other rows and is
// reported once, naming the server, the site and the column.
TEST_F(Collect, AValueTooLongForItsColumnLosesOnlyItsOwnRow) {
  WriteWideServer();
  RunLevel(1, {"WIDE"});
  EXPECT_EQ(Query("Select SiteIndex From WebSiteInfo Order By SiteIndex"), (Rows{{"1"}, {"2"}, {"3"}, {"5"}}));
  EXPECT_EQ(Query("Select SiteIndex From tblHomeDirectory2000 Order By SiteIndex"), (Rows{{"1"}, {"3"}, {"4"}, {"5"}}));
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_TRUE(log[0].starts_with("mCollect.GetWebSites ")) << log[0];
  EXPECT_EQ(testsupport::MissingFrom(log[0], {"'WIDE'", "'" + longName.substr(0, 20), "[Web Site Name]"}), "") << log[0];
  EXPECT_TRUE(log[1].starts_with("mCollect.Gather ")) << log[1];
  EXPECT_EQ(testsupport::MissingFrom(log[1], {"-2147217887 - ", "'WIDE'", "'Two'", "[Path]"}), "") << log[1];
}

// Site jobs of one server in a row collect it once, and the settings tables and the status log end
// as when each job is collected on its own: with other servers in between, a missing snapshot and
// a row too long reported on every job.
TEST_F(Collect, SiteJobsOfTheServerCollectedBeforeEndAsCollectingEachJobAlone) {
  WriteWideServer();
  const std::vector<std::string> jobs = {
      "WEBFARM01\\Contoso Shop", "WEBFARM01\\Default Web Site", "WEBFARM01\\O'Brien Intranet",
      "LEGACY01\\Partner Portal", "WEBFARM01\\Contoso Shop",     "webfarm01\\Contoso Shop",
      "NOSUCH\\a",                "NOSUCH\\b",                   "WIDE\\One",
      "WIDE\\Five",               "LEGACY01\\Ann's Recipes",     "LEGACY01\\Partner Portal"};
  auto everything = [&] {
    Rows all;
    for (const std::string& table : testsupport::TablesOf(app.At("VelmoraDatabase.mdb")))
      for (auto& row : Query("Select rowid, * From [" + table + "]")) {
        row.insert(row.begin(), table);
        all.push_back(row);
      }
    return all;
  };
  const long writtenOnce = RunLevel(2, jobs);
  const Rows once = everything();
  const auto log = testsupport::StatusLog(app);
  EXPECT_EQ(testsupport::LinesWith(log, "'NOSUCH'"), 2 * 19);
  EXPECT_EQ(testsupport::LinesWith(log, "'WIDE', site 'Two'"), 2);

  long writtenAlone = RunLevel(2, {});
  for (const std::string& job : jobs) writtenAlone += CollectJobs({job});
  EXPECT_LT(writtenOnce, writtenAlone);
  EXPECT_EQ(everything(), once);
  auto again = testsupport::StatusLog(app);
  ASSERT_EQ(again.size(), 2 * log.size());
  EXPECT_EQ(std::vector<std::string>(again.begin() + log.size(), again.end()), log);
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
  EXPECT_EQ(Query("Select SiteIndex From WebSiteInfo"), (Rows{{"1"}, {"2"}}));
  ExpectSitesCollectedAsRead("GROWING");
  EXPECT_TRUE(NoErrorLines());
}

TEST_F(Collect, ComparisonPairNamingOneSiteTwiceGathersTwice) {
  long legacyTwice = RunLevel(4, {"Same(1\\LEGACY01\\Partner Portal,2\\LEGACY01\\Partner Portal)"});
  EXPECT_GT(legacyTwice, 0);
  EXPECT_EQ(legacyTwice, 2 * CollectJobs({"Single(1\\LEGACY01\\Partner Portal,2\\NOSUCH\\x)"}));
  EXPECT_EQ(Query("Select count(*) From WebSiteInfo Where IISServer = 'LEGACY01'"), (Rows{{"3"}}));
}

TEST_F(Collect, DirectoryLevelWithApostrophesSharedTablesPathsAndSiteIndexes) {
  RunLevel(3, {"WEBFARM01\\O'Brien Intranet\\docs", "LEGACY01\\Partner Portal\\orders\\archive"});
  EXPECT_EQ(Query("Select [Directory Name],[Expire On] From tblVirHttpHeader Where vKey = "
                  "'IIS://WEBFARM01/W3SVC/3/ROOT/docs'"),
            (Rows{{"docs", "Tue, 31 Dec 2030 23:00:00 GMT"}}));
  // Four directory categories share the application table: one row per directory.
  EXPECT_EQ(Query("Select vKey, [Application Name], [Session timeout] From tblVirApplicationSettings Order By vKey"),
            (Rows{{"IIS://LEGACY01/W3SVC/2/ROOT/orders/archive", "Orders", "30"},
                  {"IIS://WEBFARM01/W3SVC/3/ROOT/docs", "/", "20"}}));
  EXPECT_EQ(Query("Select [Path],[UserName] From tblVirtualDirectory2000 Where vKey Like '%archive'"),
            (Rows{{"\\\\fileserver\\orders\\archive", "FABRIKAM\\svc-orders"}}));
  EXPECT_TRUE(NoErrorLines());
  // A directory whose tables hold rows already is not collected again.
  long before = iis::RowsWritten();
  GetVirtualDirectorySiteLevel("IIS://WEBFARM01/W3SVC/3/ROOT/docs", 4);
  EXPECT_EQ(iis::RowsWritten(), before);
  // Collecting the same directory again replaces its rows.
  CollectJobs({"WEBFARM01\\O'Brien Intranet\\docs"});
  EXPECT_EQ(Query("Select count(*) From tblVirHttpHeader"), (Rows{{"2"}}));
  EXPECT_EQ(frmSchedule().Panel.State(), 2);

  // Paths and site indexes of the entries.
  EXPECT_EQ(GetPath("LEGACY01\\Partner Portal\\orders\\archive"), "IIS://LEGACY01/W3SVC/2/ROOT/orders/archive");
  EXPECT_EQ(GetPath("LEGACY01\\Partner Portal"), "IIS://LEGACY01/W3SVC/2/ROOT");
  EXPECT_EQ(GetPath("LEGACY01"), "");
  EXPECT_EQ(GetPath(""), "");
  EXPECT_EQ(FindSiteIndex("LEGACY01", "Ann's Recipes"), "3");
  EXPECT_EQ(FindSiteIndex("LEGACY01", "Nowhere"), "");
  EXPECT_EQ(GetPath("LEGACY01\\Nowhere\\x"), "IIS://LEGACY01/W3SVC//ROOT/x");
  EXPECT_TRUE(NoErrorLines());
  // Without an open settings database nothing is listed.
  SettingsConnection->Close();
  EXPECT_FALSE(GetWebSites("LEGACY01"));
  EXPECT_EQ(FindSiteIndex("LEGACY01", "Ann's Recipes"), "");
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
  EXPECT_EQ(testsupport::LinesWith(log, "No IIS configuration snapshot for server 'NOSUCH'"), 20);
  EXPECT_EQ(testsupport::LinesWith(log, "BROKEN/applicationHost.config) is not well-formed XML"), 20);
  EXPECT_EQ(testsupport::LinesWith(log, "LEGACY01") + testsupport::LinesWith(log, "DEEP"), 0);
  EXPECT_TRUE(log.back().starts_with("QUORVASchedule Finished at ")) << log.back();
  EXPECT_EQ(testsupport::MissingFrom(log, {app.Path() + "/NoFolder/QUORVAExportDb_NOSUCH", app.Path() + "/Servers/NOSUCH/",
                                           app.Path() + "/Servers/WEBFARM01/applicationHost.config"}), "");
  for (const std::string& line : log) EXPECT_EQ(line.find(app.Path() + "\\"), std::string::npos) << line;
  // The last level still collected both directories of its pair.
  EXPECT_EQ(testsupport::QueryFile(app.At("VelmoraDatabase.mdb"), "Select vKey From tblVirSecureCommunication Order By vKey"),
            (Rows{{"IIS://LEGACY01/W3SVC/2/ROOT/orders"}, {"IIS://WEBFARM01/W3SVC/2/ROOT/checkout"}}));
  // The Application Option report of DEEP, with its ASP language.
  EXPECT_EQ(testsupport::MissingFrom(testsupport::ReadFile(testsupport::FileStartingWith(app.Path(), "DEEP_Application Option_")),
                                     {"Deep,Yes,20,Yes,No,JScript,90"}), "");
}
