// The file layer: on a file system that minds case a path whose exact spelling is not there finds
// the one entry that matches without regard to case, as on the system the program came from; and
// a file written for output takes its name only when whole.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>

#include "RunState.h"
#include "TestSupport.h"
#include "config/mIniOperation.h"
#include "platform/Ado.h"
#include "platform/Files.h"

using testsupport::ScratchAppFolder;

namespace {

// Runs plain shell commands in the application folder, in a process out of the file layer's sight.
void InAnotherProcess(const ScratchAppFolder& app, const std::string& commands) {
  ASSERT_EQ(std::system(("cd '" + app.Path() + "' && " + commands).c_str()), 0) << commands;
}

}  // namespace

TEST(Files, APathFindsTheOneEntryThatMatchesWithoutRegardToCaseAndOutputTakesItsNameWhenWhole) {
  ScratchAppFolder app;
  app.Write("Log/QUORVALog.Log", "first\r\n");
  const std::string root = app.Path();
  EXPECT_TRUE(platform::IsNormalFile(root + "\\LOG\\quorvalog.log"));
  EXPECT_TRUE(platform::IsFolder(root + "\\log"));
  platform::TextFile(root + "\\log\\QUORVALOG.LOG", platform::FileMode::Append).WriteLine("second");
  EXPECT_EQ(testsupport::ReadFile(app.At("Log/QUORVALog.Log")), "first\r\nsecond\r\n");
  // A new file lands in the folder that is there, under the name it was given.
  platform::TextFile(root + "\\LOG\\New.csv", platform::FileMode::Output).WriteLine("x");
  EXPECT_EQ(testsupport::ReadFile(app.At("Log/New.csv")), "x\r\n");
  EXPECT_EQ(platform::ReadAllBytes(root + "\\log\\new.CSV"), "x\r\n");
  // Two entries that match equally well: neither is taken.
  app.Write("Dup/a", "");
  app.Write("DUP/a", "");
  EXPECT_FALSE(platform::IsNormalFile(root + "\\dup\\a"));
  EXPECT_FALSE(platform::IsNormalFile(root + "\\Log\\Missing.log"));

  // The data-access layer opens database files through the same layer.
  platform::ado::Catalog().Create(root + "\\Log\\Settings.mdb");
  platform::ado::Connection connection;
  EXPECT_NO_THROW(connection.Open(root + "\\LOG\\settings.MDB"));

  // The schedule file, written in other letters.
  app.Write("scheduleinfo/scheduleconfig.ini", "[WEBSERVER]\r\nserver=WEB1|WEB2|\r\n");
  CurrentLevel = 1;
  InitSchedular();
  EXPECT_EQ(ServerList, (List{"WEB1", "WEB2"}));
  EXPECT_EQ(testsupport::LinesWith(testsupport::StatusLog(app), "InitSchedular"), 0);

  // Output takes its name only when closed. The internal log is rewritten in place for every
  // report: a shorter line must leave nothing of the longer one before it, and the file keeps its
  // identity.
  app.Write("report.html", "old\r\n");
  {
    platform::TextFile file(app.Path() + "\\report.html", platform::FileMode::Output);
    file.WriteLines(std::vector<std::string>(2000, "<td>cell</td>"));  // past any write buffer
    EXPECT_EQ(testsupport::ReadFile(app.At("report.html")), "old\r\n");
    file.Close();
  }
  EXPECT_EQ(testsupport::ReadLines(app.At("report.html")).size(), 2000u);
  EXPECT_EQ(testsupport::ReadFile(app.At("report.html.part")), "");

  // Left on an error, the file still gets what was written before it.
  platform::TextFile(app.Path() + "\\report.html", platform::FileMode::Output).WriteLine("first");
  EXPECT_EQ(testsupport::ReadFile(app.At("report.html")), "first\r\n");

  app.Write("IntLog.log", "WEB1\\Default Web Site|Application Mappings|Successfully completed\r\n");
  const auto before = platform::FindFile(app.Path() + "\\IntLog.log").inode;
  platform::TextFile(app.Path() + "\\IntLog.log", platform::FileMode::OutputInPlace)
      .WriteLine("WEB1|General|Successfully completed");
  EXPECT_EQ(testsupport::ReadFile(app.At("IntLog.log")), "WEB1|General|Successfully completed\r\n");
  EXPECT_EQ(platform::FindFile(app.Path() + "\\IntLog.log").inode, before);
  platform::TextFile(app.Path() + "\\New.log", platform::FileMode::OutputInPlace).Close();
  EXPECT_EQ(testsupport::ReadFile(app.At("New.log")), "");
}

TEST(Files, ChangesMadeByOtherProcessesCountFromTheNextLookUpInAnyNumberOfFolders) {
  ScratchAppFolder app;
  long queued = 0;  // more changes at once than the system keeps notices of: the last still counts
  std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
  const std::string last = std::to_string(std::min(queued, 100000L));
  // Each step: what another process does, then a path looked up and the file it finds ("-": none).
  for (const auto& [commands, path, found] : std::vector<std::array<std::string, 3>>{
           {"mkdir Out", "Out\\report.csv", "-"},
           {"touch Out/Report.CSV", "Out\\report.csv", "Out/Report.CSV"},
           {"mv Out/Report.CSV Out/Old.csv", "Out\\report.csv", "-"},
           {"", "Out\\OLD.CSV", "Out/Old.csv"},
           {"rm Out/Old.csv", "Out\\old.csv", "-"},
           // Two names that differ only in case: neither is taken, until one of them goes.
           {"touch Out/Twin Out/TWIN", "Out\\twin", "-"},
           {"rm Out/TWIN", "Out\\twin", "Out/Twin"},
           // A folder put in the place of another under the same path is searched for its own
           // names; the one moved away keeps its own.
           {"mv Out Gone && mkdir Out && touch Out/New.txt", "Out\\twin", "-"},
           {"", "Out\\new.TXT", "Out/New.txt"},
           {"", "Gone\\twin", "Gone/Twin"},
           // Deleted and made again, perhaps on the same inode.
           {"rm Out/New.txt && rmdir Out && mkdir Out && touch Out/Fresh.txt", "Out\\new.txt", "-"},
           {"", "Out\\FRESH.txt", "Out/Fresh.txt"},
           {"i=0; while [ $i -le " + last + " ]; do : > Out/F$i; i=$((i+1)); done", "Out\\f" + last, "Out/F" + last}}) {
    if (!commands.empty()) InAnotherProcess(app, commands);
    const std::string native = app.Path() + "\\" + path;
    EXPECT_EQ(platform::IsNormalFile(native) ? platform::FilePath(native) : "-", found == "-" ? found : app.At(found))
        << commands << ": " << path;
  }

  // Far more folders looked in than the layer keeps indexes of.
  auto folder = [&](int i) { return app.Path() + "\\F" + std::to_string(i); };
  for (int i = 0; i < 100; ++i) {
    platform::MkDir(folder(i));
    EXPECT_FALSE(platform::IsNormalFile(folder(i) + "\\a.txt"));
  }
  InAnotherProcess(app, "touch F0/A.TXT F50/A.TXT F99/A.TXT");
  for (int i : {0, 50, 99}) EXPECT_TRUE(platform::IsNormalFile(folder(i) + "\\a.txt")) << i;
  EXPECT_FALSE(platform::IsNormalFile(folder(1) + "\\a.txt"));
}
