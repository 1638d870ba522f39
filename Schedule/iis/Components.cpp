#include "iis/Components.h"

#include <chrono>
#include <set>

#include "database/mDatabase.h"
#include "iis/IisConfig.h"
#include "iis/IisSettings.h"
#include "platform/Ado.h"
#include "platform/Err.h"
#include "platform/Text.h"

namespace iis {

using namespace platform;

namespace {
std::set<std::string>& MissingComponents() {
  static std::set<std::string> missing;
  return missing;
}
}  // namespace

bool ComponentInstalled(const std::string& className) { return MissingComponents().count(className) == 0; }

void SetComponentInstalled(const std::string& className, bool installed) {
  if (installed)
    MissingComponents().erase(className);
  else
    MissingComponents().insert(className);
}

void RaiseCannotCreate(const std::string& className) {
  Raise(errCannotCreateObject, DefaultDescription(errCannotCreateObject) + ": " + className);
}

namespace {
constexpr const char* kVersionText = "QUORVA IIS configuration reader 1.0 for IIS 6.0 and later";

double writeSeconds = 0;
long rowsWritten = 0;

// A category's table and its column labels, from the catalogue.
struct Target {
  std::string table;
  std::vector<std::string> labels;
};

Target Lookup(short index, short subIndex, short level) {
  Target target;
  std::string key;
  target.labels = Split(GetQueryForProcessing(index, subIndex, level, target.table, key), ",");
  return target;
}

// The web-site family's table for a category key; the Application table takes all its
// columns, the combined list.
Target SiteTarget(const std::string& categoryKey) {
  if (categoryKey == "AppScriptMappings") return Lookup(5, 2, 1);
  for (short index = 1; index <= 17; ++index) {
    std::string table, key;
    std::string labels = GetQueryForProcessing(index, 0, 1, table, key);
    if (key == categoryKey) return {table, Split(labels, ",")};
  }
  Raise(errInvalidArgument, "'" + categoryKey + "' is not a web site category of the catalogue");
}

// The directory family's table for a category key; the shared application table takes the
// directory combined list.
Target DirectoryTarget(const std::string& categoryKey) {
  for (short index = 1; index <= 14; ++index) {
    std::string table, key;
    std::string labels = GetQueryForProcessing(index, 0, 3, table, key);
    if (key != categoryKey) continue;
    if (categoryKey == "VirApplication") labels = GetQueryForProcessing(0, 0, 3, key, key);
    return {table, Split(labels, ",")};
  }
  Raise(errInvalidArgument, "'" + categoryKey + "' is not a virtual directory category of the catalogue");
}

std::string Quoted(const std::string& value) { return "'" + QuoteSql(value) + "'"; }

// The rows a snapshot gives never disagree with the catalogue on the number of columns; if
// they did, the database would get shifted values.
void CheckWidth(const iis::Row& row, const Target& target, const std::string& key) {
  if (row.size() != target.labels.size())
    Raise(errInvalidArgument, "Category '" + key + "' gives " + std::to_string(row.size()) + " values for the " +
                                  std::to_string(target.labels.size()) + " columns of " + target.table);
}

// One row to write: its values, and which server and site or directory path it belongs to.
struct RowToWrite {
  std::string values;
  std::string owner;
};

// Writes the rows, one statement each, in one transaction: the file is locked and written once
// for all the rows instead of once per row. A row that fails costs only itself; the call then
// raises the first failure, naming the row's owner and the table, once for all its failed rows.
void Insert(const std::string& databasePath, const std::string& table, const std::string& columns,
            const std::vector<RowToWrite>& rows) {
  auto started = std::chrono::steady_clock::now();
  ado::Connection connection;
  connection.Open(databasePath);
  connection.Execute("BEGIN TRANSACTION");
  long failed = 0, number = 0;
  std::string failure;
  for (const RowToWrite& row : rows) {
    try {
      connection.Execute("INSERT INTO [" + table + "] (" + columns + ") VALUES (" + row.values + ")");
      ++rowsWritten;
    } catch (const RuntimeError& e) {
      if (failed++ == 0) {
        number = e.Number();
        failure = row.owner + ", table " + table + ": " + e.Description();
      }
    }
  }
  connection.Execute("COMMIT TRANSACTION");
  connection.Close();
  writeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (failed > 1) failure += " (" + std::to_string(failed - 1) + " more rows not written)";
  if (failed > 0) Raise(number, failure);
}

std::string SiteOwner(const std::string& server, const Site& site) {
  return "Server '" + server + "', site '" + site.name + "' (" + site.id + ")";
}

std::string BracketedColumns(const std::vector<std::string>& labels) {
  std::vector<std::string> columns;
  for (const std::string& label : labels) columns.push_back("[" + label + "]");
  return Join(columns, ",");
}

// The site collectors: every site of the server, or, when the server is given as a whole job
// entry (server\site), that site alone.
void CollectSites(const std::string& categoryKey, const std::string& server, const std::string& databasePath,
                  long serverVersion) {
  std::string serverName = TextBefore(server, "\\");
  std::string siteName = server.size() > serverName.size() ? server.substr(serverName.size() + 1) : "";
  auto snapshot = iis::LoadSnapshot(serverName);
  Target target = SiteTarget(categoryKey);
  std::vector<RowToWrite> rows;
  for (const iis::Site& site : snapshot->Sites()) {
    if (!siteName.empty() && LCase(site.name) != LCase(siteName)) continue;
    for (const iis::Row& row : iis::SiteCategoryRows(*snapshot, site, categoryKey, serverVersion)) {
      CheckWidth(row, target, categoryKey);
      std::string values = Quoted(site.id);
      for (const std::string& value : row) values += "," + Quoted(value);
      rows.push_back({values + "," + Quoted(serverName), SiteOwner(serverName, site)});
    }
  }
  Insert(databasePath, target.table, "SiteIndex," + BracketedColumns(target.labels) + ",IISServer", rows);
}

}  // namespace

double RowWriteSeconds() { return writeSeconds; }
long RowsWritten() { return rowsWritten; }

void ServerInfoComponent::SetLogPath(const std::string& statusLogPath) { logPath_ = statusLogPath; }

std::string ServerInfoComponent::GetVersion() const { return kVersionText; }

long ServerInfoComponent::GetVersionCode(const std::string& versionText) const {
  return versionText == kVersionText ? kServerVersionIIS6AndLater : 0;
}

void ServerInfoComponent::ListWebSites(const std::string& server, const std::string& databasePath, long) {
  auto snapshot = iis::LoadSnapshot(server);
  Target target = Lookup(18, 0, 1);
  std::vector<RowToWrite> rows;
  for (const iis::Site& site : snapshot->Sites())
    rows.push_back({Quoted(site.id) + "," + Quoted(site.name) + "," + Quoted(server), SiteOwner(server, site)});
  Insert(databasePath, target.table, "SiteIndex," + BracketedColumns(target.labels) + ",IISServer", rows);
}

void SitePropertiesCollector::Collect(const std::string& category, const std::string& server,
                                      const std::string& databasePath, platform::ProgressBar&, platform::StatusPanel&, platform::Grid&, platform::StatusPanel&,
                                      long, const std::string&, long, long) {
  CollectSites(category, server, databasePath, kServerVersionIIS6AndLater);
}

void SiteServicesCollector::Collect(const std::string& category, const std::string& server,
                                    const std::string& databasePath, platform::ProgressBar&, platform::StatusPanel&, platform::Grid&, platform::StatusPanel&,
                                    long, const std::string&) {
  CollectSites(category, server, databasePath, kServerVersionIIS6AndLater);
}

void HomeDirectoryCollector::Collect(const std::string& category, const std::string& server,
                                     const std::string& databasePath, long serverVersion, platform::ProgressBar&, platform::StatusPanel&,
                                     platform::Grid&, platform::StatusPanel&, long, const std::string&, long, long) {
  CollectSites(category, server, databasePath, serverVersion);
}

void VirtualDirectoryCollector::Collect(const std::string& category, const std::string& directoryPath,
                                        const std::string& databasePath, platform::ProgressBar&, platform::StatusPanel&, platform::StatusPanel&) {
  iis::DirectoryPath where = iis::ParseDirectoryPath(directoryPath);
  auto snapshot = iis::LoadSnapshot(where.server);
  Target target = DirectoryTarget(category);
  std::string name = where.directories.empty() ? "ROOT" : where.directories.back();
  std::vector<RowToWrite> rows;
  for (const iis::Row& row : iis::DirectoryCategoryRows(*snapshot, where.siteId, where.directories, category)) {
    CheckWidth(row, target, category);
    std::string values = Quoted(directoryPath) + "," + Quoted(name);
    for (const std::string& value : row) values += "," + Quoted(value);
    rows.push_back({values, "Server '" + where.server + "', directory '" + directoryPath + "'"});
  }
  Insert(databasePath, target.table, "[vKey],[Directory Name]," + BracketedColumns(target.labels), rows);
}

}  // namespace iis
