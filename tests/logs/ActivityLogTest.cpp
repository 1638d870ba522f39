// The activity log of a job, written whole, and the internal log its result rows come from.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "logs/mLog.h"
#include "mMain.h"
#include "platform/DateTime.h"
#include "platform/Files.h"

using testsupport::ScratchAppFolder;

namespace {

using Lines = std::vector<std::string>;

std::string Crlf(const Lines& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Lines kTitle = {"<HTML>",
                      "<TITLE> Brantel v1.9 ACTIVITY LOG </TITLE>",
                      "<TABLE WIDTH=100% ALIGN =CENTER><TR>",
                      "<TD WIDTH = 50% ALIGN =CENTER ><FONT COLOR = BLUE>Brantel v1.9 ACTIVITY LOG </TD></TR> </TABLE>",
                      "<TABLE WIDTH=100% ALIGN =CENTER><TR>",
                      "<TD WIDTH = 50% ALIGN =CENTER ><FONT COLOR = BLUE>  </TD></TR> </TABLE>",
                      "<TABLE WIDTH=100% ALIGN =CENTER><TR>",
                      "<TD WIDTH = 50% ALIGN =CENTER ><FONT COLOR = BLUE>  </TD></TR> </TABLE>",
                      "<TABLE WIDTH=100% ><TR>"};

class ActivityLog : public testing::Test {
 protected:
  void SetUp() override {
    CustomList = {"No", "Nightly Sites", ""};
    FormatList = {"HTML", "CSV", ""};
    PathList = {"No", "D:\\Reports", ""};
  }
  void TearDown() override { CustomList.clear(), FormatList.clear(), PathList.clear(); }
  // Writes the job's header until it is written within one second; the file must be named
  // after that second.
  std::string Header(long job) {
    for (;;) {
      platform::DateTime before = platform::Now();
      WriteActivityHeader(job);
      if (platform::GeneralDate(before) != platform::GeneralDate(platform::Now())) continue;
      date = platform::GeneralDate(before);
      EXPECT_EQ(ActivityLogPath,
                GetAppPath("Log\\ActivityLog" + platform::FormatDate(before, "MM_DD_YYYY_hh_mm_s") + ".htm"));
      return platform::NativePath(ActivityLogPath);
    }
  }
  Lines DateLine() { return {"<TD><FONT COLOR = BLACK> Date        : " + date + "</TD></TR>", "</TABLE>", "</HTML>"}; }
  ScratchAppFolder app;
  std::string date;
};

}  // namespace

// A standard and a custom job: the header names the report type, format and path; the result
// table holds what the internal log holds, split at "|", and an item ends at a comma.
TEST_F(ActivityLog, StandardAndCustomJobs) {
  std::string file = Header(0);
  const Lines standard = kTitle + Lines{"<TD><FONT COLOR = BLACK> Report Type : Standard</TD></TR>",
                                        "<TD><FONT COLOR = BLACK> File format : HTML</TD></TR>",
                                        "<TD><FONT COLOR = BLACK> Path        : No</TD></TR>"} +
                         DateLine();
  EXPECT_EQ(testsupport::ReadFile(file), Crlf(standard));
  WriteIntLog("WEB1|General|Successfully completed");
  EXPECT_EQ(testsupport::ReadFile(app.At("Log/IntLog.log")), "WEB1|General|Successfully completed\r\n");
  WriteActivity(0);
  const Lines heading = {"<HTML>", "<TABLE BORDER=1 WIDTH =100%>", "<TR><TD><FONT COLOR = BLUE>Server Name</TD>"};
  EXPECT_EQ(testsupport::ReadFile(file),
            Crlf(standard + heading +
                 Lines{"<TD><FONT COLOR = BLUE>Web Site Settings</TD>", "<TD><FONT COLOR = BLUE>Status</TD></TR>",
                       "<TR>", "<TD>WEB1</TD>", "<TD>General</TD>", "<TD>Successfully completed</TD>", "</TR>",
                       "</TABLE>", "</HTML>"}));

  file = Header(1);
  WriteIntLog("WEB1\\Shop|Nightly Sites, all|Successfully completed");
  WriteActivity(1);
  EXPECT_EQ(testsupport::ReadFile(file),
            Crlf(kTitle +
                 Lines{"<TD><FONT COLOR = BLACK> Report Type : Custom Report</TD></TR>",
                       "<TD><FONT COLOR = BLACK> Report Name : Nightly Sites</TD></TR>",
                       "<TD><FONT COLOR = BLACK> File format : CSV</TD></TR>",
                       "<TD><FONT COLOR = BLACK> Path        : D:\\Reports</TD></TR>"} +
                 DateLine() + heading +
                 Lines{"<TD><FONT COLOR = BLUE>Report Name </TD>", "<TD><FONT COLOR = BLUE>Status</TD></TR>", "<TR>",
                       "<TD>WEB1\\Shop</TD>", "<TD>Nightly Sites</TD>", "</TR>", "<TR>", "<TD>all</TD>",
                       "<TD>Successfully completed</TD>", "</TR>", "</TABLE>", "</HTML>"}));
  EXPECT_TRUE(testsupport::StatusLog(app).empty());
}

// Empty entries leave their lines out; without an internal log the table stays open after its
// headings; an index beyond the lists leaves the header unfinished and is reported.
TEST_F(ActivityLog, EmptyEntriesNoInternalLogAndAnIndexBeyondTheLists) {
  std::string file = Header(2);
  WriteActivity(2);
  EXPECT_EQ(testsupport::ReadFile(file),
            Crlf(kTitle + DateLine() +
                 Lines{"<HTML>", "<TABLE BORDER=1 WIDTH =100%>", "<TR><TD><FONT COLOR = BLUE>Server Name</TD>",
                       "<TD><FONT COLOR = BLUE>Status</TD></TR>"}));

  file = Header(3);
  EXPECT_EQ(testsupport::ReadFile(file), Crlf(kTitle));
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "mLog.WriteActivityHeader" + std::string(46, ' ') + "9 - Subscript out of range");
}
