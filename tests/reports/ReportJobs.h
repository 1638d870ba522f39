// Schedule files of report jobs and the files a run leaves, for the whole-program tests.
#pragma once

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "database/SqliteFile.h"
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

// What a run left, as one text: the status log, the newest activity log and the internal log,
// then the reports and export databases in each folder named (under the application folder, ""
// for itself), each report's lines and each export table's columns and rows, "|"-joined. Today's
// stamps are masked as the pattern they follow (day first on reports, month first on export
// databases), times and today's date too.
inline std::string RunFiles(const ScratchAppFolder& app, const std::vector<std::string>& folders) {
  const platform::DateTime now = platform::Now();
  auto mask = [&](std::string text) {
    for (const char* pattern : {"dd_mm_yyyy", "mm_dd_yyyy"})
      text = std::regex_replace(text, std::regex(platform::FormatDate(now, pattern) + R"(_\d\d_\d\d_\d\d)"),
                                std::string("<") + pattern + "_hh_mm_ss>");
    text = std::regex_replace(text, std::regex(R"(\d{1,2}/\d{1,2}/\d{4} \d{1,2}:\d\d:\d\d [AP]M)"), "<time>");
    return platform::Replace(platform::Replace(text, platform::FormatDate(now, "mm-dd-yyyy"), "<date>"), "\r\n", "\n");
  };
  std::string text = "== status log\n" + StatusLogText(app) + "== newest activity log\n" +
                     ReadFile(NewestActivityLog(app.At("Log"))) + "== internal log\n" + ReadFile(app.At("Log/IntLog.log"));
  for (const std::string& folder : folders) {
    std::vector<std::pair<std::string, std::string>> files;  // masked name, path
    for (const auto& entry : std::filesystem::directory_iterator(app.At(folder))) {
      const std::string name = mask(entry.path().filename().string());
      if (name.find("_hh_mm_ss>") != std::string::npos && !name.ends_with("-journal"))
        files.emplace_back(folder + "/" + name, entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& [name, path] : files) {
      text += "== " + name + "\n";
      if (!name.ends_with(".mdb")) text += ReadFile(path);
      for (const std::string& table : name.ends_with(".mdb") ? TablesOf(path) : std::vector<std::string>{}) {
        text += "[" + table + "] " + platform::Join(ColumnsOf(path, table), "|") + "\n";
        for (const auto& row : QueryFile(path, "Select * From [" + table + "] Order By rowid"))
          text += platform::Join(row, "|") + "\n";
      }
    }
  }
  return mask(text);
}

}  // namespace testsupport
