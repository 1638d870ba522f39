// quorva-nightly check over a generated farm: 200 servers of 10 sites with 5 directories each
// (half applicationHost.config, half MetaBase.xml) and a schedule of 2,000 jobs, 400 per level,
// with every kind of entry: servers, sites, directories, comparisons, custom reports, job folders,
// MDB exports and printing jobs, lists long enough to need the Length section. Prints the time of
// one check and how many snapshots it read.
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "Check.h"
#include "Farm.h"
#include "iis/IisConfig.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

namespace {

int kServers = 200, kJobsPerLevel = 400;

const char* const kSections[] = {"WebServer", "WebSite", "VirtualDirectory", "WebSiteComp", "VirtualDirectoryComp"};
const char* const kKeys[] = {"Printername", "Server", "Tab", "Format", "Option", "Path", "Custom", "Time"};

// The entries of job j of a level, in the order of kKeys.
std::vector<std::string> Job(int level, int j) {
  const int s = j % kServers + 1, site = j / kServers % 10 + 1, directory = j % 5 + 1;
  const std::string server = farm::Server(s), siteEntry = server + "\\" + farm::SiteName(site);
  const std::string dirEntry = siteEntry + "\\app" + std::to_string(directory);
  const std::string other = farm::Server(s % kServers + 1) + "\\" + farm::SiteName(site);
  const std::string entries[] = {
      server, siteEntry, dirEntry, "Pair" + std::to_string(j) + "(1\\" + siteEntry + ",2\\" + other + ")",
      "Pair" + std::to_string(j) + "(1\\" + dirEntry + ",2\\" + other + "\\app" + std::to_string(directory) + ")"};
  const bool custom = level <= 3 && j % 7 == 0;
  const char* formats[] = {"HTML", "CSV", "MDB"};
  return {"QUORVAPDF",
          entries[level - 1],
          level <= 3 ? "1\\7\\11" : "",
          formats[j % 3],
          j % 50 == 0 && !custom ? "2" : "0",
          j % 4 == 0 ? "Reports" : "No",
          custom ? (level == 3 ? "Directories" : "Sites") : "No",
          "12/5/2026 1:00:00 AM"};
}

void WriteDefinitions(const fs::path& folder) {
  for (auto [file, report] : {std::pair{"QUORVACustomReport_Server.cfg", "Sites"},
                              std::pair{"QUORVACustomReport_Directory.cfg", "Directories"}}) {
    sqlite3* db = nullptr;
    sqlite3_open((folder / file).c_str(), &db);
    const std::string sql = "CREATE TABLE " + std::string(report) + " (ColumnLists TEXT, TableNames TEXT);";
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) kServers = std::atoi(argv[1]);
  if (argc > 2) kJobsPerLevel = std::atoi(argv[2]);
  fs::path folder = fs::temp_directory_path() / ("quorva-bench-check-" + std::to_string(::getpid()));
  fs::create_directories(folder / "ScheduleInfo");
  fs::create_directories(folder / "Reports");
  farm::WriteFarm(folder, kServers, 10, 5);
  WriteDefinitions(folder);

  std::string schedule;
  std::map<std::string, size_t> longest;
  for (int level = 1; level <= 5; ++level) {
    std::vector<std::string> lists(8);
    for (int j = 0; j < kJobsPerLevel; ++j) {
      std::vector<std::string> job = Job(level, j);
      for (size_t k = 0; k < 8; ++k) lists[k] += job[k] + "|";
    }
    schedule += "[" + std::string(kSections[level - 1]) + "]\r\n";
    for (size_t k = 0; k < 8; ++k) {
      schedule += std::string(kKeys[k]) + "=" + lists[k] + "\r\n";
      if (lists[k].size() >= 1999) longest[kKeys[k]] = std::max(longest[kKeys[k]], lists[k].size());
    }
  }
  schedule += "[Length]\r\n";
  for (auto& [key, length] : longest) schedule += key + "=" + std::to_string(length) + "\r\n";
  std::ofstream(folder / "ScheduleInfo" / "ScheduleConfig.ini", std::ios::binary) << schedule;

  platform::SetAppFolder(folder.string());
  const auto start = std::chrono::steady_clock::now();
  const std::vector<nightly::Problem> problems = nightly::CheckSchedule(nightly::Sources());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("check: %d jobs over %d snapshots (%zu bytes of schedule): %.3f s, %ld snapshots read (%.3f s "
              "parsing), %zu problems\n",
              5 * kJobsPerLevel, kServers, schedule.size(), seconds, iis::ParseCount(), iis::ParseSeconds(),
              problems.size());
  for (size_t i = 0; i < problems.size() && i < 5; ++i) std::printf("  %s\n", problems[i].Format().c_str());
  fs::remove_all(folder);
  return 0;
}
