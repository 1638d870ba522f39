// The schedule file as the run reads it: list rules, levels, long values, missing files.
#include <gtest/gtest.h>

#include <cstdio>

#include "RunState.h"
#include "TestSupport.h"
#include "config/mIniOperation.h"
#include "platform/Files.h"
#include "platform/Text.h"

using testsupport::ScratchAppFolder;

namespace {

// The job lists of the level read, each entry in brackets, then the settings database and the
// server version.
std::string Lists() {
  std::string text = std::to_string(CurrentLevel);
  for (const auto& [key, list] : {std::pair{" Printername=", &PrinterNameList}, {" Server=", &ServerList},
                                  {" Tab=", &TabList}, {" Format=", &FormatList}, {" Option=", &OptionList},
                                  {" Path=", &PathList}, {" Custom=", &CustomList}, {" Time=", &TimeList}})
    text += key + (list->empty() ? "" : "[" + platform::Join(*list, "][") + "]");
  return text + " " + DatabasePath + " " + std::to_string(ServerVersion) + "\n";
}

// Writes a schedule file of CR LF lines and reads the given level from it; returns Lists().
std::string ReadLevel(const ScratchAppFolder& app, const std::string& ini, short level) {
  app.Write("ScheduleInfo/ScheduleConfig.ini", platform::Replace(ini, "\n", "\r\n"));
  CurrentLevel = level;
  InitSchedular();
  return Lists();
}

}  // namespace

TEST(ScheduleReader, ListRulesLevelsLongValuesAndAMissingFile) {
  ScratchAppFolder app;
  std::string read = ReadLevel(app,
                               "[WebSite]\n"
                               "Server=SRV1\\Default Web Site|SRV2\\Intranet|\n"
                               "Tab=1\\2|\n"
                               "Format=HTML|CSV\n"       // no trailing separator: the last character still goes
                               "Option=  0|1|  \n"       // blanks around the value go before the last character
                               "Path=||\n"               // two jobs, both with empty entries
                               "Custom=\n"               // empty value
                               "Printername=\"HP|\"\n",  // quotes around a value are dropped
                               2);
  // Sections and keys match without regard to case; levels stay apart; at a level without its
  // section the default blank ends as an empty value.
  const std::string ini =
      "[webserver]\nSERVER=A|B|\n[VirtualDirectory]\nServer=A\\Site\\dir|\n[WebSiteComp]\nServer=Cmp(x\\A\\S1,y\\B\\S2)|\n";
  for (short level : {3, 4, 5, 1}) read += ReadLevel(app, ini, level);
  // A missing file is logged with an empty message and keeps the lists of the level before.
  std::remove(app.At("ScheduleInfo/ScheduleConfig.ini").c_str());
  CurrentLevel = 2;
  InitSchedular();
  read += Lists();

  // 300 entries of nine characters and a separator: 3,000 characters. With its length in section
  // Length the value is read whole, at every level.
  List expected;
  for (int i = 0; i < 300; ++i) expected.push_back("SRV" + std::to_string(1000000 + i).substr(1));
  const std::string value = platform::Join(expected, "|") + "|";
  for (short level : {1, 2}) {
    ReadLevel(app, "[Length]\nServer=3000\n[WebServer]\nServer=" + value + "\n[WebSite]\nServer=" + value + "\n", level);
    EXPECT_EQ(ServerList, expected) << level;
  }
  // Exactly 1999 characters fill the buffer too and are read again through Length.
  ReadLevel(app, "[Length]\nTab=1999\n[WebServer]\nTab=" + value.substr(0, 1999) + "\n", 1);
  EXPECT_EQ(TabList.size(), 200u);
  EXPECT_EQ(TabList.back(), "SRV00019");  // the 1999th character was the last entry's "9"
  // Without it the conversion fails, is reported, and only the first nine characters remain (one
  // of them then dropped as the trailing separator). A Length entry that is not a number: its own
  // character count decides how much is read.
  read += ReadLevel(app, "[WebServer]\nServer=" + value + "\n", 1);
  read += ReadLevel(app, "[Length]\nServer=abc\n[WebServer]\nServer=" + value + "\n", 1);
  testsupport::ExpectLikeFile(read, "config/ScheduleReader.expected", {{app.Path(), "<app>"}});
  // Both values read without a number in Length are reported.
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].rfind(platform::ProgramName() + "  at ", 0), 0u) << log[0];
  EXPECT_EQ(std::vector<std::string>(log.begin() + 1, log.end()),
            std::vector<std::string>(2, "mIniOperation.GetSetting" + std::string(46, ' ') + "13 - Type mismatch"));
}
