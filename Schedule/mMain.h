// Start-up, the walk over the five report levels, and the run-wide state every module shares.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "iis/Components.h"
#include "platform/Ado.h"

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

// The program's entry: refuses a second instance, runs the five levels, then ends.
[[noreturn]] void Main();
// One report level: its jobs, database set-up, collection and export.
void GenerateReportForLevel();
// The application folder, one "\" and the relative path.
std::string GetAppPath(const std::string& relativePath);
// True when a directory search for exactly this path finds a normal file.
bool FileExists(const std::string& path);
