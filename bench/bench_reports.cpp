// Standard reports of a generated farm: one web-site job per site (2,000 sites: 200 servers of 10
// by default), every job with all 17 tabs (the Application tab gives five reports), run once per
// format. Beside each run, the floor for the same output measured in the same process: the same
// report files written with plain file writes, or the same export databases made with SQLite's
// own API (one prepared insert per table in one transaction). Prints reports per second and the
// ratio to the floor.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Farm.h"
#include "collect/mCollect.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "logs/mLog.h"
#include "RunState.h"
#include "iis/Components.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "reports/ExportDriver.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct File {
  std::string path, bytes;
};

// Takes the report files of a folder into memory and deletes them.
std::vector<File> TakeFiles(const fs::path& folder) {
  std::vector<File> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    files.push_back({entry.path().string(), platform::ReadAllBytes(entry.path().string())});
    fs::remove(entry.path());
  }
  return files;
}

// The floor of the text formats: every file written again with one fopen, fwrite and fclose.
double WriteFiles(const std::vector<File>& files) {
  auto start = Clock::now();
  for (const File& file : files) {
    std::FILE* f = std::fopen(file.path.c_str(), "wb");
    std::fwrite(file.bytes.data(), 1, file.bytes.size(), f);
    std::fclose(f);
  }
  return Seconds(start);
}

struct Table {
  std::string name, create;
  int columns = 0;
  std::vector<std::vector<std::string>> rows;
};
struct Database {
  std::string path;
  std::vector<Table> tables;
};

// Takes the export databases of a folder (their tables' definitions and rows) into memory and
// deletes them.
std::vector<Database> TakeDatabases(const fs::path& folder) {
  std::vector<Database> databases;
  for (const auto& entry : fs::directory_iterator(folder)) {
    Database database{entry.path().string(), {}};
    sqlite3* db = nullptr;
    sqlite3_open_v2(database.path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* tables = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY rowid", -1, &tables,
                       nullptr);
    while (sqlite3_step(tables) == SQLITE_ROW) {
      Table table{reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)),
                  reinterpret_cast<const char*>(sqlite3_column_text(tables, 1)), 0, {}};
      std::string select = "SELECT * FROM [" + table.name + "]";
      sqlite3_stmt* rows = nullptr;
      sqlite3_prepare_v2(db, select.c_str(), -1, &rows, nullptr);
      table.columns = sqlite3_column_count(rows);
      while (sqlite3_step(rows) == SQLITE_ROW) {
        table.rows.emplace_back();
        for (int c = 0; c < table.columns; ++c)
          table.rows.back().emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(rows, c)));
      }
      sqlite3_finalize(rows);
      database.tables.push_back(std::move(table));
    }
    sqlite3_finalize(tables);
    sqlite3_close(db);
    fs::remove(entry.path());
    databases.push_back(std::move(database));
  }
  return databases;
}

// The floor of the export databases: each file made anew with SQLite's defaults, each table
// created and filled in one transaction through one prepared statement.
double WriteDatabases(const std::vector<Database>& databases) {
  auto start = Clock::now();
  for (const Database& database : databases) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(database.path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    for (const Table& table : database.tables) {
      sqlite3_exec(db, table.create.c_str(), nullptr, nullptr, nullptr);
      std::string insert = "INSERT INTO [" + table.name + "] VALUES(?";
      for (int c = 1; c < table.columns; ++c) insert += ",?";
      insert += ")";
      sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
      sqlite3_stmt* stmt = nullptr;
      sqlite3_prepare_v2(db, insert.c_str(), -1, &stmt, nullptr);
      for (const auto& row : table.rows) {
        for (int c = 0; c < table.columns; ++c)
          sqlite3_bind_text(stmt, c + 1, row[size_t(c)].c_str(), -1, SQLITE_STATIC);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
      }
      sqlite3_finalize(stmt);
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
  }
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  // Command line: servers, sites per server, and one format to run alone.
  const int servers = argc > 1 ? std::atoi(argv[1]) : 200, sitesPerServer = argc > 2 ? std::atoi(argv[2]) : 10;
  const std::string only = argc > 3 ? argv[3] : "";
  platform::SetErrorReporter(WriteStatusLog);
  fs::path folder = fs::temp_directory_path() / ("quorva-bench-reports-" + std::to_string(::getpid()));
  fs::create_directories(folder / "Log");
  platform::SetAppFolder(folder.string());
  std::vector<std::string> sites;
  farm::WriteFarm(folder, servers, sitesPerServer, 0);
  for (int s = 1; s <= servers; ++s)
    for (int i = 1; i <= sitesPerServer; ++i) sites.push_back(farm::Server(s) + "\\" + farm::SiteName(i));
  DatabasePath = GetAppPath("VelmoraDatabase.mdb");
  ServerVersion = iis::kServerVersionIIS6AndLater;
  ServerInfoComponent = std::make_shared<iis::ServerInfoComponent>();
  CurrentLevel = 2;
  CreateDBResource();
  InitConnections();
  ServerList = sites;
  auto collected = Clock::now();
  CollectIISSettings();
  std::printf("Farm: %d servers x %d sites, collected in %.1f s; %zu web-site jobs x 17 tabs (21 reports each)\n",
              servers, sitesPerServer, Seconds(collected), sites.size());

  const size_t jobs = sites.size();
  auto list = [&](const std::string& value) { return List(jobs, value); };
  TabList = list("1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16\\17");
  OptionList = list("0"), CustomList = list("No"), PrinterNameList = list("PDF");
  std::printf("%-6s %8s %10s %12s %12s %7s\n", "format", "reports", "seconds", "reports/s", "floor rep/s", "ratio");
  for (const char* format : {"HTML", "CSV", "MDB"}) {
    if (!only.empty() && only != format) continue;
    fs::path out = folder / format;
    fs::create_directories(out);
    FormatList = list(format), PathList = list(out.string());
    auto start = Clock::now();
    ExportIISSettings();
    double seconds = Seconds(start);
    const double reports = 21.0 * double(jobs);
    double floor = 0;
    if (std::string(format) == "MDB")
      floor = WriteDatabases(TakeDatabases(out));
    else
      floor = WriteFiles(TakeFiles(out));
    std::printf("%-6s %8.0f %10.2f %12.0f %12.0f %7.2f\n", format, reports, seconds, reports / seconds, reports / floor,
                seconds / floor);
    fs::remove_all(out);
  }
  std::size_t lines = 0;
  if (platform::IsNormalFile(GetAppPath("Log\\QUORVALog.Log"))) {
    platform::TextFile log(GetAppPath("Log\\QUORVALog.Log"), platform::FileMode::Input);
    while (!log.Eof()) lines += !log.ReadLine().empty();
  }
  std::printf("status log lines: %zu\n", lines);
  fs::remove_all(folder);
  return 0;
}
