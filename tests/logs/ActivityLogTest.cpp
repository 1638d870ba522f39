// The activity log of a job, written whole, and the internal log its result rows come from.
#include <gtest/gtest.h>

#include <filesystem>

#include "RunState.h"
#include "TestSupport.h"
#include "logs/mLog.h"
#include "platform/DateTime.h"
#include "platform/Files.h"
#include "platform/Text.h"

using testsupport::ReadFile;

// A standard job and a custom job: the header names the report type, format and path, and the
// result table holds what the internal log holds, split at "|" (an item ends at a comma). Then
// empty entries, which leave their lines out, without an internal log, which leaves the table open
// after its headings; and an index beyond the lists, which leaves the header unfinished and is
// reported.
TEST(ActivityLog, StandardCustomAndEmptyJobsAndAnIndexBeyondTheLists) {
  testsupport::ScratchAppFolder app;
  CustomList = {"No", "Nightly Sites", ""};
  FormatList = {"HTML", "CSV", ""};
  PathList = {"No", "D:\\Reports", ""};
  const char* const results[] = {"WEB1|General|Successfully completed",
                                 "WEB1\\Shop|Nightly Sites, all|Successfully completed"};
  std::string logs;
  for (long job = 0; job < 4; ++job) {
    // Written again until it is written within one second, whose date it shows and names it.
    platform::DateTime before;
    do {
      before = platform::Now();
      WriteActivityHeader(job);
    } while (platform::GeneralDate(before) != platform::GeneralDate(platform::Now()));
    EXPECT_EQ(ActivityLogPath,
              GetAppPath("Log\\ActivityLog" + platform::FormatDate(before, "MM_DD_YYYY_hh_mm_s") + ".htm"));
    if (job < 2) WriteIntLog(results[job]), logs += ReadFile(app.At("Log/IntLog.log"));
    if (job == 2) std::filesystem::remove(app.At("Log/IntLog.log"));
    if (job < 3) WriteActivity(job);
    logs += platform::Replace(ReadFile(platform::NativePath(ActivityLogPath)), platform::GeneralDate(before), "<date>");
  }
  testsupport::ExpectLikeFile(logs + ReadFile(app.At("Log/QUORVALog.Log")), "logs/ActivityLogs.expected", {}, true);
  CustomList.clear(), FormatList.clear(), PathList.clear();
}
