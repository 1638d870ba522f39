#include "mMain.h"

#include "ModuleNames.h"
#include "RunState.h"
#include "collect/mCollect.h"
#include "compare/CompareDriver.h"
#include "config/mIniOperation.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "logs/RunJournal.h"
#include "logs/mLog.h"
#include "platform/DateTime.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/SingleInstance.h"
#include "reports/ExportDriver.h"

namespace {

// A settings database file that is no database would fail every level of every run: it is renamed
// aside, once before the first level, under a name that says so, and the levels make a fresh one.
// The user's file is never deleted.
void SetAsideDamagedDatabase() {
  platform::OnError onError(modules::mMain, "SetAsideDamagedDatabase");
  onError.Leave([] {
    if (!platform::ado::IsDamagedDatabase(DatabasePath)) return;
    const std::string aside =
        GetAppPath("VelmoraDatabase.not-a-database." + platform::FormatDate(platform::Now(), "mm_dd_yyyy_hh_mm_ss") +
                   ".mdb");
    const std::string was = platform::FilePath(DatabasePath);
    platform::Name(DatabasePath, aside);
    WriteStatusLog("The settings database " + was + " is not a database: it was renamed to " +
                       platform::FilePath(aside) + ", and a new one is made",
                   modules::mMain, "SetAsideDamagedDatabase", 0);
  });
}

}  // namespace

void Main() {
  platform::SetErrorReporter(WriteStatusLog);
  if (!platform::AcquireSingleInstance()) {
    try {
      WriteStatusLog("Application is already running.", modules::mMain, "Main", 0);
    } catch (...) {
    }
    platform::EndProgram(platform::exitNormal);
  }
  try {
    platform::MkDir(GetAppPath("Log"));
  } catch (...) {
    // The folder may be there already.
  }

  journal::Begin();
  platform::OnError onError(modules::mMain, "Main");
  onError.Next([] { WriteStatusLog("Started", modules::mMain, "Main", 0); });
  onError.Next([] { DatabasePath = GetAppPath("VelmoraDatabase.mdb"); });
  SetAsideDamagedDatabase();
  for (short level = 1; level <= 5; ++level) {
    CurrentLevel = level;
    onError.Next(GenerateReportForLevel);
  }
  journal::Place(journal::Phase::End);
  onError.Next([] { WriteStatusLog("Finished", modules::mMain, "Main", 0); });
  journal::End();
  frmSchedule().Unload();
}

void GenerateReportForLevel() {
  platform::OnError onError(modules::mMain, "GenerateReportForLevel");
  // A settings database found locked by another process in the last level is waited for again.
  platform::ado::ForgetLocks();
  journal::Level(CurrentLevel, LevelSection(CurrentLevel));
  onError.Next(InitSchedular);
  onError.Next([] {
    if (CurrentLevel == 1 || CurrentLevel == 2)
      CustomReportConfigPath = GetAppPath("QUORVACustomReport_Server.cfg");
    else if (CurrentLevel == 3)
      CustomReportConfigPath = GetAppPath("QUORVACustomReport_Directory.cfg");
    // Levels 4 and 5 keep the file chosen for level 3.
  });
  onError.Next(CreateDBResource);
  onError.Next(InitConnections);
  journal::Place(journal::Phase::Collect);
  onError.Next(CollectIISSettings);
  journal::Place(journal::Phase::Export);
  onError.Next([] { frmSchedule().SetDisplayFlag(true); });
  onError.Next([] { frmSchedule().Refresh(); });
  onError.Next([] {
    if (CurrentLevel < 4)
      ExportIISSettings();
    else
      ExportComparisonDetails();
  });
}
