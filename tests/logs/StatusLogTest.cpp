// Status log error lines and their width rule (module.procedure padded or cut to 70 characters);
// message lines are checked by the whole runs.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "logs/mLog.h"
#include "platform/Err.h"
#include "platform/Files.h"

using testsupport::ScratchAppFolder;

TEST(StatusLog, ErrorLinesFromTheOneMechanismAndTheirWidthRule) {
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
  const std::string where = "mTest.Proc" + std::string(60, ' ');
  EXPECT_EQ(log, (std::vector<std::string>{where + "53 - File not found", where + "9 - Subscript out of range",
                                           where + "13 - Type mismatch"}));

  std::filesystem::remove(app.At("Log/QUORVALog.Log"));
  WriteStatusLog("Table 'x' not found", "mGlob", "DropTable", -2147217865);
  WriteStatusLog("Subscript out of range", std::string(40, 'M'), std::string(40, 'P'), 9);
  WriteStatusLog("Type mismatch", std::string(34, 'M'), std::string(34, 'P'), 13);  // 69 with the dot

  std::string bytes = testsupport::ReadFile(app.At("Log/QUORVALog.Log"));
  EXPECT_NE(bytes.find("\r\n"), std::string::npos);
  log = testsupport::StatusLog(app);
  EXPECT_EQ(log, (std::vector<std::string>{
                     "mGlob.DropTable" + std::string(55, ' ') + "-2147217865 - Table 'x' not found",
                     std::string(40, 'M') + "." + std::string(29, 'P') + "9 - Subscript out of range",
                     std::string(34, 'M') + "." + std::string(34, 'P') + " 13 - Type mismatch"}));
  // Without the Log folder the write fails to the caller.
  std::filesystem::remove_all(app.At("Log"));
  EXPECT_THROW(WriteStatusLog("Started", "mMain", "Main", 0), platform::RuntimeError);
}
