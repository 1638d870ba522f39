// Status log error lines and their width rule (module.procedure padded or cut to 70 characters);
// message lines are checked by the whole runs.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "logs/mLog.h"
#include "platform/Err.h"

TEST(StatusLog, ErrorLinesFromTheOneMechanismAndTheirWidthRule) {
  testsupport::ScratchAppFolder app;
  platform::OnError onError("mTest", "Proc");
  int after = 0;
  EXPECT_FALSE(onError.Next([] { platform::Raise(platform::errFileNotFound); }));
  onError.Next([&] { after = 1; });
  std::vector<int> none;
  onError.Next([&] { (void)none.at(3); });
  onError.Next([] { std::stoi("x"); });
  EXPECT_EQ(after, 1);
  EXPECT_EQ(platform::Err().Number, 13);
  WriteStatusLog("Table 'x' not found", "mGlob", "DropTable", -2147217865);
  WriteStatusLog("Subscript out of range", std::string(40, 'M'), std::string(40, 'P'), 9);
  WriteStatusLog("Type mismatch", std::string(34, 'M'), std::string(34, 'P'), 13);  // 69 with the dot
  testsupport::ExpectLikeFile(testsupport::ReadFile(app.At("Log/QUORVALog.Log")), "logs/StatusLog.expected", {}, true);
  // Without the Log folder the write fails to the caller.
  std::filesystem::remove_all(app.At("Log"));
  EXPECT_THROW(WriteStatusLog("Started", "mMain", "Main", 0), platform::RuntimeError);
}
