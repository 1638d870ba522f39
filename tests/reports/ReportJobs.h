// Schedule files of standard report jobs, the files a run leaves, and the report rows the demo
// snapshots give, for the whole-program tests.
#pragma once

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "database/Catalogue.h"
#include "iis/Components.h"
#include "iis/IisSettings.h"
#include "platform/DateTime.h"
#include "platform/Text.h"

namespace testsupport {

// An entry left out of its list: a job after the list's end.
inline const std::string kMissing = "<missing>";

// One job of a level: the entries of the eight job lists.
struct ReportJob {
  std::string server, tab, format = "CSV", option = "0", path = "No", custom = "No", printer = "QUORVAPDF",
              time = "12/5/2026 1:00:00 AM";
};

// A schedule file with the jobs of the three standard levels and of the two comparison levels (a
// comparison job's server entry is its pair item, its tab empty).
inline std::string ReportSchedule(const std::vector<ReportJob>& servers, const std::vector<ReportJob>& sites,
                                  const std::vector<ReportJob>& directories,
                                  const std::vector<ReportJob>& sitePairs = {},
                                  const std::vector<ReportJob>& directoryPairs = {}) {
  std::string text;
  for (auto [level, jobs] : {std::pair{"WebServer", &servers}, {"WebSite", &sites}, {"VirtualDirectory", &directories},
                             {"WebSiteComp", &sitePairs}, {"VirtualDirectoryComp", &directoryPairs}}) {
    text += std::string("[") + level + "]\r\n";
    if (jobs->empty()) continue;
    for (auto [key, entry] : {std::pair{"Printername", &ReportJob::printer}, {"Server", &ReportJob::server},
                              {"Tab", &ReportJob::tab}, {"Format", &ReportJob::format}, {"Option", &ReportJob::option},
                              {"Path", &ReportJob::path}, {"Custom", &ReportJob::custom}, {"Time", &ReportJob::time}}) {
      text += std::string(key) + "=";
      for (const ReportJob& job : *jobs)
        if (job.*entry != kMissing) text += job.*entry + "|";
      text += "\r\n";
    }
  }
  return text;
}

// The report files and export databases of a folder with today's stamp taken out (day first on
// reports, month first on export databases): "LEGACY01_General_.csv" for
// LEGACY01_General_06_12_2026_21_16_18.csv, "QUORVAExportDb_WEB1.mdb" for
// QUORVAExportDb_WEB112_06_2026_21_16_18.mdb. Sorted.
inline std::vector<std::string> ReportFiles(const std::string& folder) {
  const platform::DateTime now = platform::Now();
  const std::regex stamp("(?:" + platform::FormatDate(now, "dd_mm_yyyy") + R"(_\d\d_\d\d_\d\d(\.html|\.csv)|)" +
                         platform::FormatDate(now, "mm_dd_yyyy") + R"(_\d\d_\d\d_\d\d(\.mdb))$)");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    std::smatch m;
    if (std::regex_search(name, m, stamp)) names.push_back(name.substr(0, size_t(m.position(0))) + m[1].str() + m[2].str());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The path of the one file of the folder whose name starts with prefix ("" when none or several).
inline std::string FileStartingWith(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    // An export database's journal stays beside it while the run still uses it.
    if (name.rfind(prefix, 0) == 0 && !name.ends_with("-journal")) found.push_back(entry.path().string());
  }
  return found.size() == 1 ? found[0] : std::string();
}

// The data lines of a comma-separated report: those after its headings (the eighth line), empty
// lines left out.
inline std::vector<std::string> DataLines(const std::string& path) {
  std::vector<std::string> lines = ReadLines(path), data;
  for (size_t i = 8; i < lines.size(); ++i)
    if (!lines[i].empty()) data.push_back(lines[i]);
  return data;
}

// The head of a status-log error line: module.procedure padded to 70, the number, " - ".
inline std::string ErrorLine(const std::string& where, long number) {
  return where + std::string(70 - where.size(), ' ') + std::to_string(number) + " - ";
}

// The activity log written last in the log folder ("" when none).
inline std::string NewestActivityLog(const std::string& logFolder) {
  namespace fs = std::filesystem;
  std::string newest;
  for (const auto& entry : fs::directory_iterator(logFolder))
    if (entry.path().filename().string().rfind("ActivityLog", 0) == 0 &&
        (newest.empty() || fs::last_write_time(entry.path()) > fs::last_write_time(newest)))
      newest = entry.path().string();
  return newest;
}

// The rows with the key in front; rows laid out by the combined label list of a shared table (the
// application tabs) keep only the cells of the tab's own labels.
inline Rows Pick(const std::string& key, const std::vector<iis::Row>& rows, const std::string& allLabels,
          const std::string& labels) {
  std::vector<std::string> all = platform::Split(allLabels, ","), own = platform::Split(labels, ",");
  Rows picked;
  for (const auto& row : rows) {
    std::vector<std::string> cells = {key};
    if (row.size() == own.size()) cells.insert(cells.end(), row.begin(), row.end());
    else
      for (const auto& label : own) cells.push_back(row.at(size_t(std::find(all.begin(), all.end(), label) - all.begin())));
    picked.push_back(cells);
  }
  return picked;
}

// The report rows of a web-site tab (sub-index for the application tab) for every site of the
// server, or for the one site named.
inline Rows SiteRows(const std::string& server, short index, short subIndex = 0, const std::string& onlySite = "") {
  const long version = iis::kServerVersionIIS6AndLater;
  auto snapshot = iis::LoadSnapshot(server);
  std::string key = subIndex ? catalogue::ApplicationKey(subIndex) : catalogue::CategoryKey(catalogue::Family::WebSite, index);
  std::string labels = subIndex ? catalogue::ApplicationLabels(subIndex) : catalogue::WebSiteLabels(index, version);
  std::string all = subIndex ? catalogue::ApplicationLabels(0) : labels;
  Rows rows;
  for (const auto& site : snapshot->Sites())
    if (onlySite.empty() || site.name == onlySite)
      for (auto& row : Pick(site.name, iis::SiteCategoryRows(*snapshot, site, key, version), all, labels))
        rows.push_back(row);
  return rows;
}

// The report rows of a directory tab for one directory of a site.
inline Rows DirectoryRows(const std::string& server, const std::string& siteId, const std::string& directory, short index) {
  const short all = catalogue::IsSharedTable(catalogue::Family::Directory, index) ? 0 : index;
  return Pick(directory,
              iis::DirectoryCategoryRows(*iis::LoadSnapshot(server), siteId, {directory},
                                         catalogue::CategoryKey(catalogue::Family::Directory, index)),
              catalogue::DirectoryLabels(all), catalogue::DirectoryLabels(index));
}

}  // namespace testsupport
