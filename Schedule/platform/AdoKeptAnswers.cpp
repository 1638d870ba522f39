// Kept answers: a scratch store is written by this process alone, so a query run again while none
// of the tables it reads has been written since gives the same rows, and is answered from the rows
// it read. The tables a statement reads and writes are those SQLite names while preparing it; any
// write to one of them, a rollback, or a statement whose tables are not known makes the query read
// again. The answers kept are limited in rows; a bigger one is never kept.
#include "platform/AdoInternal.h"

#include <cstring>

#include "platform/Text.h"

namespace platform::ado::internal {

TableUse* gathering = nullptr;
int GatherUse(void*, int action, const char* table, const char*, const char* database, const char*) {
  if (!gathering) return SQLITE_OK;
  const bool main = !database || std::strcmp(database, "main") == 0;
  switch (action) {
    case SQLITE_READ:
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
      if (table) (action == SQLITE_READ ? gathering->reads : gathering->writes).push_back(LCase(table));
      if (!main) gathering->everything = true;
      break;
    case SQLITE_SELECT:
    case SQLITE_FUNCTION:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
      break;
    default:
      gathering->everything = true;
  }
  return SQLITE_OK;
}

void Store::Wrote(const TableUse& use) {
  if (use.everything || use.writes.empty()) ++forgotten;
  for (const std::string& table : use.writes) ++tableWrites[table];
}

ReadState Store::StateOf(const TableUse& use) {
  ReadState state;
  if (use.everything) return state;
  for (const std::string& read : use.reads) state.tables.emplace_back(read, tableWrites[read]);
  state.forgotten = forgotten;
  return state;
}

bool Store::Unchanged(const ReadState& state) {
  if (state.forgotten != forgotten) return false;
  for (const auto& [table, writes] : state.tables)
    if (tableWrites[table] != writes) return false;
  return true;
}

const ReadRows* Store::Rows(const std::string& sql) {
  auto found = readRows.find(sql);
  return found != readRows.end() && Unchanged(found->second.state) ? &found->second : nullptr;
}

void Store::KeepRows(const std::string& sql, const ReadState& state, const std::vector<std::string>& names,
                     const std::string& table, const std::vector<std::vector<Field>>& rows) {
  if (state.forgotten < 0 || rows.size() > kRowsLimit / 8) return;
  if (auto old = readRows.find(sql); old != readRows.end()) {
    rowsKept -= old->second.rows.size();
    readRows.erase(old);
  }
  if (rowsKept + rows.size() > kRowsLimit) {
    readRows.clear();
    rowsKept = 0;
  }
  ReadRows& kept = readRows[sql];
  kept.names = names;
  kept.table = table;
  kept.rows = rows;
  rowsKept += rows.size();
  kept.state = state;
}

}  // namespace platform::ado::internal
