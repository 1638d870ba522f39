// The real program, run in a scratch application folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "database/SqliteFile.h"

namespace {

bool Mentions(const std::vector<std::string>& log, const std::string& text) {
  for (const auto& line : log)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

TEST(SettingsDatabaseRun, EveryLevelLeavesTheThirtyCategoryTables) {
  testsupport::ScratchAppFolder app;
  std::string program = app.InstallProgram();
  ASSERT_EQ(testsupport::RunProgram(program), 0);
  std::string file = app.At("VelmoraDatabase.mdb");
  ASSERT_EQ(testsupport::ReadFile(file).substr(0, 15), "SQLite format 3");
  auto tables = testsupport::TablesOf(file);
  EXPECT_EQ(tables.size(), 30u);
  int webSiteLayout = 0, directoryLayout = 0;
  for (const auto& table : tables) {
    auto columns = testsupport::ColumnsOf(file, table);
    if (columns.front() == "SiteIndex" && columns.back() == "IISServer") ++webSiteLayout;
    if (columns.size() > 2 && columns[0] == "vKey" && columns[1] == "Directory Name") ++directoryLayout;
  }
  EXPECT_EQ(webSiteLayout, 19);
  EXPECT_EQ(directoryLayout, 11);
  EXPECT_EQ(testsupport::ColumnsOf(file, "tblAppMappings"),
            (std::vector<std::string>{"SiteIndex", "Extension", "Executable Path", "Verbs", "IISServer"}));
  auto log = testsupport::StatusLog(app);
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.back().find("Finished"), std::string::npos);
  EXPECT_FALSE(Mentions(log, "mDatabase.")) << "no table failed";
  EXPECT_FALSE(Mentions(log, "mGlob"));
}

TEST(SettingsDatabaseRun, AnUnopenableSettingsDatabaseIsReportedAndTheRunGoesOn) {
  // Root writes into read-only folders, so the database is made unopenable another way: a folder
  // stands where the file should be.
  testsupport::ScratchAppFolder app;
  std::filesystem::create_directory(app.At("VelmoraDatabase.mdb"));
  std::string program = app.InstallProgram();
  ASSERT_EQ(testsupport::RunProgram(program), 0);
  auto log = testsupport::StatusLog(app);
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(Mentions(log, "mGlobalFunctionDef.CheckAndCreateDB(")) << "creating the file failed";
  EXPECT_TRUE(Mentions(log, "mGlobalFunctionDef.OpenConnection"));
  EXPECT_TRUE(Mentions(log, "mCollect.InitConnections"));
  EXPECT_TRUE(Mentions(log, "VelmoraDatabase.mdb")) << "the description names the file";
  EXPECT_NE(log.back().find("Finished"), std::string::npos);
}

TEST(SettingsDatabaseRun, AFileThatIsNoDatabaseIsLeftAsItWas) {
  testsupport::ScratchAppFolder app;
  const std::string bytes = "Standard Jet DB, but only in name: this file holds no SQLite pages at all.\r\n";
  app.Write("VelmoraDatabase.mdb", bytes);
  std::string program = app.InstallProgram();
  ASSERT_EQ(testsupport::RunProgram(program), 0);
  EXPECT_EQ(testsupport::ReadFile(app.At("VelmoraDatabase.mdb")), bytes);
  auto log = testsupport::StatusLog(app);
  EXPECT_TRUE(Mentions(log, "Unrecognized database format"));
  EXPECT_NE(log.back().find("Finished"), std::string::npos);
}

}  // namespace
