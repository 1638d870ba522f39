// Status log lines: message lines, error lines and the width rule (module.procedure padded or
// cut to 70 characters).
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "TestSupport.h"
#include "logs/mLog.h"
#include "platform/Err.h"
#include "platform/Files.h"

using testsupport::ScratchAppFolder;

TEST(StatusLog, MessageAndErrorLines) {
  ScratchAppFolder app;
  WriteStatusLog("Started", "mMain", "Main", 0);
  WriteStatusLog("", "mCollect", "InitSchedular", 0);
  WriteStatusLog("Table 'x' not found", "mGlob", "DropTable", -2147217865);
  WriteStatusLog("Subscript out of range", std::string(40, 'M'), std::string(40, 'P'), 9);
  WriteStatusLog("Type mismatch", std::string(34, 'M'), std::string(34, 'P'), 13);  // 69 with the dot

  std::string bytes = testsupport::ReadFile(app.At("Log/QUORVALog.Log"));
  EXPECT_NE(bytes.find("\r\n"), std::string::npos);
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 5u);
  const std::regex date(R"( at \d{1,2}/\d{1,2}/\d{4}( \d{1,2}:\d{2}:\d{2} (AM|PM))?$)");
  EXPECT_EQ(log[0].rfind(platform::ProgramName() + " Started at ", 0), 0u);
  EXPECT_TRUE(std::regex_search(log[0], date)) << log[0];
  EXPECT_EQ(log[1].rfind(platform::ProgramName() + "  at ", 0), 0u);
  EXPECT_EQ(log[2], "mGlob.DropTable" + std::string(55, ' ') + "-2147217865 - Table 'x' not found");
  EXPECT_EQ(log[3], std::string(40, 'M') + "." + std::string(29, 'P') + "9 - Subscript out of range");
  EXPECT_EQ(log[4], std::string(34, 'M') + "." + std::string(34, 'P') + " 13 - Type mismatch");
  // Without the Log folder the write fails to the caller.
  std::filesystem::remove_all(app.At("Log"));
  EXPECT_THROW(WriteStatusLog("Started", "mMain", "Main", 0), platform::RuntimeError);
}

TEST(StatusLog, HandlersReportThroughTheOneMechanism) {
  ScratchAppFolder app;
  platform::OnError onError("mTest", "Proc");
  int after = 0;
  EXPECT_FALSE(onError.Next([] { platform::Raise(platform::errFileNotFound); }));
  onError.Next([&] { after = 1; });
  std::vector<int> none;
  onError.Next([&] { (void)none.at(3); });
  onError.Next([] { std::stoi("x"); });
  EXPECT_EQ(after, 1);
  EXPECT_EQ(platform::Err().Number, 13);
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "mTest.Proc" + std::string(60, ' ') + "53 - File not found");
  EXPECT_EQ(log[1], "mTest.Proc" + std::string(60, ' ') + "9 - Subscript out of range");
  EXPECT_EQ(log[2], "mTest.Proc" + std::string(60, ' ') + "13 - Type mismatch");
}
