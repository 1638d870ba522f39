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
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    auto add = [](void* to, int count, char** cells, char**) {
      auto& row = static_cast<std::vector<std::vector<std::string>>*>(to)->emplace_back();
      for (int i = 0; i < count; ++i) row.emplace_back(cells[i] ? cells[i] : "<null>");
      return 0;
    };
    sqlite3_exec(db, sql.c_str(), add, &rows, nullptr);
  }
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
