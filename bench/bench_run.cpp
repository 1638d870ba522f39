// A whole farm's run: generates a farm and a schedule that uses every level, every format and
// every report kind the program has, runs the real program on it as a process (one run per level,
// so each level's time stands alone), and measures in the same run the floor of that work: reading
// and parsing every snapshot, inserting as many rows as the level left in the settings database
// with SQLite's bulk insert, making the same export databases with their tables and rows in one
// transaction each, and writing as many report bytes in as many files with plain writes.
//
//   bench_run [servers [sites [directories]]] [--big-server N] [--keep]
//
// --big-server adds one more server of N sites (applicationHost.config) to the web-server level.
// --keep leaves the application folder in place, each level's schedule kept as
// ScheduleInfo/level<N>.ini, so that single levels can be run and profiled again.
// Before it, the same run against a second floor that adds the steps the program may not leave out
// (a transaction per report, files renamed once whole, the logs of every job and report).
// The last line is "run / floor: X.XX".
#include <fcntl.h>
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
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "Farm.h"
#include "RunState.h"
#include "collect/mCollect.h"
#include "config/mIniOperation.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "logs/mLog.h"
#include "platform/Ado.h"
#include "platform/Err.h"
#include "platform/Files.h"

namespace fs = std::filesystem;
using farm::Server;
using farm::SiteName;

namespace {

struct FarmSize {
  int servers = 200, sites = 10, directories = 5;
};

std::string DirectoryName(int d) { return "app" + std::to_string(d); }

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

const char* const kSections[] = {"WebServer", "WebSite", "VirtualDirectory", "WebSiteComp", "VirtualDirectoryComp"};
const char* const kFormats[] = {"HTML", "CSV", "MDB"};
const std::string kBigServer = "BIG1";

// One job of a schedule section.
struct Job {
  std::string server, tab, format;
};

// A schedule with one level's jobs and the other sections empty; long lists get their lengths in
// the Length section.
void WriteSchedule(const fs::path& file, int level, const std::vector<Job>& jobs, const std::string& outFolder) {
  std::vector<std::pair<std::string, std::string>> keys = {{"Printername", ""}, {"Server", ""}, {"Tab", ""},
                                                           {"Format", ""},      {"Option", ""}, {"Path", ""},
                                                           {"Custom", ""},      {"Time", ""}};
  for (const Job& job : jobs) {
    keys[0].second += "PDF|";
    keys[1].second += job.server + "|";
    keys[2].second += job.tab + "|";
    keys[3].second += job.format + "|";
    keys[4].second += "0|";
    keys[5].second += outFolder + "|";
    keys[6].second += "No|";
    keys[7].second += "12/5/2026 1:00:00 AM|";
  }
  std::ofstream out(file, std::ios::binary);
  for (int l = 1; l <= 5; ++l) {
    out << "[" << kSections[l - 1] << "]\r\n";
    if (l == level)
      for (const auto& [key, value] : keys) out << key << "=" << value << "\r\n";
  }
  out << "[Length]\r\n";
  for (const auto& [key, value] : keys) out << key << "=" << value.size() << "\r\n";
}

// The jobs of a level over the farm: every server with all seventeen tabs, every site with four
// tabs, every directory with three, and per server a site pair and a directory pair, one of them
// across the two snapshot formats (odd and even servers). Formats take turns.
std::vector<Job> Jobs(int level, const FarmSize& size, int bigServerSites) {
  std::vector<Job> jobs;
  int turn = 0;
  auto add = [&](const std::string& server, const std::string& tab) {
    jobs.push_back({server, tab, kFormats[turn++ % 3]});
  };
  for (int s = 1; s <= size.servers; ++s) {
    const std::string server = Server(s), next = Server(s % size.servers + 1);
    switch (level) {
      case 1: add(server, "1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16\\17"); break;
      case 2:
        for (int i = 1; i <= size.sites; ++i) add(server + "\\" + SiteName(i), "1\\4\\7\\9");
        break;
      case 3:
        for (int i = 1; i <= size.sites; ++i)
          for (int d = 1; d <= size.directories; ++d)
            add(server + "\\" + SiteName(i) + "\\" + DirectoryName(d), "1\\2\\7");
        break;
      case 4:
        add("Pair" + std::to_string(s) + "(1\\" + server + "\\" + SiteName(1) + ",2\\" + next + "\\" + SiteName(2) + ")",
            "");
        break;
      case 5:
        if (size.directories > 0)
          add("Dirs" + std::to_string(s) + "(1\\" + server + "\\" + SiteName(1) + "\\" + DirectoryName(1) + ",2\\" +
                  next + "\\" + SiteName(1) + "\\" + DirectoryName(1) + ")",
              "");
        break;
    }
  }
  if (level == 1 && bigServerSites > 0) add(kBigServer, "1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16\\17");
  return jobs;
}

// Runs the program; its exit code, and the processor time it took (user and system) in cpu:
// on a machine shared with other work that figure moves less than the elapsed time.
int Run(const std::string& program, double& cpu) {
  pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Rows in all tables of a database file.
long RowsIn(const fs::path& file) {
  sqlite3* db = nullptr;
  long rows = 0;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    std::vector<std::string> tables;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table'", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    for (const std::string& t : tables) {
      sqlite3_prepare_v2(db, ("SELECT count(*) FROM [" + t + "]").c_str(), -1, &st, nullptr);
      if (sqlite3_step(st) == SQLITE_ROW) rows += sqlite3_column_int64(st, 0);
      sqlite3_finalize(st);
    }
  }
  sqlite3_close(db);
  return rows;
}

// An export database a level made: its tables and rows.
struct ExportFile {
  long tables = 0, rows = 0;
};

struct Output {
  long files = 0, textFiles = 0;
  std::vector<uintmax_t> textSizes;
  std::vector<ExportFile> exports;
  long exportRows = 0;
};

long TablesIn(const fs::path& file) {
  sqlite3* db = nullptr;
  long tables = 0;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type='table'", -1, &st, nullptr);
    if (sqlite3_step(st) == SQLITE_ROW) tables = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return tables;
}

Output Outputs(const fs::path& folder) {
  Output out;
  for (const auto& entry : fs::directory_iterator(folder)) {
    ++out.files;
    std::string ext = entry.path().extension().string();
    if (ext == ".mdb") {
      ExportFile file{TablesIn(entry.path()), RowsIn(entry.path())};
      out.exports.push_back(file);
      out.exportRows += file.rows;
    } else {
      ++out.textFiles;
      out.textSizes.push_back(entry.file_size());
    }
  }
  return out;
}

// The rows a level's collection leaves in the settings database, gathered in this process from
// the same schedule (the program's own run re-creates the tables at every later level).
long CollectedRows(const fs::path& app, int level) {
  platform::SetAppFolder(app.string());
  CurrentLevel = static_cast<short>(level);
  InitSchedular();
  CreateDBResource();
  InitConnections();
  CollectIISSettings();
  SettingsConnection.reset();
  // What the settings database holds back is written now: the program's run opens it next.
  platform::ado::CommitHeldWrites();
  return RowsIn(app / "VelmoraDatabase.mdb");
}

// Floor: every snapshot read and parsed once.
double ParseFloor(const fs::path& app) {
  auto start = Clock::now();
  for (const auto& server : fs::directory_iterator(app / "Servers"))
    for (const auto& file : fs::directory_iterator(server.path())) {
      pugi::xml_document doc;
      doc.load_file(file.path().c_str());
    }
  return Seconds(start);
}

// A table of nine text columns, and rows of nine values inserted with one prepared statement.
void CreateTable(sqlite3* db, const std::string& table) {
  sqlite3_exec(db, ("CREATE TABLE " + table + "(a TEXT,b TEXT,c TEXT,d TEXT,e TEXT,f TEXT,g TEXT,h TEXT,i TEXT)").c_str(),
               nullptr, nullptr, nullptr);
}
void InsertRows(sqlite3* db, const std::string& table, long rows) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, ("INSERT INTO " + table + " VALUES(?,?,?,?,?,?,?,?,?)").c_str(), -1, &st, nullptr);
  for (long r = 0; r < rows; ++r) {
    std::string v = "value " + std::to_string(r);
    for (int c = 1; c <= 9; ++c) sqlite3_bind_text(st, c, v.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
}

// Floor: the rows in one table, in one transaction.
double BulkFloor(const fs::path& file, long rows) {
  fs::remove(file);
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  CreateTable(db, "t");
  auto start = Clock::now();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  InsertRows(db, "t", rows);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  double seconds = Seconds(start);
  sqlite3_close(db);
  fs::remove(file);
  return seconds;
}

// Floor: the same export databases, each made with its tables and rows in one transaction.
double ExportFloor(const fs::path& folder, const std::vector<ExportFile>& files) {
  fs::create_directories(folder);
  auto start = Clock::now();
  long n = 0;
  for (const ExportFile& file : files) {
    sqlite3* db = nullptr;
    sqlite3_open((folder / ("e" + std::to_string(n++) + ".db")).c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (long t = 0; t < file.tables; ++t) CreateTable(db, "t" + std::to_string(t));
    if (file.tables > 0) InsertRows(db, "t0", file.rows);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  double seconds = Seconds(start);
  fs::remove_all(folder);
  return seconds;
}

// Floor: the same number of text files of the same sizes, each written with one plain write.
double FileFloor(const fs::path& folder, const std::vector<uintmax_t>& sizes) {
  fs::create_directories(folder);
  auto start = Clock::now();
  long n = 0;
  for (uintmax_t size : sizes) {
    std::string bytes(size, 'x');
    std::FILE* f = std::fopen((folder / ("f" + std::to_string(n++))).c_str(), "wb");
    if (!f) continue;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  double seconds = Seconds(start);
  fs::remove_all(folder);
  return seconds;
}

// Floor of the steps the program may not leave out, which the floor above does not count: an
// export database's reports are one transaction each (its tables share the rows); a report file
// is written under a temporary name and renamed once whole; every job rewrites its activity log's
// header, and every report adds an activity line and rewrites the internal log.
double RequiredFloor(const fs::path& folder, const Output& output, size_t jobs) {
  fs::create_directories(folder);
  auto start = Clock::now();
  long n = 0;
  for (const ExportFile& file : output.exports) {
    sqlite3* db = nullptr;
    sqlite3_open((folder / ("e" + std::to_string(n++) + ".db")).c_str(), &db);
    for (long t = 0; t < file.tables; ++t) {
      sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
      CreateTable(db, "t" + std::to_string(t));
      InsertRows(db, "t" + std::to_string(t), file.rows / file.tables + (t < file.rows % file.tables));
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
  }
  for (uintmax_t size : output.textSizes) {
    const fs::path name = folder / ("f" + std::to_string(n++));
    std::string bytes(size, 'x');
    std::FILE* f = std::fopen((name.string() + ".part").c_str(), "wb");
    if (!f) continue;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    std::rename((name.string() + ".part").c_str(), name.c_str());
  }
  long reports = static_cast<long>(output.textSizes.size());
  for (const ExportFile& file : output.exports) reports += file.tables;
  const std::string header(900, 'h'), line(200, 'a'), intLog(60, 'i');
  const std::string activity = (folder / "activity.htm").string(), internal = (folder / "IntLog.log").string();
  auto rewrite = [](const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0) return;
    if (::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()))
      (void)!::ftruncate(fd, static_cast<off_t>(text.size()));
    ::close(fd);
  };
  for (size_t j = 0; j < jobs; ++j) rewrite(activity, header);
  for (long r = 0; r < reports; ++r) {
    if (std::FILE* f = std::fopen(activity.c_str(), "ab")) {
      std::fwrite(line.data(), 1, line.size(), f);
      std::fclose(f);
    }
    rewrite(internal, intLog);
  }
  double seconds = Seconds(start);
  fs::remove_all(folder);
  return seconds;
}

long LinesOf(const fs::path& file) {
  std::ifstream in(file);
  long n = 0;
  for (std::string line; std::getline(in, line);) n += !line.empty();
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  FarmSize size;
  int bigServerSites = 0;
  bool keep = false;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--big-server") == 0 && i + 1 < argc)
      bigServerSites = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--keep") == 0)
      keep = true;
    else
      sizes.push_back(std::atoi(argv[i]));
  }
  if (sizes.size() > 0) size.servers = sizes[0];
  if (sizes.size() > 1) size.sites = sizes[1];
  if (sizes.size() > 2) size.directories = sizes[2];

  fs::path app = fs::temp_directory_path() / ("quorva-run-" + std::to_string(::getpid()));
  fs::create_directories(app / "ScheduleInfo");
  fs::create_directories(app / "Log");
  platform::SetErrorReporter(WriteStatusLog);
  farm::WriteFarm(app, size.servers, size.sites, size.directories);
  if (bigServerSites > 0) {
    fs::create_directories(app / "Servers" / kBigServer);
    farm::WriteApplicationHost(app / "Servers" / kBigServer / "applicationHost.config", bigServerSites, 0);
  }
  const fs::path program = app / "QUORVASchedule";
  fs::copy_file(QUORVA_PROGRAM, program);

  std::printf("Farm: %d servers x %d sites x %d directories%s\n", size.servers, size.sites, size.directories,
              bigServerSites > 0 ? (" + one server of " + std::to_string(bigServerSites) + " sites").c_str() : "");
  std::printf("%-22s %6s %9s %7s %9s %8s %9s %9s %7s %6s\n", "level", "jobs", "run s", "cpu s", "ms/job", "files",
              "rows", "floor s", "ratio", "log");
  double runTotal = 0, floorTotal = 0, requiredTotal = 0;
  const double parse = ParseFloor(app);
  for (int level = 1; level <= 5; ++level) {
    std::vector<Job> jobs = Jobs(level, size, bigServerSites);
    const fs::path out = app / ("out" + std::to_string(level));
    fs::create_directories(out);
    WriteSchedule(app / "ScheduleInfo" / "ScheduleConfig.ini", level, jobs, out.string());
    if (keep)
      fs::copy_file(app / "ScheduleInfo" / "ScheduleConfig.ini",
                    app / "ScheduleInfo" / ("level" + std::to_string(level) + ".ini"),
                    fs::copy_options::overwrite_existing);
    const long collected = CollectedRows(app, level);
    fs::remove(app / "Log" / "QUORVALog.Log");
    auto start = Clock::now();
    double cpu = 0;
    int rc = Run(program.string(), cpu);
    double run = Seconds(start);
    const long rows = collected;
    Output output = Outputs(out);
    // Two lines are the run's own (Started, Finished); the rest are errors.
    long logLines = LinesOf(app / "Log" / "QUORVALog.Log") - 2;
    const double common = parse + BulkFloor(app / "floor.db", rows);
    const double floor =
        common + ExportFloor(app / "floor-exports", output.exports) + FileFloor(app / "floor", output.textSizes);
    const double required = common + RequiredFloor(app / "floor-required", output, jobs.size());
    runTotal += run;
    floorTotal += floor;
    requiredTotal += required;
    std::printf("%-22s %6zu %9.2f %7.2f %9.2f %8ld %9ld %9.2f %7.2f %6ld%s\n", kSections[level - 1], jobs.size(), run, cpu,
                jobs.empty() ? 0.0 : 1000 * run / static_cast<double>(jobs.size()), output.files,
                rows + output.exportRows, floor, run / floor, logLines,
                rc == 0 ? "" : ("  exit " + std::to_string(rc)).c_str());
  }
  std::printf("total run %.2f s, floor %.2f s (parsing %.2f s per level)\n", runTotal, floorTotal, parse);
  std::printf("floor with the steps the program may not leave out %.2f s: run / that floor: %.2f\n", requiredTotal,
              runTotal / requiredTotal);
  std::printf("run / floor: %.2f\n", runTotal / floorTotal);
  if (keep)
    std::printf("kept %s\n", app.c_str());
  else
    fs::remove_all(app);
  return 0;
}
