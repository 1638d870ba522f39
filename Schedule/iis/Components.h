// The server-info component and the four collector components: they read a server's IIS
// configuration snapshot (Servers\<server>\applicationHost.config or MetaBase.xml in the
// application folder) and write rows into the settings database whose path they are given.
// Every call that needs a snapshot that is missing or unreadable raises its error (the file is
// read once all the same); a call whose rows do not all fit writes the others and then raises
// once, naming the server, the site or directory path, the table and the column.
#pragma once

#include <memory>
#include <string>

#include "database/Catalogue.h"
#include "platform/Controls.h"
#include "platform/Grid.h"

namespace iis {

// Components are created by class name from the classes installed on the machine, as the
// classic run-time creates outside objects; a class that is not installed cannot be created.
bool ComponentInstalled(const std::string& className);
// Marks a class as installed or not (a machine without the component).
void SetComponentInstalled(const std::string& className, bool installed);
[[noreturn]] void RaiseCannotCreate(const std::string& className);

template <class T>
std::shared_ptr<T> CreateObject(const std::string& className) {
  if (!ComponentInstalled(className)) RaiseCannotCreate(className);
  return std::make_shared<T>();
}

class ServerInfoComponent {
 public:
  // Set-up: the status log the component may write to.
  void SetLogPath(const std::string& statusLogPath);
  // The component's version text.
  std::string GetVersion() const;
  // The code for a version text; 1001 for the IIS versions read (6 and later).
  long GetVersionCode(const std::string& versionText) const;
  // Lists the server's web sites into WebSiteInfo (IISServer, SiteIndex as text, Web Site Name).
  void ListWebSites(const std::string& server, const std::string& databasePath, long option);

 private:
  std::string logPath_;
};

// General, Document, SSL, Performance.
class SitePropertiesCollector {
 public:
  void Collect(const std::string& category, const std::string& server, const std::string& databasePath,
               platform::ProgressBar& progress, platform::StatusPanel& panel, platform::Grid& grid, platform::StatusPanel& status, long a,
               const std::string& b, long c, long d);
};

// Operators, Log, ISAPIFilters, ExtLog, CustomErrors.
class SiteServicesCollector {
 public:
  void Collect(const std::string& category, const std::string& server, const std::string& databasePath,
               platform::ProgressBar& progress, platform::StatusPanel& panel, platform::Grid& grid, platform::StatusPanel& status, long a,
               const std::string& b);
};

// HomeDirectory, Application, HttpHeader, HomeDirectorySecurity, AppScriptMappings,
// SecureCommunication, ContentRatings, CustomHeader, IPAddress. For AppScriptMappings the
// server is the whole job entry (server\site).
class HomeDirectoryCollector {
 public:
  void Collect(const std::string& category, const std::string& server, const std::string& databasePath,
               long serverVersion, platform::ProgressBar& progress, platform::StatusPanel& panel, platform::Grid& grid, platform::StatusPanel& status,
               long a, const std::string& b, long c, long d);
};

// One directory category, rows keyed by vKey = the directory path
// (IIS://server/W3SVC/<site index>/ROOT/dir/...).
class VirtualDirectoryCollector {
 public:
  void Collect(const std::string& category, const std::string& directoryPath, const std::string& databasePath,
               platform::ProgressBar& progress, platform::StatusPanel& panel, platform::StatusPanel& status);
};

// What the collectors have spent writing rows since the program started, and how many.
double RowWriteSeconds();
long RowsWritten();

}  // namespace iis
