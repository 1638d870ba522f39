#include "collect/mCollect.h"

#include <optional>

#include "ModuleNames.h"
#include "RunState.h"
#include "collect/Sites.h"
#include "database/DeleteData.h"
#include "database/mDatabase.h"
#include "frmSchedule.h"
#include "iis/Components.h"
#include "iis/IisConfig.h"
#include "logs/RunJournal.h"
#include "platform/Err.h"
#include "platform/Text.h"

using platform::OnError;
namespace ado = platform::ado;

std::string PairItem(const std::string& entry, bool second) {
  size_t open = entry.find('('), comma = entry.find(','), close = entry.find(')');
  size_t from = second ? comma + 1 : open + 1;
  size_t to = second ? close : comma;
  if (open == std::string::npos || comma == std::string::npos || close == std::string::npos || to < from)
    platform::Raise(platform::errInvalidArgument, platform::DefaultDescription(platform::errInvalidArgument) +
                                                      ": the comparison entry \"" + entry +
                                                      "\" is not name(item,item)");
  std::string item = entry.substr(from, to - from);
  size_t slash = item.find('\\');
  return slash == std::string::npos ? item : item.substr(slash + 1);
}

namespace {

void RequireSet(const void* object) {
  if (!object) platform::Raise(platform::errObjectNotSet);
}

// The opening of Gather and GatherDir: the entry shown, its earlier rows deleted and its server's
// sites listed; false when the sites cannot be listed. A repeat of the server collected just before
// deletes its script mappings alone, and its sites are listed already.
bool BeginGathering(OnError& onError, FrmSchedule& window, const std::string& entry, bool repeat = false) {
  onError.Next([&] { window.p2.SetText("Collecting Report From " + entry); });
  onError.Next([&] { DeleteDataForServer(entry, repeat); });
  bool listed = true;
  if (!repeat) onError.Next([&] { listed = GetWebSites(entry); });
  return listed;
}

// The server the last web-site job collected whole, while the settings tables still hold exactly
// that collection. A site job of the same server then only writes the script mappings again, the
// one table whose rows follow the job's own site: the other rows, deleted and written anew, would
// come back the same and in the same order, at the end of their tables. Forgotten at every
// level's start and end, and by a job that meets any error.
struct CollectedServer {
  std::string server;  // as its rows name it, letter case counting
  long snapshot = 0;   // the snapshot parse the rows came from
};
std::optional<CollectedServer> lastCollected;

// The parse of the server's snapshot as the collectors would read it now; 0 when it cannot be
// read (the collection that needs it reports that).
long SnapshotSerial(const std::string& server) {
  try {
    return iis::LoadSnapshot(server)->Serial();
  } catch (...) {
    return 0;
  }
}

// Gathers the entry of every job, or at the comparison levels the first and then the second item
// of every pair. A pair that cannot be split is reported and not gathered.
void GatherEntries(OnError& onError, bool pairs, void (*gather)(const std::string&)) {
  std::string first, second;
  for (size_t job = 0; job < ServerList.size(); ++job) {
    const std::string& entry = ServerList[job];
    journal::Collect(static_cast<long>(job), entry);
    if (!pairs) {
      onError.Next([&] { gather(entry); });
      continue;
    }
    if (!onError.Next([&] {
          first = PairItem(entry, false);
          second = PairItem(entry, true);
        }))
      continue;
    onError.Next([&] { gather(first); });
    onError.Next([&] { gather(second); });
  }
  journal::Place(journal::Phase::Collect);
}

}  // namespace

void CollectIISSettings() {
  OnError onError(modules::mCollect, "CollectIISSettings");
  lastCollected.reset();
  FrmSchedule& window = frmSchedule();
  const short level = CurrentLevel;
  if (level == 3 || level == 5) {
    onError.Next([&] { window.Show(); });
    GatherEntries(onError, level == 5, GatherDir);
  } else if ((level == 1 || level == 2 || level == 4) && !ServerList.empty()) {
    onError.Next([] {
      SitePropertiesCollector = iis::CreateObject<iis::SitePropertiesCollector>("SitePropertiesCollector");
    });
    onError.Next([] {
      SiteServicesCollector = iis::CreateObject<iis::SiteServicesCollector>("SiteServicesCollector");
    });
    onError.Next([] {
      HomeDirectoryCollector = iis::CreateObject<iis::HomeDirectoryCollector>("HomeDirectoryCollector");
    });
    onError.Next([&] { window.Show(); });
    onError.Next([&] { window.Pg1.SetValue(0); });
    GatherEntries(onError, level == 4, Gather);
    SitePropertiesCollector.reset();
    SiteServicesCollector.reset();
    HomeDirectoryCollector.reset();
  }
  lastCollected.reset();
  onError.Next([&] { window.SetDisplayFlag(false); });
}

void Gather(const std::string& entry) {
  OnError onError(modules::mCollect, "Gather");
  FrmSchedule& window = frmSchedule();
  const long errorsBefore = platform::ErrorsReported();
  CollectedServer collecting{platform::TextBefore(entry, "\\")};
  if (CurrentLevel == 2) collecting.snapshot = SnapshotSerial(collecting.server);
  const bool repeat = lastCollected && collecting.snapshot != 0 && lastCollected->server == collecting.server &&
                      lastCollected->snapshot == collecting.snapshot;
  lastCollected.reset();
  if (!BeginGathering(onError, window, entry, repeat)) return;
  onError.Next([&] {
    ProgressStep = 100.0 / 17;
    window.Pg1.SetMax(100);
  });
  std::string table, category, server;
  for (short number = 1; number <= 17; ++number) {
    onError.Next([&] {
      if (window.Pg1.Value() + ProgressStep < window.Pg1.Max()) window.Pg1.SetValue(window.Pg1.Value() + ProgressStep);
    });
    onError.Next([&] { GetQueryForProcessing(number, 0, CurrentLevel, table, category); });
    onError.Next([&] {
      if (CurrentLevel == 2 || CurrentLevel == 4) {
        ServerPathParts = platform::Split(entry, "\\");
        server = Item(ServerPathParts, 0);
      } else {
        server = entry;
      }
    });
    onError.Next([&] { window.Panel.SetText(category); });
    onError.Next([&] {
      if (repeat) return;
      if (category == "General" || category == "Document" || category == "SSL" || category == "Performance") {
        RequireSet(SitePropertiesCollector.get());
        SitePropertiesCollector->Collect(category, server, DatabasePath, window.Pg1, window.Panel, window.Grd,
                                         window.Panel, 0, "", 0, 0);
      } else if (category == "HomeDirectory" || category == "Application" || category == "HttpHeader" ||
                 category == "HomeDirectorySecurity" || category == "AppScriptMappings" ||
                 category == "SecureCommunication" || category == "ContentRatings" || category == "CustomHeader" ||
                 category == "IPAddress") {
        RequireSet(HomeDirectoryCollector.get());
        HomeDirectoryCollector->Collect(category, server, DatabasePath, ServerVersion, window.Pg1, window.Panel,
                                        window.Grd, window.Panel, 0, "", 0, 0);
      } else if (category == "Operators" || category == "Log" || category == "ISAPIFilters" || category == "ExtLog" ||
                 category == "CustomErrors") {
        RequireSet(SiteServicesCollector.get());
        SiteServicesCollector->Collect(category, server, DatabasePath, window.Pg1, window.Panel, window.Grd,
                                       window.Panel, 0, "");
      }
    });
    onError.Next([&] {
      if (category != "Application") return;
      // The script mappings of the job's own site: the collector gets the whole entry.
      RequireSet(HomeDirectoryCollector.get());
      HomeDirectoryCollector->Collect("AppScriptMappings", entry, DatabasePath, ServerVersion, window.Pg1,
                                      window.Panel, window.Grd, window.Panel, 0, "", 0, 0);
    });
  }
  onError.Next([&] { window.Pg1.SetValue(0); });
  if (collecting.snapshot != 0 && platform::ErrorsReported() == errorsBefore) lastCollected = collecting;
}

void GatherDir(const std::string& entry) {
  OnError onError(modules::mCollect, "GatherDir");
  FrmSchedule& window = frmSchedule();
  if (!BeginGathering(onError, window, entry)) return;
  std::string path;
  for (short number = 1; number <= 14; ++number) {
    onError.Next([&] { window.Pg1.SetValue(0); });
    onError.Next([&] { window.Panel.SetState(2); });
    onError.Next([&] { window.p2.SetState(2); });
    onError.Next([&] { path = GetPath(entry); });
    onError.Next([&] { GetVirtualDirectorySiteLevel(path, number); });
  }
}

void GetVirtualDirectorySiteLevel(const std::string& path, short number) {
  OnError onError(modules::mCollect, "GetVirtualDirectorySiteLevel");
  FrmSchedule& window = frmSchedule();
  std::string table, category, labels, columns;
  onError.Next([&] { labels = GetQueryForProcessing(number, 0, CurrentLevel, table, category); });
  onError.Next([&] { columns = ConstructSelectColumns(labels, false); });
  ado::Recordset rs;
  onError.Next([&] {
    RequireSet(SettingsConnection.get());
    rs.Open("Select [Directory Name]," + columns + " From " + table + " Where vKey = '" + platform::QuoteSql(path) +
                "'",
            SettingsConnection->ConnectionString(), ado::adOpenKeyset, ado::adLockOptimistic);
  });
  bool empty = false;
  onError.Next([&] {
    if (rs.State() != ado::adStateOpen) return;
    rs.Requery();
    empty = rs.RecordCount() == 0;
  });
  if (empty) {
    onError.Next([] {
      VirtualDirectoryCollector =
          iis::CreateObject<iis::VirtualDirectoryCollector>("VirtualDirectoryCollector");
    });
    onError.Next([&] {
      RequireSet(VirtualDirectoryCollector.get());
      VirtualDirectoryCollector->Collect(category, path, DatabasePath, window.Pg1, window.Panel, window.p2);
    });
    VirtualDirectoryCollector.reset();
  }
  onError.Next([&] {
    if (rs.State() == ado::adStateOpen) rs.Close();
  });
}
