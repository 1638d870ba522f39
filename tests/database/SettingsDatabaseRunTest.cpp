// The real program, run in a scratch application folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "database/SqliteFile.h"

namespace {

using testsupport::LinesWith;

// No schedule file: each of the five levels reports it with an empty message, and still
// leaves the category tables.
TEST(SettingsDatabaseRun, WithoutAScheduleEveryLevelReportsItAndLeavesTheThirtyCategoryTables) {
  testsupport::ScratchAppFolder app;
  ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 7u);
  EXPECT_EQ(LinesWith(log, "QUORVASchedule  at "), 5);
  EXPECT_EQ(log.back().rfind("QUORVASchedule Finished at ", 0), 0u);
  std::string file = app.At("VelmoraDatabase.mdb");
  ASSERT_EQ(testsupport::ReadFile(file).substr(0, 15), "SQLite format 3");
  EXPECT_EQ(testsupport::TablesOf(file).size(), 30u);
  EXPECT_EQ(testsupport::ColumnsOf(file, "tblAppMappings"),
            (std::vector<std::string>{"SiteIndex", "Extension", "Executable Path", "Verbs", "IISServer"}));
}

// A settings database that cannot be opened is reported, left as it was, and the run still
// finishes: a folder where the file should be (root writes into read-only folders, so that is
// how creating it is made to fail), or a file that is no database.
TEST(SettingsDatabaseRun, AnUnopenableSettingsDatabaseIsReportedLeftAsItWasAndTheRunGoesOn) {
  const std::string bytes = "Standard Jet DB, but only in name: this file holds no SQLite pages at all.\r\n";
  for (bool folder : {true, false}) {
    testsupport::ScratchAppFolder app;
    if (folder) std::filesystem::create_directory(app.At("VelmoraDatabase.mdb"));
    if (!folder) app.Write("VelmoraDatabase.mdb", bytes);
    ASSERT_EQ(testsupport::RunProgram(app.InstallProgram()), 0);
    auto log = testsupport::StatusLog(app);
    ASSERT_FALSE(log.empty());
    EXPECT_GT(LinesWith(log, folder ? "mGlobalFunctionDef.CheckAndCreateDB(" : "Unrecognized database format"), 0);
    EXPECT_GT(LinesWith(log, "mGlobalFunctionDef.OpenConnection"), 0) << folder;
    EXPECT_GT(LinesWith(log, "mCollect.InitConnections"), 0) << folder;
    EXPECT_GT(LinesWith(log, "VelmoraDatabase.mdb"), 0) << "the description names the file";
    EXPECT_NE(log.back().find("Finished"), std::string::npos) << folder;
    if (!folder) EXPECT_EQ(testsupport::ReadFile(app.At("VelmoraDatabase.mdb")), bytes);
  }
}

}  // namespace
