// Looks into database files with SQLite itself, apart from the data-access layer under test.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "platform/Ado.h"

namespace testsupport {

// The rows of a query on a database file, every cell as text ("<null>" for Null); opened read-only.
inline std::vector<std::vector<std::string>> QueryFile(const std::string& path, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  platform::ado::CommitHeldWrites();  // the program's own connections may still hold rows back
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const unsigned char* text = sqlite3_column_text(stmt, i);
        row.emplace_back(text ? reinterpret_cast<const char*>(text) : "<null>");
      }
      rows.push_back(row);
    }
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

// The first cell of every row of a query.
inline std::vector<std::string> FirstColumn(const std::string& path, const std::string& sql) {
  std::vector<std::string> cells;
  for (auto& row : QueryFile(path, sql)) cells.push_back(row[0]);
  return cells;
}

// The user tables of a database file, sorted by name, and the column names of a table in order.
inline std::vector<std::string> TablesOf(const std::string& path) {
  return FirstColumn(path, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
}
inline std::vector<std::string> ColumnsOf(const std::string& path, const std::string& table) {
  return FirstColumn(path, "SELECT name FROM pragma_table_info('" + table + "')");
}

}  // namespace testsupport
