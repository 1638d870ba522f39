// The schedule file as the run reads it: list rules, long values, missing files.
#include <gtest/gtest.h>

#include "RunState.h"
#include "TestSupport.h"
#include "config/mIniOperation.h"
#include "platform/Files.h"
#include "platform/Text.h"

using testsupport::ScratchAppFolder;

namespace {

// Writes a schedule file of CR LF lines and reads the given level from it.
void ReadLevel(const ScratchAppFolder& app, const std::string& ini, short level) {
  std::string text;
  for (char c : ini) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
  app.Write("ScheduleInfo/ScheduleConfig.ini", text);
  CurrentLevel = level;
  InitSchedular();
}

}  // namespace

TEST(ScheduleReader, ListRulesSectionsOfEachLevelAndAMissingFile) {
  ScratchAppFolder app;
  ReadLevel(app,
            "[WebSite]\n"
            "Server=SRV1\\Default Web Site|SRV2\\Intranet|\n"
            "Tab=1\\2|\n"
            "Format=HTML|CSV\n"       // no trailing separator: the last character still goes
            "Option=  0|1|  \n"       // blanks around the value go before the last character
            "Path=||\n"               // two jobs, both with empty entries
            "Custom=\n"               // empty value
            "Printername=\"HP|\"\n",  // quotes around a value are dropped
            2);
  EXPECT_EQ(ServerList, (List{"SRV1\\Default Web Site", "SRV2\\Intranet"}));
  EXPECT_EQ(TabList, (List{"1\\2"}));
  EXPECT_EQ(FormatList, (List{"HTML", "CS"}));
  EXPECT_EQ(OptionList, (List{"0", "1"}));
  EXPECT_EQ(PathList, (List{"", ""}));
  EXPECT_TRUE(CustomList.empty());
  EXPECT_TRUE(TimeList.empty());  // absent key
  EXPECT_EQ(PrinterNameList, (List{"HP"}));
  EXPECT_EQ(DatabasePath, app.Path() + "\\VelmoraDatabase.mdb");
  EXPECT_EQ(ServerVersion, 1001);
  EXPECT_TRUE(testsupport::StatusLog(app).empty());

  // Sections and keys match without regard to case; levels stay apart; a missing file keeps them.
  const std::string ini =
      "[webserver]\nSERVER=A|B|\n"
      "[VirtualDirectory]\nServer=A\\Site\\dir|\n"
      "[WebSiteComp]\nServer=Cmp(x\\A\\S1,y\\B\\S2)|\n";
  ReadLevel(app, ini, 1);
  EXPECT_EQ(ServerList, (List{"A", "B"}));
  ReadLevel(app, ini, 3);
  EXPECT_EQ(ServerList, (List{"A\\Site\\dir"}));
  ReadLevel(app, ini, 4);
  EXPECT_EQ(ServerList, (List{"Cmp(x\\A\\S1,y\\B\\S2)"}));
  ReadLevel(app, ini, 5);  // no section: the default blank ends as an empty value
  EXPECT_TRUE(ServerList.empty());

  // A missing file is logged with an empty message and keeps the lists of the level before.
  ReadLevel(app, ini, 1);
  std::remove(app.At("ScheduleInfo/ScheduleConfig.ini").c_str());
  CurrentLevel = 2;
  InitSchedular();
  EXPECT_EQ(ServerList, (List{"A", "B"}));
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind(platform::ProgramName() + "  at ", 0), 0u) << log[0];
  EXPECT_EQ(ServerVersion, 1001);  // the component is still set up
}

TEST(ScheduleReader, LongValuesNeedTheirLengthEntry) {
  ScratchAppFolder app;
  // 300 entries of nine characters and a separator: 3,000 characters.
  List expected;
  for (int i = 0; i < 300; ++i) expected.push_back("SRV" + std::to_string(1000000 + i).substr(1));
  std::string value = platform::Join(expected, "|") + "|";
  ASSERT_EQ(value.size(), 3000u);

  // With its length in section Length the value is read whole, at every level.
  for (short level : {1, 2}) {
    ReadLevel(app, "[Length]\nServer=3000\n[WebServer]\nServer=" + value + "\n[WebSite]\nServer=" + value + "\n", level);
    EXPECT_EQ(ServerList, expected) << level;
  }
  EXPECT_TRUE(testsupport::StatusLog(app).empty());

  // Exactly 1999 characters fill the buffer too and are read again through Length.
  std::string exact = value.substr(0, 1999);
  ReadLevel(app, "[Length]\nTab=1999\n[WebServer]\nTab=" + exact + "\n", 1);
  EXPECT_EQ(TabList.size(), 200u);
  EXPECT_EQ(TabList.back(), "SRV00019");  // the 1999th character was the last entry's "9"

  // Without it the conversion fails, is reported, and only the first nine characters remain
  // (one of them then dropped as the trailing separator).
  ReadLevel(app, "[WebServer]\nServer=" + value + "\n", 1);
  EXPECT_EQ(ServerList, (List{"SRV00000"}));
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "mIniOperation.GetSetting                                              13 - Type mismatch");

  // A Length entry that is not a number: its own character count decides how much is read.
  ReadLevel(app, "[Length]\nServer=abc\n[WebServer]\nServer=" + value + "\n", 1);
  EXPECT_EQ(ServerList, (List{"SRV000000", "S"}));
}
