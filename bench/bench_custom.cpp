// A level-1 custom report over a generated farm (20 servers of 100 sites by default, 2,000 sites)
// with four tables, beside the standard reports of the same columns (one per table) in the same
// run. Collects the farm once, then writes every server's reports as CSV files and prints reports
// per second and the time per grid row of each kind.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "collect/mCollect.h"
#include "custom/mCustom.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "logs/mLog.h"
#include "RunState.h"
#include "platform/Ado.h"
#include "iis/Components.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "reports/ExportDriver.h"

namespace fs = std::filesystem;

namespace {

int servers = 20, sitesPerServer = 100;

// The four tables of the report and the columns it takes from each.
struct Category {
  const char* table;
  const char* columns;
};
const Category kCategories[] = {{"WebSiteGenInfo", "IP Address,TCP Port,Host Header Name,State"},
                       {"tblHomeDirectory2000", "Path,Read ,Write "},
                       {"tblDefaultDoc", "Documents"},
                       {"tblCustomErrors", "HTTP Error,Type,Contents"}};

// A server of IIS 7 whose sites each have one binding, three default documents and two custom
// errors (set once for the server, so every site inherits them).
void WriteServer(const fs::path& file, int server) {
  std::ofstream out(file);
  out << "<?xml version=\"1.0\"?>\n<configuration><system.applicationHost><sites>\n";
  for (int i = 1; i <= sitesPerServer; ++i)
    out << "<site name=\"Site" << server << "-" << i << "\" id=\"" << i << "\"><application path=\"/\">"
        << "<virtualDirectory path=\"/\" physicalPath=\"E:\\Sites\\" << i << "\"/></application><bindings>"
        << "<binding protocol=\"http\" bindingInformation=\"10.1." << server % 250 << "." << i % 250 << ":80:site" << i
        << ".example\"/></bindings></site>\n";
  out << "</sites></system.applicationHost><system.webServer>"
      << "<defaultDocument><files><add value=\"home.htm\"/><add value=\"index.htm\"/><add value=\"default.aspx\"/>"
      << "</files></defaultDocument><httpErrors><error statusCode=\"403\" path=\"403.htm\"/>"
      << "<error statusCode=\"404\" path=\"404.htm\"/></httpErrors></system.webServer></configuration>\n";
}

std::string Server(int s) { return "FARM" + std::to_string(s); }

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) servers = std::atoi(argv[1]);
  if (argc > 2) sitesPerServer = std::atoi(argv[2]);
  platform::SetErrorReporter(WriteStatusLog);
  fs::path folder = fs::temp_directory_path() / ("quorva-bench-custom-" + std::to_string(::getpid()));
  fs::create_directories(folder / "Log");
  platform::SetAppFolder(folder.string());
  for (int s = 1; s <= servers; ++s) {
    fs::create_directories(folder / "Servers" / Server(s));
    WriteServer(folder / "Servers" / Server(s) / "applicationHost.config", s);
  }

  // The definition: the four column lists and their tables.
  std::string columnLists, tableNames;
  for (const Category& category : kCategories) {
    columnLists += (columnLists.empty() ? "" : "|") + std::string(category.columns);
    tableNames += (tableNames.empty() ? "" : "|") + std::string(category.table);
  }
  CustomReportConfigPath = GetAppPath("QUORVACustomReport_Server.cfg");
  CheckAndCreateDB(CustomReportConfigPath, true);
  {
    platform::ado::Connection definitions;
    OpenConnection(definitions, CustomReportConfigPath);
    definitions.Execute("Create table Farm (ColumnLists text(255), TableNames text(255))");
    definitions.Execute("Insert Into Farm Values ('" + columnLists + "', '" + tableNames + "')");
  }

  CurrentLevel = 1;
  DatabasePath = GetAppPath("VelmoraDatabase.mdb");
  ServerVersion = iis::kServerVersionIIS6AndLater;
  ServerInfoComponent = std::make_shared<iis::ServerInfoComponent>();
  ServerList.clear();
  for (int s = 1; s <= servers; ++s) ServerList.push_back(Server(s));
  CreateDBResource();
  InitConnections();
  auto start = std::chrono::steady_clock::now();
  CollectIISSettings();
  const double collecting = Seconds(start);

  // Every report of the run is one job's: CSV files in the application folder.
  PathList = {"No"};
  FormatList = {"CSV"};
  OptionList = {"0"};
  JobIndex = 0;
  const platform::Grid& grid = frmSchedule().grdReport;

  long customRows = 0, standardRows = 0, standardReports = 0;
  start = std::chrono::steady_clock::now();
  for (const std::string& server : ServerList) {
    ExportCustomReportIntoSelectedFormat("Farm", server, "CSV");
    customRows += grid.Rows() - 1;
  }
  const double custom = Seconds(start);

  start = std::chrono::steady_clock::now();
  for (const std::string& server : ServerList)
    for (const Category& category : kCategories) {
      ExportReportIntoSelectedFormat(category.columns, "", category.table, category.table, server);
      standardRows += grid.Rows() - 1;
      ++standardReports;
    }
  const double standard = Seconds(start);

  std::printf("Farm: %d servers x %d sites, collected in %.2f s\n", servers, sitesPerServer, collecting);
  std::printf("custom   %5zu reports  %7.3f s  %8.1f reports/s  %7ld grid rows  %7.2f us per row\n", ServerList.size(),
              custom, static_cast<double>(ServerList.size()) / custom, customRows, 1e6 * custom / customRows);
  std::printf("standard %5ld reports  %7.3f s  %8.1f reports/s  %7ld grid rows  %7.2f us per row\n", standardReports,
              standard, static_cast<double>(standardReports) / standard, standardRows, 1e6 * standard / standardRows);
  std::printf("custom / standard per row: %.2f (aim: at most 2)\n",
              (custom / customRows) / (standard / standardRows));
  // A custom report runs one query per site and table, a standard one per table and server.
  const long customQueries = servers * (1 + sitesPerServer * static_cast<long>(std::size(kCategories)));
  std::printf("queries: custom %ld (%.1f us each), standard %ld\n", customQueries, 1e6 * custom / customQueries,
              standardReports);
  std::size_t errors = 0;
  if (platform::IsNormalFile(GetAppPath("Log\\QUORVALog.Log"))) {
    platform::TextFile log;
    log.Open(GetAppPath("Log\\QUORVALog.Log"), platform::FileMode::Input);
    while (!log.Eof()) errors += !log.ReadLine().empty();
  }
  std::printf("status log lines: %zu\n", errors);
  fs::remove_all(folder);
  return 0;
}
