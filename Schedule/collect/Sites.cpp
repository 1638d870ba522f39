#include "collect/Sites.h"

#include "ModuleNames.h"
#include "RunState.h"
#include "iis/Components.h"
#include "platform/Err.h"
#include "platform/Text.h"

using platform::OnError;
namespace ado = platform::ado;

bool GetWebSites(const std::string& entry) {
  OnError onError(modules::mCollect, "GetWebSites");
  bool open = false;
  onError.Next([&] { open = SettingsConnection && SettingsConnection->State() == ado::adStateOpen; });
  if (!open) return false;
  // Opened afresh so that the rows the components wrote are seen.
  onError.Next([] { SettingsConnection->Close(); });
  onError.Next([] {
    SettingsConnection->Provider = "Microsoft.Jet.OLEDB.4.0";
    SettingsConnection->Open(DatabasePath);
  });
  const std::string server = platform::TextBefore(entry, "\\");
  ado::Recordset rs;
  onError.Next([&] {
    rs.Open("Select * From WebSiteInfo Where IISServer = '" + server + "'", SettingsConnection->ConnectionString(),
            ado::adOpenKeyset, ado::adLockOptimistic);
  });
  onError.Next([&] { rs.Requery(); });
  onError.Next([&] {
    if (rs.RecordCount() != 0) return;
    if (!ServerInfoComponent) platform::Raise(platform::errObjectNotSet);
    ServerInfoComponent->ListWebSites(server, DatabasePath, 1);
    rs.Requery();
  });
  onError.Next([&] { rs.Close(); });
  return true;
}

std::string FindSiteIndex(const std::string& server, const std::string& site) {
  OnError onError(modules::mCollect, "FindSiteIndex");
  std::string result;
  bool listed = false;
  onError.Next([&] { listed = GetWebSites(server); });
  if (!listed) return result;
  ado::Recordset rs;
  onError.Next([&] {
    rs.Open("Select * From WebSiteInfo Where IISServer = '" + server + "' And [Web Site Name] = '" +
                platform::QuoteSql(site) + "'",
            SettingsConnection->ConnectionString(), ado::adOpenKeyset, ado::adLockOptimistic);
  });
  onError.Next([&] { rs.Requery(); });
  onError.Next([&] {
    if (rs.State() != ado::adStateOpen) return;
    if (rs.RecordCount() != 0) result = rs.Fields(0L).Text();
    rs.Close();
  });
  return result;
}

std::string GetPath(const std::string& entry) {
  OnError onError(modules::mCollect, "GetPath");
  std::string result;
  onError.Leave([&] {
    if (entry.empty()) return;
    std::vector<std::string> parts = platform::Split(entry, "\\");
    std::string path;
    if (parts.size() >= 2) path = "IIS://" + parts[0] + "/W3SVC/" + FindSiteIndex(parts[0], parts[1]) + "/ROOT";
    for (size_t i = 2; i < parts.size(); ++i) path += "/" + parts[i];
    result = path;
  });
  return result;
}
