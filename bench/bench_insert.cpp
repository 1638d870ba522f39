// Inserts 100,000 category rows into a settings table the way the collectors do, one Execute
// per row through the data-access layer, into the settings database and, in one transaction as a
// report writes them, into an export database; beside it the same rows through SQLite's own API
// in one transaction with one prepared statement. Prints rows per second and the ratios.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "platform/Ado.h"
#include "platform/Text.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The values of one row of the general category: site index, the seven labels, the server.
std::vector<std::string> RowValues(long row) {
  std::string site = std::to_string(row % 5000 + 1);
  return {site, "10.0." + std::to_string(row % 250) + "." + std::to_string(row % 200), "80", "site" + site + ".example",
          "False", "1000", "120", "Started", "WEB" + std::to_string(row % 7)};
}

// Rows per second of n single-row Execute calls on a connection to path; in one transaction of
// the caller's when asked, as a report's rows go into an export database.
double LayerRate(const std::string& path, const std::string& table, long rows, bool transaction) {
  platform::ado::Connection connection;
  connection.Provider = kJetProvider;
  connection.Open(path);
  auto start = Clock::now();
  if (transaction) connection.Execute("BEGIN TRANSACTION");
  for (long i = 0; i < rows; ++i) {
    std::vector<std::string> values = RowValues(i);
    for (std::string& v : values) v = "'" + platform::QuoteSql(v) + "'";
    connection.Execute("Insert Into [" + table + "] Values(" + platform::Join(values, ",") + ")", -1);
  }
  if (transaction) connection.Execute("COMMIT TRANSACTION");
  double rate = rows / Seconds(start);
  connection.Close();
  return rate;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 100000;
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "quorva-bench-insert";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);

  std::string table, key;
  std::string labels = GetQueryForProcessing(1, 0, 1, table, key);
  std::string create = ConstructQueryForTableCreating(labels, table, true);

  // The settings database: a scratch store, as CreateDBResource and InitConnections make it.
  std::string scratch = (folder / "VelmoraDatabase.mdb").string();
  platform::ado::RegisterScratchDatabase(scratch);
  CheckAndCreateDB(scratch, false);
  {
    platform::ado::Connection connection;
    OpenConnection(connection, scratch);
    connection.Execute(create);
  }
  double layer = LayerRate(scratch, table, rows, false);

  // The same inserts on a file that is not a scratch store (an export database), in one
  // transaction as a report writes them.
  std::string safe = (folder / "QUORVAExportDb_bench.mdb").string();
  CheckAndCreateDB(safe, false);
  {
    platform::ado::Connection connection;
    OpenConnection(connection, safe);
    connection.Execute(create);
  }
  double layerSafe = LayerRate(safe, table, rows, true);

  // SQLite alone: the same table, one transaction, one prepared statement.
  std::string bulk = (folder / "bulk.db").string();
  sqlite3* db = nullptr;
  sqlite3_open(bulk.c_str(), &db);
  platform::ado::CommitHeldWrites();  // the table's definition is read outside the layer
  sqlite3* source = nullptr;
  sqlite3_open(scratch.c_str(), &source);
  sqlite3_stmt* schema = nullptr;
  sqlite3_prepare_v2(source, "SELECT sql FROM sqlite_master WHERE name = ?", -1, &schema, nullptr);
  sqlite3_bind_text(schema, 1, table.c_str(), -1, SQLITE_TRANSIENT);
  std::string schemaSql = sqlite3_step(schema) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(schema, 0)) : "";
  sqlite3_finalize(schema);
  sqlite3_close(source);
  sqlite3_exec(db, schemaSql.c_str(), nullptr, nullptr, nullptr);
  auto start = Clock::now();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, ("INSERT INTO [" + table + "] VALUES(?,?,?,?,?,?,?,?,?)").c_str(), -1, &insert, nullptr);
  for (long i = 0; i < rows; ++i) {
    std::vector<std::string> values = RowValues(i);
    for (size_t c = 0; c < values.size(); ++c)
      sqlite3_bind_text(insert, static_cast<int>(c + 1), values[c].c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  double sqlite = rows / Seconds(start);
  sqlite3_close(db);

  std::printf("rows: %ld into [%s] (%zu columns)\n", rows, table.c_str(), RowValues(0).size());
  std::printf("layer, one Execute per row, settings database (scratch): %12.0f rows/s\n", layer);
  std::printf("layer, one Execute per row, export database (one transaction): %9.0f rows/s\n", layerSafe);
  std::printf("SQLite bulk insert, one transaction, one prepared statement: %10.0f rows/s\n", sqlite);
  std::printf("layer / bulk, settings database: %.2f\n", layer / sqlite);
  std::printf("layer / bulk, export database: %.2f\n", layerSafe / sqlite);
  std::filesystem::remove_all(folder);
  return 0;
}
