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

#include "collect/mCollect.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "iis/Components.h"
#include "iis/IisConfig.h"
#include "logs/mLog.h"
#include "mMain.h"
#include "platform/Err.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

namespace {

// The farm's size; the defaults can be changed on the command line: servers sites directories.
int kServers = 200, kSites = 10, kDirectories = 5;

std::string Server(int s) { return "SRV" + std::to_string(s); }
std::string SiteName(int i) { return "Site " + std::to_string(i) + (i % 3 == 0 ? " O'Neil" : ""); }

void WriteApplicationHost(const fs::path& file) {
  std::ofstream out(file);
  out << "<?xml version=\"1.0\"?>\n<configuration>\n<system.applicationHost><sites>\n";
  for (int i = 1; i <= kSites; ++i) {
    out << "<site name=\"" << SiteName(i) << "\" id=\"" << i << "\">\n<application path=\"/\">"
        << "<virtualDirectory path=\"/\" physicalPath=\"D:\\Web\\" << i << "\"/></application>\n";
    for (int d = 1; d <= kDirectories; ++d)
      out << "<application path=\"/app" << d << "\"><virtualDirectory path=\"/\" physicalPath=\"D:\\Web\\" << i
          << "\\app" << d << "\"/></application>\n";
    out << "<bindings><binding protocol=\"http\" bindingInformation=\"*:" << 8000 + i << ":\"/>"
        << "<binding protocol=\"https\" bindingInformation=\"*:" << 9000 + i << ":\"/></bindings>\n</site>\n";
  }
  out << "</sites></system.applicationHost>\n<system.webServer>"
      << "<handlers accessPolicy=\"Read, Script\"><add name=\"ASP\" path=\"*.asp\" verb=\"GET,POST\" "
         "scriptProcessor=\"asp.dll\"/></handlers>"
      << "<defaultDocument><files><add value=\"Default.htm\"/><add value=\"index.html\"/></files></defaultDocument>"
      << "<httpErrors><error statusCode=\"404\" path=\"404.htm\"/><error statusCode=\"500\" path=\"500.htm\"/>"
         "</httpErrors>"
      << "<httpProtocol><customHeaders><add name=\"X-Powered-By\" value=\"ASP.NET\"/></customHeaders></httpProtocol>"
      << "</system.webServer>\n";
  for (int i = 1; i <= kSites; ++i)
    out << "<location path=\"" << SiteName(i) << "\"><system.webServer><security><ipSecurity>"
        << "<add ipAddress=\"10.0." << i << ".0\" subnetMask=\"255.255.255.0\" allowed=\"true\"/>"
        << "<add domainName=\"bad" << i << ".example\"/></ipSecurity></security></system.webServer></location>\n";
  out << "</configuration>\n";
}

void WriteMetabase(const fs::path& file) {
  std::ofstream out(file);
  out << "<?xml version=\"1.0\"?>\n<configuration><MBProperty>\n"
      << "<IIsWebService Location=\"/LM/W3SVC\" AccessFlags=\"AccessRead | AccessScript\" AuthFlags=\"AuthAnonymous\" "
         "ScriptMaps=\".asp,asp.dll,5,GET,POST\n.cer,asp.dll,5,GET\" HttpCustomHeaders=\"X-Powered-By: ASP.NET\" "
         "HttpErrors=\"404,*,FILE,404.htm\n500,*,FILE,500.htm\"/>\n";
  for (int i = 1; i <= kSites; ++i) {
    out << "<IIsWebServer Location=\"/LM/W3SVC/" << i << "\" ServerComment=\"" << SiteName(i)
        << "\" ServerBindings=\":" << 8000 + i << ":\" SecureBindings=\":" << 9000 + i << ":\"/>\n"
        << "<IIsWebVirtualDir Location=\"/LM/W3SVC/" << i << "/ROOT\" Path=\"D:\\Web\\" << i
        << "\" AppRoot=\"/LM/W3SVC/" << i << "/ROOT\" IPGrant=\"10.0." << i << ".0, 255.255.255.0\" DomainDeny=\"bad"
        << i << ".example\"/>\n";
    for (int d = 1; d <= kDirectories; ++d)
      out << "<IIsWebVirtualDir Location=\"/LM/W3SVC/" << i << "/ROOT/app" << d << "\" Path=\"D:\\Web\\" << i
          << "\\app" << d << "\" AppRoot=\"/LM/W3SVC/" << i << "/ROOT/app" << d << "\"/>\n";
  }
  out << "</MBProperty></configuration>\n";
}

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
  for (int s = 1; s <= kServers; ++s) {
    fs::create_directories(folder / "Servers" / Server(s));
    if (s % 2)
      WriteApplicationHost(folder / "Servers" / Server(s) / "applicationHost.config");
    else
      WriteMetabase(folder / "Servers" / Server(s) / "MetaBase.xml");
  }
  DatabasePath = GetAppPath("VelmoraDatabase.mdb");
  ServerVersion = iis::kServerVersionIIS6AndLater;
  ServerInfoComponent = std::make_shared<iis::ServerInfoComponent>();

  std::vector<std::string> sites, directories;
  for (int s = 1; s <= kServers; ++s)
    for (int i = 1; i <= kSites; ++i) {
      sites.push_back(Server(s) + "\\" + SiteName(i));
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
