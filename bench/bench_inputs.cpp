// Huge inputs on the report side, each a run of the real program as a process: its elapsed time
// and peak memory (resident) as the input grows.
//
//   bench_inputs [restrictions N ...] [copies N ...] [--program PATH]
//
// restrictions: one site of an applicationHost.config with N address restrictions (half of them
// granted), its Restricted IP Address report at the web-site level as CSV.
// copies: a custom report of N copies of a column of two rows a site (the default documents),
// each copy a table of its own, over a server of 10 sites at the web-server level as CSV: a grid
// of about 20 N rows by N columns whose cells are nearly all empty.
// Without sizes: restrictions 2000 8000 20000, copies 300 1000 3000. --program runs another build
// of the program (an earlier one, for figures before a change).
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Farm.h"

namespace fs = std::filesystem;

namespace {

const int kCopySites = 10;

std::string Address(int i) {
  return "10." + std::to_string(i / 65536 % 256) + "." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
}

void WriteRestrictions(const fs::path& file, int entries) {
  std::ofstream out(file);
  out << "<?xml version=\"1.0\"?>\n<configuration><system.applicationHost><sites><site name=\"Big\" id=\"1\">"
      << "<application path=\"/\"><virtualDirectory path=\"/\" physicalPath=\"D:\\Web\"/></application>"
      << "<bindings><binding protocol=\"http\" bindingInformation=\"*:80:\"/></bindings></site></sites>"
      << "</system.applicationHost>\n<location path=\"Big\"><system.webServer><security><ipSecurity>\n";
  for (int i = 0; i < entries; ++i)
    out << "<add ipAddress=\"" << Address(i) << "\" subnetMask=\"255.255.255.255\" allowed=\""
        << (i % 2 ? "true" : "false") << "\"/>\n";
  out << "</ipSecurity></security></system.webServer></location></configuration>\n";
}

void WriteCopies(const fs::path& file, int copies) {
  std::string columns = "Documents", tables = "tblDefaultDoc";
  for (int i = 1; i < copies; ++i) columns += "|Documents", tables += "|tblDefaultDoc";
  fs::remove(file);
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_exec(db, ("CREATE TABLE Copies (c TEXT, t TEXT); INSERT INTO Copies VALUES ('" + columns + "', '" +
                    tables + "')").c_str(),
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

// A schedule with one job at the level's section.
void WriteSchedule(const fs::path& file, int level, const std::string& server, const std::string& tab,
                   const std::string& custom) {
  const char* const sections[] = {"WebServer", "WebSite", "VirtualDirectory", "WebSiteComp", "VirtualDirectoryComp"};
  std::ofstream out(file, std::ios::binary);
  for (int l = 1; l <= 5; ++l) {
    out << "[" << sections[l - 1] << "]\r\n";
    if (l != level) continue;
    out << "Printername=X|\r\nServer=" << server << "|\r\nTab=" << tab << "|\r\nFormat=CSV|\r\nOption=0|\r\n"
        << "Path=No|\r\nCustom=" << custom << "|\r\nTime=x|\r\n";
  }
}

struct Figures {
  double seconds = 0;
  long peakKb = 0;
  int exitCode = 0;
  uintmax_t reportBytes = 0;
};

// Runs the program once in the folder; its report is deleted after its size is taken.
Figures Run(const fs::path& app) {
  Figures figures;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    const std::string program = (app / "QUORVASchedule").string();
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  figures.peakKb = usage.ru_maxrss;
  figures.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  for (const auto& entry : fs::directory_iterator(app))
    if (entry.path().extension() == ".csv") {
      figures.reportBytes += entry.file_size();
      fs::remove(entry.path());
    }
  return figures;
}

void Print(const char* what, int n, const Figures& f) {
  std::printf("%-13s %7d: %8.2f s  peak %8.1f MB  report %9.1f MB%s\n", what, n, f.seconds, f.peakKb / 1024.0,
              static_cast<double>(f.reportBytes) / 1e6,
              f.exitCode ? (" exit " + std::to_string(f.exitCode)).c_str() : "");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> restrictions, copies;
  std::vector<int>* into = nullptr;
  std::string program = QUORVA_PROGRAM;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc)
      program = argv[++i];
    else if (std::strcmp(argv[i], "restrictions") == 0)
      into = &restrictions;
    else if (std::strcmp(argv[i], "copies") == 0)
      into = &copies;
    else if (into)
      into->push_back(std::atoi(argv[i]));
  }
  if (restrictions.empty() && copies.empty()) restrictions = {2000, 8000, 20000}, copies = {300, 1000, 3000};

  const fs::path app = fs::temp_directory_path() / ("quorva-inputs-" + std::to_string(::getpid()));
  fs::create_directories(app / "ScheduleInfo");
  fs::create_directories(app / "Log");
  fs::create_directories(app / "Servers" / "BIG");
  fs::create_directories(app / "Servers" / "SRV1");
  fs::copy_file(program, app / "QUORVASchedule");
  farm::WriteApplicationHost(app / "Servers" / "SRV1" / "applicationHost.config", kCopySites, 0);

  for (int n : restrictions) {
    WriteRestrictions(app / "Servers" / "BIG" / "applicationHost.config", n);
    WriteSchedule(app / "ScheduleInfo" / "ScheduleConfig.ini", 2, "BIG\\Big", "7", "No");
    Print("restrictions", n, Run(app));
  }
  for (int n : copies) {
    WriteCopies(app / "QUORVACustomReport_Server.cfg", n);
    WriteSchedule(app / "ScheduleInfo" / "ScheduleConfig.ini", 1, "SRV1", "1", "Copies");
    Print("copies", n, Run(app));
  }
  fs::remove_all(app);
  return 0;
}
