// The run-wide state every module shares (the level and job being run, the level's job lists,
// the settings connection, the collector components) and the small helpers that read it.
// It includes no program module: the collector classes are only named here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Ado.h"

namespace iis {
class ServerInfoComponent;
class SitePropertiesCollector;
class SiteServicesCollector;
class HomeDirectoryCollector;
class VirtualDirectoryCollector;
}  // namespace iis

// A job list: one entry per job of the level, zero-based.
using List = std::vector<std::string>;

// The entry at index of a list; an index outside it raises error 9.
const std::string& Item(const List& list, long index);

// ---- Run-wide state ----
extern short CurrentLevel;             // the report level being run, 1..5
extern long JobIndex;                  // the current job in the level's lists
extern std::string ScheduleConfigPath; // ScheduleInfo\ScheduleConfig.ini in the application folder
extern List ServerList, TabList, FormatList, OptionList, PathList, CustomList, TimeList, PrinterNameList;
extern std::string DatabasePath;       // the settings database VelmoraDatabase.mdb
extern std::shared_ptr<platform::ado::Connection> SettingsConnection;
extern long ServerVersion;             // 1001 selects the newer label lists
extern std::string CustomReportConfigPath;
extern std::shared_ptr<iis::ServerInfoComponent> ServerInfoComponent;
extern std::shared_ptr<iis::SitePropertiesCollector> SitePropertiesCollector;
extern std::shared_ptr<iis::SiteServicesCollector> SiteServicesCollector;
extern std::shared_ptr<iis::HomeDirectoryCollector> HomeDirectoryCollector;
extern std::shared_ptr<iis::VirtualDirectoryCollector> VirtualDirectoryCollector;
extern List ServerPathParts;           // a job's server entry split at "\"
extern double ProgressStep;            // progress-bar step while gathering: 100 / 17
extern std::string ActivityLogPath;    // the current job's activity log

// The schedule section of each report level, 1..5.
const char* LevelSection(short level);

// The application folder, one "\" and the relative path.
std::string GetAppPath(const std::string& relativePath);
// True when a directory search for exactly this path finds a normal file.
bool FileExists(const std::string& path);
