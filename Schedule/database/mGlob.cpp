#include "database/mGlob.h"

#include "ModuleNames.h"
#include "RunState.h"
#include "logs/RunJournal.h"
#include "platform/DateTime.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"

using platform::ado::Catalog;
using platform::ado::Connection;

const char* const kJetProvider = "Microsoft.Jet.OLEDB.4.0";

bool CheckAndCreateDB(const std::string& path, bool replace) {
  platform::OnError onError(modules::mGlobalFunctionDef, "CheckAndCreateDB(");
  bool created = false;
  onError.Leave([&] {
    if (FileExists(path)) {
      if (!replace) return;
      platform::Kill(path);
    }
    Catalog catalog;
    catalog.Create(std::string("Provider = ") + kJetProvider + ";Data Source =" + path);
    catalog.SetActiveConnection(nullptr);
    created = true;
  });
  return created;
}

bool OpenConnection(Connection& connection, const std::string& path) {
  platform::OnError onError(modules::mGlobalFunctionDef, "OpenConnection");
  bool opened = false;
  onError.Leave([&] {
    connection.Provider = kJetProvider;
    connection.Open(path, "", "", -1);
    opened = true;
  });
  return opened;
}

bool InitConnections() {
  platform::OnError onError(modules::mCollect, "InitConnections");
  bool opened = false;
  onError.Leave([&] {
    // The old connection goes with its last holder; it is not closed here.
    SettingsConnection = std::make_shared<Connection>();
    platform::ado::RegisterScratchDatabase(DatabasePath);
    SettingsConnection->Provider = kJetProvider;
    SettingsConnection->Open(DatabasePath, "", "", -1);
    opened = true;
  });
  return opened;
}

std::string FindTable(const std::string& name, Connection& connection) {
  // Reported under the creating procedure's name, as the status log has always shown it.
  platform::OnError onError(modules::mGlobalFunctionDef, "CheckAndCreateDB");
  std::string found = name;
  onError.Leave([&] {
    Catalog catalog;
    catalog.SetActiveConnection(&connection);
    std::string wanted = platform::LCase(name);
    for (long i = 0; i < catalog.TableCount(); ++i)
      if (platform::LCase(catalog.TableName(i)) == wanted) return;
    found.clear();
  });
  return found;
}

bool DropTable(const std::string& name, Connection& connection) {
  platform::OnError onError(modules::mGlob, "DropTable");
  bool dropped = false;
  onError.Leave([&] {
    if (!FindTable(name, connection).empty()) connection.Execute("Drop Table [" + name + "]", -1);
    dropped = true;
  });
  return dropped;
}

std::string CreateExportDatabase(const std::string& nameText) {
  platform::OnError onError(modules::mMain, "Main");
  std::string path;
  onError.Leave([&] {
    std::string serverPart = nameText;
    if (CurrentLevel == 2 || CurrentLevel == 3) {
      ServerPathParts = platform::Split(nameText, "\\");
      serverPart = Item(ServerPathParts, 0);
    }
    std::string stamp = platform::FormatDate(platform::Now(), "mm_dd_yyyy_hh_mm_ss");
    std::string fileName = "QUORVAExportDb_" + serverPart + stamp + ".mdb";
    const std::string& folder = Item(PathList, JobIndex);
    std::string name = !folder.empty() && folder != "No" ? folder + "\\" + fileName : GetAppPath(fileName);
    const bool created = CheckAndCreateDB(name, true);
    path = name;
    if (created) journal::File("export-database", path);
  });
  return path;
}
