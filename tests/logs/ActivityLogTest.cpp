// The activity log of a job, written whole, and the internal log its result rows come from.
#include <gtest/gtest.h>

#include <filesystem>

#include "RunState.h"
#include "TestSupport.h"
#include "logs/mLog.h"
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

const std::string kCentred = "<TABLE WIDTH=100% ALIGN =CENTER><TR>\r\n<TD WIDTH = 50% ALIGN =CENTER ><FONT COLOR = BLUE>";
const Lines kTitle = {"<HTML>", "<TITLE> Brantel v1.9 ACTIVITY LOG </TITLE>",
                      kCentred + "Brantel v1.9 ACTIVITY LOG </TD></TR> </TABLE>",
                      kCentred + "  </TD></TR> </TABLE>", kCentred + "  </TD></TR> </TABLE>", "<TABLE WIDTH=100% ><TR>"};
// The header's lines, each in its black cell.
Lines Black(const Lines& values) {
  Lines lines;
  for (const std::string& value : values) lines.push_back("<TD><FONT COLOR = BLACK> " + value + "</TD></TR>");
  return lines;
}
// The result table's opening, with this heading (if any) between "Server Name" and "Status".
Lines Headings(const std::string& middle) {
  Lines lines = {"<HTML>", "<TABLE BORDER=1 WIDTH =100%>", "<TR><TD><FONT COLOR = BLUE>Server Name</TD>"};
  if (!middle.empty()) lines.push_back("<TD><FONT COLOR = BLUE>" + middle + "</TD>");
  return lines + Lines{"<TD><FONT COLOR = BLUE>Status</TD></TR>"};
}

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
  Lines DateLine() { return Black({"Date        : " + date}) + Lines{"</TABLE>", "</HTML>"}; }
  ScratchAppFolder app;
  std::string date;
};

}  // namespace

// A standard and a custom job: the header names the report type, format and path; the result
// table holds what the internal log holds, split at "|", and an item ends at a comma.
TEST_F(ActivityLog, StandardCustomAndEmptyJobsAndAnIndexBeyondTheLists) {
  std::string file = Header(0);
  const Lines standard =
      kTitle + Black({"Report Type : Standard", "File format : HTML", "Path        : No"}) + DateLine();
  EXPECT_EQ(testsupport::ReadFile(file), Crlf(standard));
  WriteIntLog("WEB1|General|Successfully completed");
  EXPECT_EQ(testsupport::ReadFile(app.At("Log/IntLog.log")), "WEB1|General|Successfully completed\r\n");
  WriteActivity(0);
  EXPECT_EQ(testsupport::ReadFile(file), Crlf(standard + Headings("Web Site Settings") +
                                              Lines{"<TR>", "<TD>WEB1</TD>", "<TD>General</TD>",
                                                    "<TD>Successfully completed</TD>", "</TR>", "</TABLE>", "</HTML>"}));

  file = Header(1);
  WriteIntLog("WEB1\\Shop|Nightly Sites, all|Successfully completed");
  WriteActivity(1);
  EXPECT_EQ(testsupport::ReadFile(file),
            Crlf(kTitle +
                 Black({"Report Type : Custom Report", "Report Name : Nightly Sites", "File format : CSV",
                        "Path        : D:\\Reports"}) +
                 DateLine() + Headings("Report Name ") +
                 Lines{"<TR>", "<TD>WEB1\\Shop</TD>", "<TD>Nightly Sites</TD>", "</TR>", "<TR>", "<TD>all</TD>",
                       "<TD>Successfully completed</TD>", "</TR>", "</TABLE>", "</HTML>"}));
  EXPECT_TRUE(testsupport::StatusLog(app).empty());

  // Empty entries leave their lines out; without an internal log the table stays open after its
  // headings; an index beyond the lists leaves the header unfinished and is reported.
  std::filesystem::remove(app.At("Log/IntLog.log"));
  file = Header(2);
  WriteActivity(2);
  EXPECT_EQ(testsupport::ReadFile(file),
            Crlf(kTitle + DateLine() + Headings("")));

  file = Header(3);
  EXPECT_EQ(testsupport::ReadFile(file), Crlf(kTitle));
  EXPECT_EQ(testsupport::StatusLog(app),
            Lines{"mLog.WriteActivityHeader" + std::string(46, ' ') + "9 - Subscript out of range"});
}
