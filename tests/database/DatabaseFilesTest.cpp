// The settings and export database files: made, kept or replaced, their tables found and dropped
// without regard to case, and their failures under fixed names. The names of export databases are
// checked by the whole runs.
#include <gtest/gtest.h>

#include <algorithm>

#include "RunState.h"
#include "TestSupport.h"
#include "database/SqliteFile.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"

using platform::ado::Connection;

namespace {

class DatabaseFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    CurrentLevel = 2;
    JobIndex = 0;
    PathList = {"No"};
    ServerVersion = 1001;
    DatabasePath = GetAppPath("VelmoraDatabase.mdb");
  }
  void TearDown() override { SettingsConnection.reset(); }

  testsupport::ScratchAppFolder app;
};

// A file is kept unless it is to be replaced. Table names are found whatever their case and
// answered in the caller's spelling; dropping a missing table is no error. A failed search still
// lets the drop try, and reports, as the drop does; an export database for a job without a Path
// entry is reported as the run driver's, and gets no name.
TEST_F(DatabaseFilesTest, CheckAndCreateDBKeepsOrReplacesAFileFindTableIgnoresCaseAndFailuresHaveFixedNames) {
  std::string path = GetAppPath("New.mdb");
  EXPECT_TRUE(CheckAndCreateDB(path, false));  // an SQLite file: its header is checked in the whole-run test
  Connection connection;
  ASSERT_TRUE(OpenConnection(connection, path));
  connection.Execute("Create table [Keep](a text(5))");
  connection.Close();
  std::string before = testsupport::ReadFile(app.At("New.mdb"));
  EXPECT_FALSE(CheckAndCreateDB(path, false));
  EXPECT_EQ(testsupport::ReadFile(app.At("New.mdb")), before);
  EXPECT_TRUE(CheckAndCreateDB(path, true));
  EXPECT_TRUE(testsupport::TablesOf(app.At("New.mdb")).empty());

  ASSERT_TRUE(OpenConnection(connection, path));
  connection.Execute("Create table [tblSSLInfo](SiteIndex text(25))");
  EXPECT_EQ(FindTable("TBLSSLINFO", connection) + "|" + FindTable("tblSSL", connection), "TBLSSLINFO|");
  EXPECT_TRUE(DropTable("TblSslInfo", connection));
  EXPECT_EQ(FindTable("tblSSLInfo", connection), "");
  EXPECT_TRUE(DropTable("tblSSLInfo", connection));
  connection.Close();

  EXPECT_FALSE(CheckAndCreateDB(GetAppPath("NoFolder\\New.mdb"), false));
  EXPECT_FALSE(OpenConnection(connection, GetAppPath("Missing.mdb")));
  EXPECT_EQ(FindTable("tblOperator", connection), "tblOperator");
  EXPECT_FALSE(DropTable("tblOperator", connection));
  JobIndex = 1;
  EXPECT_EQ(CreateExportDatabase("WEB1"), "");
  testsupport::ExpectLikeFile(testsupport::StatusLogText(app), "database/Failures.expected", {{app.Path(), "<app>"}});
}

// The settings database is reused, not replaced, and every level empties its category tables,
// made from the labels of the server version.
TEST_F(DatabaseFilesTest, InitConnectionsOpensTheSettingsDatabaseAndCreateDBResourceEmptiesItsTables) {
  const std::string file = app.At("VelmoraDatabase.mdb");
  ASSERT_TRUE(CheckAndCreateDB(DatabasePath, false));
  auto previous = SettingsConnection;
  ASSERT_TRUE(InitConnections());
  EXPECT_NE(SettingsConnection, previous);
  EXPECT_TRUE(platform::ado::IsScratchDatabase(file));
  for (const char* sql : {"Create table [Keep](a text(5))", "Create table [TBLSSLINFO](a text(5))",
                          "Insert Into [TBLSSLINFO] Values('old')"})
    SettingsConnection->Execute(sql);
  ServerVersion = 0;
  for (int level = 0; level < 2; ++level) {
    CreateDBResource();
    EXPECT_EQ(testsupport::QueryFile(file, "SELECT count(*) FROM tblSSLInfo"), testsupport::Rows{{"0"}});
    SettingsConnection->Execute("Insert Into [tblSSLInfo] Values('1','10.0.0.1','443','WEB1')");
  }
  auto tables = testsupport::TablesOf(file);
  EXPECT_EQ(tables.size(), 31u);
  EXPECT_NE(std::find(tables.begin(), tables.end(), "Keep"), tables.end());
  EXPECT_EQ(testsupport::ColumnsOf(file, "tblHomeDirectory2000")[5], "Front page web");
  EXPECT_TRUE(testsupport::StatusLog(app).empty());
}

}  // namespace
