#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "RunState.h"
#include "TestSupport.h"
#include "database/SqliteFile.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "platform/Files.h"

using platform::ado::Connection;

namespace {

using testsupport::LinesWith;

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

  // Table names: found whatever their case, answered in the caller's spelling.
  ASSERT_TRUE(OpenConnection(connection, path));
  connection.Execute("Create table [tblSSLInfo](SiteIndex text(25))");
  EXPECT_EQ(FindTable("TBLSSLINFO", connection), "TBLSSLINFO");
  EXPECT_EQ(FindTable("tblSSL", connection), "");
  EXPECT_TRUE(DropTable("TblSslInfo", connection));
  EXPECT_EQ(FindTable("tblSSLInfo", connection), "");
  EXPECT_TRUE(DropTable("tblSSLInfo", connection)) << "dropping a missing table is no error";
  EXPECT_TRUE(testsupport::StatusLog(app).empty());
  connection.Close();

  // Failures are reported under their fixed names.
  EXPECT_FALSE(CheckAndCreateDB(GetAppPath("NoFolder\\New.mdb"), false));
  EXPECT_FALSE(OpenConnection(connection, GetAppPath("Missing.mdb")));
  EXPECT_EQ(FindTable("tblOperator", connection), "tblOperator") << "a failed search still lets the drop try";
  EXPECT_FALSE(DropTable("tblOperator", connection));

  // The search inside the drop fails and reports too, then the drop itself.
  auto log = testsupport::StatusLog(app);
  const std::vector<std::string> where{"mGlobalFunctionDef.CheckAndCreateDB( ", "mGlobalFunctionDef.OpenConnection ",
                                       "mGlobalFunctionDef.CheckAndCreateDB ", "mGlobalFunctionDef.CheckAndCreateDB ",
                                       "mGlob.DropTable "};
  ASSERT_EQ(log.size(), where.size());
  for (size_t i = 0; i < log.size(); ++i) EXPECT_EQ(log[i].rfind(where[i], 0), 0u) << log[i];
  EXPECT_NE(log[1].find(" -2147467259 - "), std::string::npos) << log[1];
}

TEST_F(DatabaseFilesTest, ExportDatabaseNames) {
  auto expectExportFile = [](const std::string& entry, const std::string& prefix) {
    std::string path = CreateExportDatabase(entry);
    ASSERT_EQ(path.rfind(prefix, 0), 0u) << path;
    EXPECT_TRUE(std::regex_match(path.substr(prefix.size()), std::regex(R"(\d\d_\d\d_\d{4}_\d\d_\d\d_\d\d\.mdb)")))
        << path;
    EXPECT_TRUE(FileExists(path));
  };
  expectExportFile("WEB1\\Default Web Site", app.Path() + "\\QUORVAExportDb_WEB1");
  EXPECT_EQ(ServerPathParts, (List{"WEB1", "Default Web Site"}));
  // At the comparison levels the whole name text is the server part; a job's folder is used.
  platform::MkDir(app.Path() + "\\Out");
  CurrentLevel = 4;
  PathList = {"No", app.Path() + "\\Out"};
  JobIndex = 1;
  expectExportFile("Compare WEB1 WEB2", app.Path() + "\\Out\\QUORVAExportDb_Compare WEB1 WEB2");
  // No Path entry for the job: reported as the run driver's, and no name.
  JobIndex = 2;
  EXPECT_EQ(CreateExportDatabase("WEB1"), "");
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(LinesWith(log, "mMain.Main "), 1);
  EXPECT_EQ(LinesWith(log, " 9 - "), 1);
}

TEST_F(DatabaseFilesTest, InitConnectionsOpensTheSettingsDatabaseAndCreateDBResourceEmptiesItsTables) {
  {
    ASSERT_TRUE(CheckAndCreateDB(DatabasePath, false));
    Connection connection;
    ASSERT_TRUE(OpenConnection(connection, DatabasePath));
    connection.Execute("Create table [Keep](a text(5))");
    connection.Execute("Create table [TBLSSLINFO](a text(5))");
    connection.Execute("Insert Into [TBLSSLINFO] Values('old')");
  }
  auto previous = SettingsConnection;
  ASSERT_TRUE(InitConnections());
  EXPECT_NE(SettingsConnection, previous);
  EXPECT_EQ(SettingsConnection->State(), platform::ado::adStateOpen);
  EXPECT_TRUE(platform::ado::IsScratchDatabase(app.At("VelmoraDatabase.mdb")));
  ServerVersion = 0;
  CreateDBResource();
  std::string file = app.At("VelmoraDatabase.mdb");
  auto tables = testsupport::TablesOf(file);
  EXPECT_EQ(tables.size(), 31u);
  EXPECT_NE(std::find(tables.begin(), tables.end(), "Keep"), tables.end()) << "the file is reused, not replaced";
  EXPECT_EQ(testsupport::QueryFile(file, "SELECT count(*) FROM tblSSLInfo")[0][0], "0");
  EXPECT_EQ(testsupport::ColumnsOf(file, "tblHomeDirectory2000")[5], "Front page web");

  SettingsConnection->Execute("Insert Into [tblSSLInfo] Values('1','10.0.0.1','443','WEB1')");
  CreateDBResource();
  EXPECT_EQ(testsupport::QueryFile(file, "SELECT count(*) FROM tblSSLInfo")[0][0], "0");
  EXPECT_TRUE(testsupport::StatusLog(app).empty());
}

}  // namespace
