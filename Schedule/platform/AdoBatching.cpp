// Write batching: a write in autocommit mode (on a scratch store, any statement) opens a
// transaction that the store keeps open, and a transaction of the caller's is a savepoint within
// it. On a scratch store the batch is committed every kBatchLimit writes, at CommitHeldWrites,
// when the file is replaced and when the program ends: the store is the program's own, and a run
// killed before then makes it afresh anyway. On any other file the caller's COMMIT commits the
// batch with it, so what the caller finished is on disk as before, and the writes it made outside
// a transaction (a table created for the rows that follow) cost no flush of their own; an idle
// store is committed and closed when the next file is opened. Every connection on a file runs on
// the same handle, so each sees what the others wrote; a failing row is undone alone and the rows
// before it stay.
#include "platform/AdoInternal.h"

#include <cctype>

#include "platform/Err.h"
#include "platform/Text.h"

namespace platform::ado {

namespace internal {

constexpr long kBatchLimit = 2000;

int Store::Commit() {
  if (!batch) return SQLITE_OK;
  batch = false;
  writes = 0;
  if (sqlite3_get_autocommit(db)) return SQLITE_OK;
  int moved = 0;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved) {
    ++forgotten;
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return SQLITE_OK;
  }
  int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    ++forgotten;
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  return rc;
}

std::string FirstWord(const std::string& sql) {
  size_t i = 0;
  while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
  std::string word;
  while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])))
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i++])));
  return word;
}

bool IsWrite(const std::string& verb) { return verb == "INSERT" || verb == "UPDATE" || verb == "DELETE"; }

bool IsCallerTransaction(const std::string& verb, const std::string& sql) {
  if (verb == "BEGIN" || verb == "COMMIT" || verb == "END") return true;
  if (verb != "ROLLBACK") return false;
  std::string rest = UCase(sql);
  return rest.find(" TO ") == std::string::npos && rest.find("\tTO") == std::string::npos;
}

}  // namespace internal

using namespace internal;

void Connection::Impl::BeforeStatement(bool write) {
  if ((!write && !scratch) || !sqlite3_get_autocommit(db)) return;
  if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return;  // then it runs on its own
  static const bool registered = (AtEndProgram(ReleaseAllStores), true);
  (void)registered;
  store->batch = true;
  store->writes = 0;
}

void Connection::Impl::CallerTransaction(const std::string& verb) {
  if (verb == "BEGIN") {
    if (store->owner)
      Raise(adErrSyntax, "The database engine rejected the statement: cannot start a transaction within a "
                         "transaction.");
    BeforeStatement(true);
    int rc = sqlite3_exec(db, "SAVEPOINT caller", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
    store->owner = this;
    return;
  }
  // A failure that undid the whole transaction ended the caller's with it.
  if (!store->owner || sqlite3_get_autocommit(db)) {
    store->owner = nullptr;
    store->batch = store->batch && !sqlite3_get_autocommit(db);
    Raise(adErrSyntax, std::string("The database engine rejected the statement: cannot ") +
                           (verb == "ROLLBACK" ? "rollback" : "commit") + " - no transaction is active.");
  }
  EndCallerTransaction(verb != "ROLLBACK");
  // On a user's file what the caller committed is on disk when its COMMIT returns.
  if ((!scratch && verb != "ROLLBACK") || store->writes >= kBatchLimit) CommitBatch();
}

void Connection::Impl::EndCallerTransaction(bool keep) {
  if (!keep) ++store->forgotten;
  if (!sqlite3_get_autocommit(db)) {
    if (!keep) sqlite3_exec(db, "ROLLBACK TO caller", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "RELEASE caller", nullptr, nullptr, nullptr);
  }
  store->owner = nullptr;
}

void Connection::Impl::AfterWrite() {
  if (!store->batch) return;
  // A failure that undid the whole transaction ended the batch with it.
  if (sqlite3_get_autocommit(db)) {
    store->batch = false;
    ++store->forgotten;
    return;
  }
  // Within a transaction of the caller's the batch waits for its end.
  if (++store->writes >= kBatchLimit && !store->owner) CommitBatch();
}

void Connection::Impl::CommitBatch() {
  int rc = store->Commit();
  if (rc != SQLITE_OK) RaiseEngine(nullptr, rc, path);
}

void CommitHeldWrites() {
  for (auto& entry : Stores())
    if (int rc = entry.second->Commit(); rc != SQLITE_OK) RaiseEngine(nullptr, rc, entry.first);
  ReleaseHeldFiles();
}

}  // namespace platform::ado
