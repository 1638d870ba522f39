// Connections: Open finds the file a connection string names (a missing file is an error; only the
// Catalog makes files), shares the store already open on that very file or opens a new one and
// sets it up (a scratch store without flushes and with a write-ahead log; a file this process made
// held for it with its journal kept), and Execute runs one statement through the store's batch.
// Statements are prepared once per text and kept with the store.
#include "platform/AdoInternal.h"

#include <unordered_map>

#include "platform/AdoStatement.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace platform::ado {

using namespace internal;

void Connection::Impl::Close() {
  if (!db) return;
  // Closing ends an unfinished transaction of the caller's, as closing the file would.
  if (store->owner == this) EndCallerTransaction(false);
  --store->users;
  store.reset();
  cache = nullptr;
  db = nullptr;
}

bool Connection::Impl::Share(dev_t dev, ino_t ino) {
  auto found = Stores().find(key);
  if (found == Stores().end() || found->second->dev != dev || found->second->ino != ino ||
      found->second->scratch != scratch || found->second->readOnly != readOnly)
    return false;
  Attach(found->second);
  return true;
}

void Connection::Impl::Attach(const std::shared_ptr<Store>& shared) {
  store = shared;
  ++store->users;
  db = store->db;
  cache = &store->cache;
}

void Connection::Impl::SetLockWait() { sqlite3_busy_timeout(db, LockedFiles().count(key) ? 0 : kLockWaitMs); }

void Connection::Impl::Fail(int rc) {
  if ((rc & 0xff) == SQLITE_BUSY) LockedFiles().insert(key);
  RaiseEngine(db, rc, path);
}

void Connection::Impl::Compile(const std::string& sql, Statement& out) {
  if (!db) RaiseClosed();
  SetLockWait();
  Prepared p = internal::Prepare(sql);
  sqlite3_stmt* stmt = nullptr;
  if (p.cacheable) {
    auto found = cache->find(p.sql);
    if (found != cache->end()) {
      stmt = found->second.stmt;
      out.use = &found->second.use;
    }
  }
  if (!stmt) {
    out.ownUse = TableUse{};
    gathering = scratch ? &out.ownUse : nullptr;
    struct Done {
      ~Done() { gathering = nullptr; }
    } done;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db, p.sql.c_str(), static_cast<int>(p.sql.size()), &stmt, &tail);
    if (rc != SQLITE_OK) {
      // Another connection may have changed the tables since this one last looked: reading
      // the schema afresh and trying once more answers from the file as it is now.
      sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
      rc = sqlite3_prepare_v2(db, p.sql.c_str(), static_cast<int>(p.sql.size()), &stmt, &tail);
    }
    if (rc != SQLITE_OK) Fail(rc);
    if (!stmt) Raise(adErrSyntax, "The statement is empty.");
    std::string rest = tail ? std::string(tail) : std::string();
    if (!Trim(Replace(Replace(Replace(rest, ";", " "), "\r", " "), "\n", " ")).empty()) {
      sqlite3_finalize(stmt);
      Raise(adErrSyntax, "Characters found after end of SQL statement.");
    }
    out.use = &out.ownUse;
    if (p.cacheable) {
      if (cache->size() >= kCacheLimit) {
        for (auto& entry : *cache) sqlite3_finalize(entry.second.stmt);
        cache->clear();
      }
      out.use = &cache->emplace(p.sql, CachedStatement{stmt, std::move(out.ownUse)}).first->second.use;
    }
  }
  out.stmt = stmt;
  out.cached = p.cacheable;
  for (size_t i = 0; i < p.binds.size(); ++i)
    sqlite3_bind_text(stmt, static_cast<int>(i + 1), p.binds[i].data(), static_cast<int>(p.binds[i].size()),
                      SQLITE_TRANSIENT);
}

int Connection::Impl::Step(Statement& s) {
  int rc = sqlite3_step(s.stmt);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail(rc);
  return rc;
}

Connection::Connection() : impl_(std::make_unique<Impl>()) {}
Connection::~Connection() = default;

void Connection::Open(const std::string& connectionString, const std::string&, const std::string&, long) {
  if (impl_->db) Raise(adErrOpenObject, "Operation is not allowed when the object is open.");
  const ConnectionText& text = ParseConnectionText(connectionString);
  if (Provider.empty()) Provider = text.provider;
  const std::string path = text.dataSource;
  // The program's own settings database is opened thousands of times a level and is deleted or
  // replaced only by the program: it is looked for again only after the file layer changed a name.
  struct Found {
    FileInfo file;
    unsigned long long replaced;
  };
  static std::unordered_map<std::string, Found> scratchFiles;
  auto known = scratchFiles.find(path);
  const bool same = known != scratchFiles.end() && known->second.replaced == FilesReplaced();
  const FileInfo file = same ? known->second.file : FindFile(path);
  const std::string& native = file.path;
  if (!file.normalFile) {
    if (file.folder)
      Raise(adErrCannotOpen, "The database engine cannot open the file '" + native + "'. It is not a database file.");
    Raise(adErrCannotOpen, "Could not find file '" + native + "'.");
  }
  impl_->key = CanonicalPath(native);
  impl_->scratch = ScratchPaths().count(impl_->key) != 0;
  impl_->readOnly = text.readOnly;
  if (impl_->scratch && !same) scratchFiles[path] = {file, FilesReplaced()};
  // The file's identity: a store's handle is only shared on this very file.
  const auto dev = static_cast<dev_t>(file.device);
  const auto ino = static_cast<ino_t>(file.inode);
  impl_->path = native;  // messages show the file as it is opened
  connectionString_ = text.namesDataSource
                          ? connectionString
                          : "Provider=" + Provider + ";Data Source=" +
                                (path.find(';') == std::string::npos ? path : "\"" + path + "\"");
  if (impl_->Share(dev, ino)) return;
  // A store of the other kind, or on a file that is gone, lets go of what it holds back.
  if (auto found = Stores().find(impl_->key); found != Stores().end()) {
    int rc = found->second->Commit();
    if (found->second->users == 0) Stores().erase(found);
    if (rc != SQLITE_OK) RaiseEngine(nullptr, rc, native);
  }
  // Only the files in use keep their handles.
  if (!impl_->scratch) CloseIdleStores();
  sqlite3* db = nullptr;
  // The program reaches its databases from one thread: the handle takes no mutex per call.
  int rc = sqlite3_open_v2(native.c_str(), &db,
                           (impl_->readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    connectionString_.clear();
    Raise(adErrCannotOpen, "The database engine cannot open the file '" + native + "'. (" + message + ")");
  }
  sqlite3_busy_timeout(db, LockedFiles().count(impl_->key) ? 0 : kLockWaitMs);
  if (impl_->scratch) sqlite3_set_authorizer(db, GatherUse, nullptr);
  // A scratch store is rebuilt at every level: it pays no flush per statement. Its changes go
  // through a write-ahead log, so a run killed in the middle of a statement leaves a file the
  // next run opens (a journal kept in memory would leave it torn). Every other file keeps
  // SQLite's safe defaults. The count reads the header: a file that is not a database fails
  // here rather than at its first statement.
  std::string setup =
      impl_->scratch ? "PRAGMA synchronous=OFF; PRAGMA journal_mode=WAL; PRAGMA cache_size=-16384; " : "";
  setup += "SELECT count(*) FROM sqlite_master;";
  rc = sqlite3_exec(db, setup.c_str(), nullptr, nullptr, nullptr);
  // A file this process made (an export database) is held for it from its first write until the
  // store is let go, and keeps its journal from one transaction to the next: a report then makes
  // and deletes no file, takes no lock of its own and flushes the folder only once per file, which
  // in a folder of thousands of reports is most of what a commit costs. Files made elsewhere stay
  // open to other processes between statements.
  bool keptJournal = false;
  if (auto made = MadeFiles().find(impl_->key); made != MadeFiles().end()) {
    keptJournal = !impl_->scratch && !impl_->readOnly && made->second == std::make_pair(dev, ino);
    MadeFiles().erase(made);
  }
  if (rc == SQLITE_OK && keptJournal) rc = sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    int code = rc;
    if ((code & 0xff) == SQLITE_BUSY) LockedFiles().insert(impl_->key);
    sqlite3_close_v2(db);
    connectionString_.clear();
    if ((code & 0xff) == SQLITE_NOTADB || (code & 0xff) == SQLITE_CORRUPT)
      Raise(adErrCannotOpen, "Unrecognized database format '" + native + "'.");
    if ((code & 0xff) == SQLITE_BUSY)
      Raise(adErrCannotOpen, "The database engine cannot open the file '" + native +
                                 "': it is currently locked by another process.");
    Raise(adErrCannotOpen, "The database engine cannot open the file '" + native + "'. (" + sqlite3_errstr(code) + ")");
  }
  // The new store takes the file's place; one on a file that is gone stays with its connections.
  auto store = std::make_shared<Store>();
  store->db = db;
  store->scratch = impl_->scratch;
  store->readOnly = impl_->readOnly;
  store->dev = dev;
  store->ino = ino;
  store->keptJournal = keptJournal;
  Stores()[impl_->key] = store;
  impl_->Attach(store);
}

long Connection::Execute(const std::string& sql, long) {
  if (!impl_->db) RaiseClosed();
  const std::string verb = FirstWord(sql);
  if (IsCallerTransaction(verb, sql)) {
    impl_->CallerTransaction(verb);
    return 0;
  }
  const bool write = IsWrite(verb) || verb == "CREATE" || verb == "DROP" || verb == "ALTER";
  impl_->BeforeStatement(write);
  Impl::Statement s;
  long changed = 0;
  try {
    impl_->Compile(sql, s);
    if (impl_->scratch && verb != "SELECT") impl_->store->Wrote(*s.use);
    long before = static_cast<long>(sqlite3_total_changes(impl_->db));
    while (impl_->Step(s) == SQLITE_ROW) {
    }
    changed = static_cast<long>(sqlite3_total_changes(impl_->db)) - before;
  } catch (...) {
    if (write) impl_->AfterWrite();
    throw;
  }
  if (write) impl_->AfterWrite();
  return changed;
}

int Connection::State() const { return impl_->db ? adStateOpen : adStateClosed; }

void Connection::Close() {
  if (!impl_->db) RaiseClosed();
  impl_->Close();
}

}  // namespace platform::ado
