// Comparison reports over a generated farm: 1,000 site pairs (site i of one server against site i
// of the next, so half the pairs set an applicationHost.config site against a MetaBase.xml one),
// each written as HTML by the level's driver. Prints comparisons per second, then, from a second
// pass over the same pairs step by step, the share spent in the category queries (with the rows
// they write into TmpTable), in filling the grid and in writing the file; and, in the same run,
// the cost of the 17 standard reports of one site for scale.
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Farm.h"
#include "collect/Sites.h"
#include "collect/mCollect.h"
#include "compare/CompareDriver.h"
#include "compare/CompareState.h"
#include "compare/DiffDisplay.h"
#include "compare/PropertyCompare.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "logs/mLog.h"
#include "RunState.h"
#include "iis/Components.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "reports/ExportDriver.h"
#include "reports/mExport.h"

namespace fs = std::filesystem;

namespace {

// Processor time of the process (user and system): on a machine shared with other work it
// varies far less than the time on the wall, which is printed beside it for the driver.
struct Clock {
  struct time_point {
    double cpu, wall;
  };
  static time_point now() {
    timespec cpu{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return {cpu.tv_sec + cpu.tv_nsec / 1e9,
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count()};
  }
};
double Since(Clock::time_point start) { return Clock::now().cpu - start.cpu; }
double WallSince(Clock::time_point start) { return Clock::now().wall - start.wall; }

int kPairs = 1000, kSites = 10;

// One job list entry per pair, each list as long as the server list.
void Schedule(const std::vector<std::string>& entries, const std::string& format) {
  ServerList = entries;
  FormatList.assign(entries.size(), format);
  OptionList.assign(entries.size(), "0");
  PathList.assign(entries.size(), "No");
  CustomList.assign(entries.size(), "No");
  PrinterNameList.assign(entries.size(), "P");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) kPairs = std::atoi(argv[1]);
  const int servers = (kPairs + kSites - 1) / kSites + 1;
  platform::SetErrorReporter(WriteStatusLog);
  fs::path folder = fs::temp_directory_path() / ("quorva-bench-compare-" + std::to_string(::getpid()));
  fs::create_directories(folder / "Log");
  platform::SetAppFolder(folder.string());
  farm::WriteFarm(folder, servers, kSites, 1);
  DatabasePath = GetAppPath("VelmoraDatabase.mdb");
  ServerVersion = iis::kServerVersionIIS6AndLater;
  ServerInfoComponent = std::make_shared<iis::ServerInfoComponent>();

  // Level 4 as the run starts it; each server is gathered once, by pairs of neighbours.
  CurrentLevel = 4;
  CreateDBResource();
  InitConnections();
  std::vector<std::string> gather;
  for (int s = 1; s <= servers; s += 2)
    gather.push_back("G(1\\" + farm::Server(s) + "\\" + farm::SiteName(1) + ",2\\" + farm::Server(std::min(s + 1, servers)) +
                     "\\" + farm::SiteName(1) + ")");
  ServerList = gather;
  CollectIISSettings();

  std::vector<std::string> pairs;
  for (int p = 0; p < kPairs; ++p) {
    int s = p / kSites + 1, i = p % kSites + 1;
    pairs.push_back("Pair" + std::to_string(p) + "(1\\" + farm::Server(s) + "\\" + farm::SiteName(i) + ",2\\" +
                    farm::Server(s + 1) + "\\" + farm::SiteName(i) + ")");
  }

  // The driver as the run calls it: every job with its activity log and its HTML file.
  Schedule(pairs, "HTML");
  auto start = Clock::now();
  ExportComparisonDetails();
  const double driverSeconds = Since(start), driverWall = WallSince(start);

  // The same pairs step by step.
  double resolve = 0, queries = 0, grid = 0, file = 0;
  long rows = 0;
  for (JobIndex = 0; JobIndex < kPairs; ++JobIndex) {
    const std::string& entry = pairs[static_cast<size_t>(JobIndex)];
    auto t = Clock::now();
    CompareItem1 = PairItem(entry, false), CompareItem2 = PairItem(entry, true);
    GetServerAndSite(CompareItem1, CompareServer1, CompareSiteName1);
    GetServerAndSite(CompareItem2, CompareServer2, CompareSiteName2);
    CompareSiteIndex1 = FindSiteIndex(CompareServer1, CompareSiteName1);
    CompareSiteIndex2 = FindSiteIndex(CompareServer2, CompareSiteName2);
    resolve += Since(t);
    t = Clock::now();
    CompareSiteProperties(CompareServer1, CompareServer2, CompareSiteIndex1, CompareSiteIndex2);
    queries += Since(t);
    t = Clock::now();
    DisplayDiffRecord();
    grid += Since(t);
    rows += frmSchedule().grdReport.Rows() - 1;
    t = Clock::now();
    Export_HTMLFormat(GetAppPath("Step" + std::to_string(JobIndex) + ".html"), true);
    file += Since(t);
  }
  const double steps = resolve + queries + grid + file;

  // For scale: the 17 standard reports of a site, in HTML, on the same database.
  const int standardSites = std::min(kPairs, 100);
  Schedule({""}, "HTML");
  JobIndex = 0;
  start = Clock::now();
  for (int p = 0; p < standardSites; ++p) {
    const std::string entry = farm::Server(p / kSites + 1) + "\\" + farm::SiteName(p % kSites + 1);
    for (short i = 1; i <= 17; ++i) {
      std::string table, key;
      std::string labels = GetQueryForProcessing(i, 0, CurrentLevel, table, key);
      ExportReportIntoSelectedFormat(labels, "", "Tab" + std::to_string(i), table, entry);
    }
  }
  const double standardSeconds = Since(start) / standardSites;

  std::printf("Farm: %d servers x %d sites (odd servers applicationHost.config, even MetaBase.xml)\n", servers, kSites);
  std::printf("Times are processor time of the process; the driver's wall-clock time is in brackets.\n");
  std::printf("driver      %5d pairs  %7.2f s (%.2f s)  %7.1f pairs/s  %6.2f ms per pair (activity log included)\n",
              kPairs, driverSeconds, driverWall, kPairs / driverSeconds, 1000 * driverSeconds / kPairs);
  std::printf("step by step %4d pairs  %7.2f s  %6.2f ms per pair, %.0f report rows per pair\n", kPairs, steps,
              1000 * steps / kPairs, static_cast<double>(rows) / kPairs);
  std::printf("  resolving items %5.1f%%   queries and TmpTable %5.1f%%   grid %5.1f%%   HTML file %5.1f%%\n",
              100 * resolve / steps, 100 * queries / steps, 100 * grid / steps, 100 * file / steps);
  std::printf("standard    17 reports of one site (HTML): %6.2f ms, over %d sites\n", 1000 * standardSeconds,
              standardSites);
  std::printf("a pair costs %.2f times the 17 standard reports of one site\n",
              driverSeconds / kPairs / standardSeconds);
  std::size_t lines = 0;
  if (platform::IsNormalFile(GetAppPath("Log\\QUORVALog.Log"))) {
    platform::TextFile log;
    log.Open(GetAppPath("Log\\QUORVALog.Log"), platform::FileMode::Input);
    while (!log.Eof()) lines += !log.ReadLine().empty();
  }
  std::printf("status log lines: %zu\n", lines);
  fs::remove_all(folder);
  return 0;
}
