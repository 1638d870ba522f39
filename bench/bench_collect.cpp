// Collection over a generated farm: 200 servers with 10 sites of 5 directories each, half of
// them applicationHost.config and half MetaBase.xml. Runs the web-site level (one job per site)
// and the directory level (one job per directory) and prints the time per site and per
// directory, and the share of it spent parsing snapshots and writing rows.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Farm.h"
#include "RunState.h"
#include "collect/mCollect.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "iis/Components.h"
#include "iis/IisConfig.h"
#include "logs/mLog.h"
#include "platform/Err.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

namespace {

using farm::Server;
using farm::SiteName;

// The farm's size; the defaults can be changed on the command line: servers sites directories.
int kServers = 200, kSites = 10, kDirectories = 5;

struct Figures {
  double seconds, parse, write;
};

Figures RunLevel(short level, const std::vector<std::string>& entries) {
  CurrentLevel = level;
  CreateDBResource();
  InitConnections();
  ServerList = entries;
  double parse0 = iis::ParseSeconds(), write0 = iis::RowWriteSeconds();
  auto start = std::chrono::steady_clock::now();
  CollectIISSettings();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {seconds, iis::ParseSeconds() - parse0, iis::RowWriteSeconds() - write0};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) kServers = std::atoi(argv[1]);
  if (argc > 2) kSites = std::atoi(argv[2]);
  if (argc > 3) kDirectories = std::atoi(argv[3]);
  platform::SetErrorReporter(WriteStatusLog);
  fs::path folder = fs::temp_directory_path() / ("quorva-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder / "Log");
  platform::SetAppFolder(folder.string());
  farm::WriteFarm(folder, kServers, kSites, kDirectories);
  DatabasePath = GetAppPath("VelmoraDatabase.mdb");
  ServerVersion = iis::kServerVersionIIS6AndLater;
  ServerInfoComponent = std::make_shared<iis::ServerInfoComponent>();

  std::vector<std::string> sites, directories;
  for (int s = 1; s <= kServers; ++s)
    for (int i = 1; i <= kSites; ++i) {
      sites.push_back(farm::Server(s) + "\\" + farm::SiteName(i));
      for (int d = 1; d <= kDirectories; ++d) directories.push_back(sites.back() + "\\app" + std::to_string(d));
    }
  long parses0 = iis::ParseCount();
  long rows0 = iis::RowsWritten();
  Figures site = RunLevel(2, sites);
  long siteParses = iis::ParseCount() - parses0, siteRows = iis::RowsWritten() - rows0;
  Figures dir = RunLevel(3, directories);
  long dirParses = iis::ParseCount() - parses0 - siteParses;
  long dirRows = iis::RowsWritten() - rows0 - siteRows;

  auto print = [](const char* what, size_t jobs, const Figures& f, long parses, long rows) {
    std::printf("%-10s %6zu jobs  %8.2f s  %7.2f ms per job  parsing %5.1f%% (%ld parses)  writing rows %5.1f%% (%ld rows)\n",
                what, jobs, f.seconds, 1000 * f.seconds / static_cast<double>(jobs), 100 * f.parse / f.seconds, parses,
                100 * f.write / f.seconds, rows);
  };
  std::printf("Farm: %d servers x %d sites x %d directories (half applicationHost.config, half MetaBase.xml)\n",
              kServers, kSites, kDirectories);
  print("site", sites.size(), site, siteParses, siteRows);
  print("directory", directories.size(), dir, dirParses, dirRows);
  std::size_t errors = 0;
  platform::TextFile log;
  if (platform::IsNormalFile(GetAppPath("Log\\QUORVALog.Log"))) {
    log.Open(GetAppPath("Log\\QUORVALog.Log"), platform::FileMode::Input);
    while (!log.Eof()) errors += !log.ReadLine().empty();
  }
  std::printf("status log lines: %zu\n", errors);
  fs::remove_all(folder);
  return 0;
}
