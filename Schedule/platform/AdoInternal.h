// What the files of the data-access layer share, inside the layer only (the program goes through
// Ado.h): the store that holds each database file's one handle, the part of a connection that
// recordsets and write batching reach into, and the helpers for statement texts, engine errors
// and connection strings. Each declaration's file says how it works.
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Ado.h"

namespace platform::ado::internal {

// ---- Scratch stores and locks (AdoStores.cpp) ----

// The key of a file among the scratch stores and idle handles, from its native path (FilePath).
// Worked out once per path: the settings database is opened thousands of times a level, and
// resolving a path asks the file system about each of its folders.
std::string CanonicalPath(const std::string& native);

// The database files this process made and has not opened since, by key, with the identity each
// was made with: the first open of each takes its entry.
std::map<std::string, std::pair<dev_t, ino_t>>& MadeFiles();

std::set<std::string>& ScratchPaths();

// How long a statement waits for another process's lock, and the files found locked since the
// last ForgetLocks: on those a statement fails at once instead of waiting again.
constexpr int kLockWaitMs = 2000;
std::set<std::string>& LockedFiles();

// ---- Stores: one handle per database file (AdoStores.cpp) ----
//
// Every connection on a file shares one handle with the file's other connections: the settings
// database is opened and closed again and again within a level (every site lookup opens it
// anew), and an export database twice per report; a handle of its own per connection paid the
// schema, a cold page cache and the file locks at every statement. A handle is shared only on the
// same file (device and inode): a file deleted and made again gets a handle of its own, and the
// old one goes with its last connection.

// The tables a statement reads and writes, as SQLite names them while preparing it. A statement
// that changes anything else (the schema, a pragma) is taken to change everything.
struct TableUse {
  std::vector<std::string> reads, writes;  // in lower case
  bool everything = false;
};

// The use being gathered while a statement of a scratch store is prepared, and the authorizer
// that gathers it (AdoKeptAnswers.cpp).
extern TableUse* gathering;
int GatherUse(void*, int action, const char* table, const char*, const char* database, const char*);

struct CachedStatement {
  sqlite3_stmt* stmt = nullptr;
  TableUse use;
};
using StatementCache = std::unordered_map<std::string, CachedStatement>;

// What a query read on a scratch store: the write counts of its tables at that time. A query
// whose tables are not known never matches.
struct ReadState {
  std::vector<std::pair<std::string, long>> tables;
  long forgotten = -1;
};

// The rows a query read from a scratch store, and when.
struct ReadRows {
  std::vector<std::string> names;
  std::string table;
  std::vector<std::vector<Field>> rows;
  ReadState state;
};

struct Store {
  sqlite3* db = nullptr;
  bool scratch = false;
  bool readOnly = false;  // opened with Mode=Read: no statement can change the file
  dev_t dev = 0;
  ino_t ino = 0;
  StatementCache cache;
  // A scratch store is written by this process alone: a query run again while none of its tables
  // has been written since gives the same rows, and is answered from them. The settings database
  // is asked for a server's sites dozens of times per directory job.
  std::unordered_map<std::string, long> tableWrites;
  long forgotten = 0;  // moves when changes were undone or their tables are not known
  std::unordered_map<std::string, ReadRows> readRows;
  size_t rowsKept = 0;
  static constexpr size_t kRowsLimit = 20000;  // all answers together; a bigger one is not kept
  // Counts the writes of a statement before it runs (a failing one too).
  void Wrote(const TableUse& use);
  ReadState StateOf(const TableUse& use);
  // True while a query read at that state would read the same rows again.
  bool Unchanged(const ReadState& state);
  // The rows read before by the same query text, while they are still what it would read.
  const ReadRows* Rows(const std::string& sql);
  void KeepRows(const std::string& sql, const ReadState& state, const std::vector<std::string>& names,
                const std::string& table, const std::vector<std::vector<Field>>& rows);
  long users = 0;               // open connections on it
  bool batch = false;           // a transaction of the layer's is open
  long writes = 0;              // in that transaction
  const void* owner = nullptr;  // the connection whose own transaction is open

  // Commits the open batch; the engine's code (the batch is undone when it refused). A file
  // deleted or renamed under the store keeps nothing: its batch is undone.
  int Commit();
  // Commits what it holds and lets go of the file.
  void Release();
  ~Store() { Release(); }
  // A file held for this process alone, whose journal stays between its transactions.
  bool keptJournal = false;
  // Gives the file back to other processes while the store stays open: the lock goes and the
  // journal with it.
  void LetJournalGo();
};

// The store of each file by its key. Never destroyed: run-wide connections are released after
// static objects at process end.
std::map<std::string, std::shared_ptr<Store>>& Stores();

// At program end every store is committed and closed, so no side file stays behind. Nothing
// raises: what a store still holds then is the settings database, which every run makes afresh,
// or a table made for a report whose rows never came.
void ReleaseAllStores();

// Commits and closes the stores of files other than the program's own that no connection uses.
void CloseIdleStores();

// ---- Write batching (AdoBatching.cpp) ----

// The statement's first word in capitals: what it does to a batch.
std::string FirstWord(const std::string& sql);
bool IsWrite(const std::string& verb);
// A transaction the caller starts or ends (not a savepoint of its own, nor a rollback to one).
bool IsCallerTransaction(const std::string& verb, const std::string& sql);

// ---- Statement texts (AdoStatements.cpp) ----

struct Token {
  enum Kind { Space, Word, Bracket, Quoted, String, Number, Punct } kind;
  std::string text;
};

std::vector<Token> Tokenize(const std::string& sql);
// The name a column token stands for: brackets dropped, blanks kept.
std::string NameOf(const Token& t);

// The name of the check a sized text column gets; an engine error that names it is a value too
// long for its column.
constexpr const char* kSizeConstraint = "text size ";

// ---- Errors (AdoErrors.cpp) ----

// Raises the engine's failure rc (of db, when there is one) as the layer's error number and text;
// path is the file the messages name.
[[noreturn]] void RaiseEngine(sqlite3* db, int rc, const std::string& path);
[[noreturn]] void RaiseClosed();

// ---- Connection strings (AdoConnectionStrings.cpp) ----

// What a connection string says, worked out once per text: a level opens the settings database
// with the same few texts thousands of times.
struct ConnectionText {
  std::string provider;    // trimmed; empty when the text names none
  std::string dataSource;  // the file: the Data Source, or the whole text when it is a bare path
  bool namesDataSource = false;
  bool readOnly = false;   // "Mode=Read"
};
const ConnectionText& ParseConnectionText(const std::string& text);

}  // namespace platform::ado::internal

namespace platform::ado {

// The connection's side of its store (AdoConnection.cpp; the batching members in AdoBatching.cpp).
struct Connection::Impl {
  sqlite3* db = nullptr;  // the store's handle while open
  std::string path;
  bool scratch = false;
  bool readOnly = false;
  std::string key;
  std::shared_ptr<internal::Store> store;
  // The store's prepared statements by their rewritten text, values bound afresh at every use.
  internal::StatementCache* cache = nullptr;
  static constexpr size_t kCacheLimit = 256;

  ~Impl() { Close(); }

  void Close();

  // Shares the store's handle on this very file, if it has one of the same kind.
  bool Share(dev_t dev, ino_t ino);
  void Attach(const std::shared_ptr<internal::Store>& shared);

  // A statement ready to step, values bound. The owner resets (cached) or finalizes it.
  struct Statement {
    sqlite3_stmt* stmt = nullptr;
    bool cached = false;
    const internal::TableUse* use = nullptr;  // on a scratch store
    internal::TableUse ownUse;                // of a statement not kept prepared
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() {
      if (!stmt) return;
      if (cached) {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
      } else {
        sqlite3_finalize(stmt);
      }
    }
  };

  // A write in autocommit mode opens the store's batch; on a scratch store any statement does, so
  // that the file is locked and its cache checked once per batch rather than once per statement.
  // Reads leave the other files unlocked between statements.
  void BeforeStatement(bool write);

  // A transaction of the caller's on a scratch store is a savepoint within the batch: its COMMIT
  // keeps its rows with the batch, its ROLLBACK undoes them alone.
  void CallerTransaction(const std::string& verb);
  void EndCallerTransaction(bool keep);

  // After a write: a long batch is committed, so what it holds back stays small.
  void AfterWrite();

  // Commits the store's batch; a refusal (a full disk) loses the batch and is the statement's
  // error, so it reaches the status log through the caller.
  void CommitBatch();

  // Waits for a lock only on a file not yet found locked.
  void SetLockWait();
  // Raises the engine's error; a lock that outlasted the wait marks the file as locked.
  [[noreturn]] void Fail(int rc);

  // Prepares the statement (a kept one when the text was seen before) and binds its values.
  void Compile(const std::string& sql, Statement& out);
  // One step; the engine's failure is raised.
  int Step(Statement& s);
};

}  // namespace platform::ado
