// The catalog: a new database file made (its header written at once, so that it is a database
// from the start, and a journal left by a file of the same name removed first) and remembered as
// made by this process; the tables of an open connection listed by name without regard to case.
#include "platform/AdoInternal.h"

#include <sys/stat.h>

#include "platform/Err.h"
#include "platform/Files.h"

namespace platform::ado {

using namespace internal;

struct Catalog::Impl {
  std::vector<std::string> tables;
};

Catalog::Catalog() : impl_(std::make_unique<Impl>()) {}
Catalog::~Catalog() = default;

void Catalog::Create(const std::string& connectionString) {
  const FileInfo file = FindFile(ParseConnectionText(connectionString).dataSource);
  const std::string& native = file.path;
  if (file.folder)
    Raise(adErrCannotOpen, "The database engine cannot create the file '" + native + "'. A folder of that name is there.");
  if (file.normalFile) Raise(adErrDatabaseExists, "Database already exists.");
  // A journal left beside a file that is gone belongs to no database: SQLite would play it
  // into the new file.
  // SQLite names them exactly: no search without regard to case.
  for (const char* sidecar : {"-journal", "-wal", "-shm"}) {
    struct stat st {};
    if (::stat((native + sidecar).c_str(), &st) == 0 && S_ISREG(st.st_mode)) Kill(native + sidecar);
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  // Writing the application id gives the new file its header, so it is a database from the start.
  // An empty file has nothing to roll back to: the header is written without a journal and
  // without a flush (the first transaction on the file flushes it).
  if (rc == SQLITE_OK)
    rc = sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA application_id=1364349505;",
                      nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    Raise(adErrCannotOpen, "The database engine cannot create the file '" + native + "'. (" + message + ")");
  }
  sqlite3_close_v2(db);
  const FileInfo made = FindFile(native);
  if (made.normalFile)
    MadeFiles()[CanonicalPath(native)] = {static_cast<dev_t>(made.device), static_cast<ino_t>(made.inode)};
}

void Catalog::SetActiveConnection(Connection* connection) {
  impl_->tables.clear();
  if (!connection) return;
  if (connection->State() != adStateOpen)
    Raise(adErrClosedObject,
          "The connection cannot be used to perform this operation. It is either closed or invalid in this context.");
  Recordset tables;
  tables.Open("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
              "ORDER BY name COLLATE NOCASE",
              *connection);
  for (; !tables.Eof(); tables.MoveNext()) impl_->tables.push_back(tables.Fields(0).Text());
}

long Catalog::TableCount() const { return static_cast<long>(impl_->tables.size()); }

std::string Catalog::TableName(long index) const {
  if (index < 0 || index >= TableCount())
    Raise(adErrItemNotFound, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  return impl_->tables[static_cast<size_t>(index)];
}

}  // namespace platform::ado
