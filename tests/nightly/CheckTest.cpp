// quorva-nightly check as an administrator meets it: a schedule holding the mistakes it knows,
// each named on its line as the expected file beside this test has it, and the demo's schedule,
// in which it finds nothing. Neither touches the settings database or the definition files.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "Process.h"
#include "TestServices.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::ScratchAppFolder;

namespace {

const std::string kData = testsupport::SourceDir() + "/tests/nightly/check/";

// The demo's snapshots and its custom report definition files, made from their SQL.
void CopyDemo(const ScratchAppFolder& app) {
  testsupport::CopyDemoServers(app);
  for (const std::string level : {"Server", "Directory"}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(app.At("QUORVACustomReport_" + level + ".cfg").c_str(), &db), SQLITE_OK);
    const std::string sql = ReadFile(testsupport::SourceDir() + "/demo/CustomReports/QUORVACustomReport_" + level + ".sql");
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
}

nightly::ProcessResult Check(const ScratchAppFolder& app) {
  return nightly::RunProcess({QUORVA_NIGHTLY, "--app", app.Path(), "check"}, {.timeout = 60});
}

}  // namespace

TEST(NightlyCheck, NamesEachMistakeOnItsLineAndNothingInTheDemo) {
  if (std::string why = testsupport::CupsUnavailable(); !why.empty()) GTEST_SKIP() << why;
  ScratchAppFolder bad;
  testsupport::UnwritableFolder locked(bad.At("Locked"));
  if (!locked.immutable) GTEST_SKIP() << "this file system cannot make a folder immutable (chattr +i)";
  CopyDemo(bad);
  bad.Write("Servers/INTRANET01/applicationHost.config", ReadFile(kData + "INTRANET01.config"));
  for (const std::string file : {"ScheduleConfig.ini", "Sources.ini"})
    bad.Write("ScheduleInfo/" + file, ReadFile(kData + file));
  const nightly::ProcessResult mistakes = Check(bad);
  EXPECT_EQ(mistakes.exitCode, 1) << mistakes.err;
  EXPECT_EQ(mistakes.out, ReadFile(kData + "expected.txt"));
  EXPECT_FALSE(fs::exists(bad.At("VelmoraDatabase.mdb")));

  ScratchAppFolder demo;
  CopyDemo(demo);
  demo.Write("ScheduleInfo/ScheduleConfig.ini", ReadFile(testsupport::SourceDir() + "/demo/ScheduleInfo/ScheduleConfig.ini"));
  for (const char* folder : {"CustomExports", "DirectoryReports"}) fs::create_directory(demo.At(folder));
  demo.Write("VelmoraDatabase.mdb", "the settings of the last run");
  std::vector<std::pair<std::string, fs::file_time_type>> untouched;
  for (const char* file : {"VelmoraDatabase.mdb", "QUORVACustomReport_Server.cfg", "QUORVACustomReport_Directory.cfg"}) {
    fs::last_write_time(demo.At(file), fs::file_time_type::clock::now() - std::chrono::hours(24));
    untouched.emplace_back(ReadFile(demo.At(file)), fs::last_write_time(demo.At(file)));
  }
  const nightly::ProcessResult clean = Check(demo);
  EXPECT_EQ(clean.exitCode, 0) << clean.out << clean.err;
  EXPECT_EQ(clean.out, "");
  size_t i = 0;
  for (const char* file : {"VelmoraDatabase.mdb", "QUORVACustomReport_Server.cfg", "QUORVACustomReport_Directory.cfg"})
    EXPECT_EQ(untouched[i++], std::make_pair(ReadFile(demo.At(file)), fs::last_write_time(demo.At(file)))) << file;
}
