#include "RunState.h"

#include "platform/Err.h"
#include "platform/Files.h"

short CurrentLevel = 0;
long JobIndex = 0;
std::string ScheduleConfigPath;
List ServerList, TabList, FormatList, OptionList, PathList, CustomList, TimeList, PrinterNameList;
std::string DatabasePath;
std::shared_ptr<platform::ado::Connection> SettingsConnection;
long ServerVersion = 0;
std::string CustomReportConfigPath;
std::shared_ptr<iis::ServerInfoComponent> ServerInfoComponent;
std::shared_ptr<iis::SitePropertiesCollector> SitePropertiesCollector;
std::shared_ptr<iis::SiteServicesCollector> SiteServicesCollector;
std::shared_ptr<iis::HomeDirectoryCollector> HomeDirectoryCollector;
std::shared_ptr<iis::VirtualDirectoryCollector> VirtualDirectoryCollector;
List ServerPathParts;
double ProgressStep = 0;
std::string ActivityLogPath;

const std::string& Item(const List& list, long index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) platform::Raise(platform::errSubscript);
  return list[static_cast<size_t>(index)];
}

const char* LevelSection(short level) {
  switch (level) {
    case 1: return "WebServer";
    case 2: return "WebSite";
    case 3: return "VirtualDirectory";
    case 4: return "WebSiteComp";
    case 5: return "VirtualDirectoryComp";
    default: return "";
  }
}

std::string GetAppPath(const std::string& relativePath) {
  std::string folder = platform::AppFolder();
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder + relativePath;
}

bool FileExists(const std::string& path) {
  try {
    return platform::IsNormalFile(path);
  } catch (...) {
    return false;
  }
}
