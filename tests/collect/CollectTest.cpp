// Collection into a real settings database from the demo snapshots: levels, paths, site
// indexes, re-collection, and whole runs over servers whose snapshots are missing or broken.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "collect/mCollect.h"
#include "database/Catalogue.h"
#include "database/SqliteFile.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "mMain.h"
#include "platform/Ado.h"
#include "platform/Components.h"
#include "platform/IisSettings.h"

using testsupport::ScratchAppFolder;
namespace ado = platform::ado;

namespace {

using Rows = std::vector<std::vector<std::string>>;

class Collect : public testing::Test {
 protected:
  void TearDown() override { ServerList.clear(); }
  // A level as the run starts it: tables re-created, connection opened, jobs collected.
  void RunLevel(short level, std::vector<std::string> entries) {
    CurrentLevel = level;
    CreateDBResource();
    InitConnections();
    ServerList = std::move(entries);
    CollectIISSettings();
  }
  // Only the run's own lines ("QUORVASchedule ...") in the status log.
  bool NoErrorLines() {
    auto log = testsupport::StatusLog(app);
    return testsupport::LinesWith(log, "QUORVASchedule ") == static_cast<int>(log.size());
  }
  Rows Query(const std::string& sql) { return testsupport::QueryFile(app.At("VelmoraDatabase.mdb"), sql); }
  // Every web-site category table holds, for each site of the server, what the snapshot gives
  // for that site: the same rows in the same order, column for column.
  void ExpectSitesCollectedAsRead(const std::string& server) {
    auto snapshot = platform::iis::LoadSnapshot(server);
    for (const platform::iis::Site& site : snapshot->Sites())
      for (short index = 1; index <= 17; ++index) {
        std::string key = catalogue::CategoryKey(catalogue::Family::WebSite, index);
        Rows stored = Query("Select * From [" + catalogue::TableName(catalogue::Family::WebSite, index) +
                            "] Where SiteIndex = '" + site.id + "' And IISServer = '" + server + "' Order By rowid");
        for (auto& row : stored) row = {row.begin() + 1, row.end() - 1};
        EXPECT_EQ(stored, platform::iis::SiteCategoryRows(*snapshot, site, key, ServerVersion))
            << site.id << " " << key;
      }
  }
  ScratchAppFolder app;
  testsupport::DemoCollection collection{app};
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
  EXPECT_EQ(Query("Select SiteIndex, Extension From tblAppMappings"), (Rows{{"2", "*.asp"}}));
  EXPECT_TRUE(NoErrorLines());
  EXPECT_EQ(frmSchedule().p2.Text(), "Collecting Report From WEBFARM01\\Contoso Shop");
  EXPECT_EQ(frmSchedule().Pg1.Value(), 0);
  EXPECT_FALSE(frmSchedule().DisplayFlag());
}

TEST_F(Collect, ServerLevelReadsMetabaseInheritance) {
  RunLevel(1, {"LEGACY01"});
  // ConnectionTimeout is set on /LM/W3SVC only; site 2 sets its own: 120, 300, 120.
  ExpectSitesCollectedAsRead("LEGACY01");
  EXPECT_EQ(Query("Select [Connection Timeout] From WebSiteGenInfo Where SiteIndex = '3'"), (Rows{{"120"}}));
  EXPECT_EQ(Query("Select count(*) From tblAppMappings Where IISServer = 'LEGACY01'"), (Rows{{"12"}}));
  EXPECT_TRUE(NoErrorLines());
}

TEST_F(Collect, RecollectingAServerReplacesItsRows) {
  RunLevel(1, {"LEGACY01", "LEGACY01"});
  EXPECT_EQ(Query("Select count(*) From WebSiteInfo"), (Rows{{"3"}}));
  EXPECT_EQ(Query("Select count(*) From tblCustomHeader"), (Rows{{"4"}}));
  ServerList = {"LEGACY01"};
  CollectIISSettings();
  EXPECT_EQ(Query("Select count(*) From tblCustomHeader"), (Rows{{"4"}}));
  EXPECT_EQ(Query("Select count(*) From WebSiteGenInfo"), (Rows{{"4"}}));
}

TEST_F(Collect, ComparisonPairNamingOneSiteTwiceGathersTwice) {
  RunLevel(4, {});
  auto rowsWrittenFor = [](const std::string& entry) {
    ServerList = {entry};
    long before = platform::RowsWritten();
    CollectIISSettings();
    return platform::RowsWritten() - before;
  };
  long legacyTwice = rowsWrittenFor("Same(1\\LEGACY01\\Partner Portal,2\\LEGACY01\\Partner Portal)");
  EXPECT_GT(legacyTwice, 0);
  EXPECT_EQ(legacyTwice, 2 * rowsWrittenFor("Single(1\\LEGACY01\\Partner Portal,2\\NOSUCH\\x)"));
  EXPECT_EQ(Query("Select count(*) From WebSiteInfo Where IISServer = 'LEGACY01'"), (Rows{{"3"}}));
}

TEST_F(Collect, PathsAndSiteIndexes) {
  RunLevel(3, {});
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

TEST_F(Collect, DirectoryLevelWithApostrophesAndSharedTables) {
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
  long before = platform::RowsWritten();
  GetVirtualDirectorySiteLevel("IIS://WEBFARM01/W3SVC/3/ROOT/docs", 4);
  EXPECT_EQ(platform::RowsWritten(), before);
  // Collecting the same directory again replaces its rows.
  ServerList = {"WEBFARM01\\O'Brien Intranet\\docs"};
  CollectIISSettings();
  EXPECT_EQ(Query("Select count(*) From tblVirHttpHeader"), (Rows{{"2"}}));
  EXPECT_EQ(frmSchedule().Panel.State(), 2);
}

TEST(CollectRun, MissingAndBrokenSnapshotsAreLoggedAndTheRunGoesOn) {
  ScratchAppFolder app;
  testsupport::CopyDemoServers(app);
  app.Write("Servers/BROKEN/applicationHost.config", "<configuration><sites></configuration>");
  app.Write("ScheduleInfo/ScheduleConfig.ini",
            "[WebServer]\r\nServer=NOSUCH|LEGACY01|\r\nTab=1|1|\r\nFormat=HTML|HTML|\r\nOption=0|0|\r\n"
            "Path=No|No|\r\nCustom=No|No|\r\nTime=x|x|\r\nPrintername=P|P|\r\n"
            "[WebSite]\r\nServer=BROKEN\\Site|\r\nTab=1|\r\nFormat=HTML|\r\nOption=0|\r\nPath=No|\r\nCustom=No|\r\n"
            "Time=x|\r\nPrintername=P|\r\n"
            "[VirtualDirectory]\r\n[WebSiteComp]\r\n"
            "[VirtualDirectoryComp]\r\nServer=Cmp(1\\LEGACY01\\Partner Portal\\orders,2\\WEBFARM01\\Contoso Shop\\checkout)|"
            "\r\nTab=|\r\nFormat=HTML|\r\nOption=0|\r\nPath=No|\r\nCustom=No|\r\nTime=x|\r\nPrintername=P|\r\n");
  ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);
  auto log = testsupport::StatusLog(app);
  // One line for each bad server, however many categories asked for it.
  EXPECT_EQ(testsupport::LinesWith(log, "No IIS configuration snapshot for server 'NOSUCH'"), 1);
  EXPECT_EQ(testsupport::LinesWith(log, "BROKEN/applicationHost.config) is not well-formed XML"), 1);
  EXPECT_EQ(testsupport::LinesWith(log, "LEGACY01"), 0);
  EXPECT_EQ(log.back().rfind("QUORVASchedule Finished at ", 0), 0u) << log.back();
  // The last level still collected both directories of its pair.
  EXPECT_EQ(testsupport::QueryFile(app.At("VelmoraDatabase.mdb"), "Select vKey From tblVirSecureCommunication Order By vKey"),
            (Rows{{"IIS://LEGACY01/W3SVC/2/ROOT/orders"}, {"IIS://WEBFARM01/W3SVC/2/ROOT/checkout"}}));
}
