#include "platform/Ado.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include "platform/AdoStatement.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace platform::ado {

namespace {

// ---- Scratch stores ----

// The key of a file among the scratch stores and idle handles, from its native path (FilePath).
// Worked out once per path: the settings database is opened thousands of times a level, and
// resolving a path asks the file system about each of its folders.
std::string CanonicalPath(const std::string& native) {
  static std::unordered_map<std::string, std::string> known;
  auto found = known.find(native);
  if (found != known.end()) return found->second;
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(native, ec);
  return known.emplace(native, ec ? native : canonical.string()).first->second;
}

// The database files this process made and has not opened since, by key, with the identity each
// was made with: the first open of each takes its entry.
std::map<std::string, std::pair<dev_t, ino_t>>& MadeFiles() {
  static std::map<std::string, std::pair<dev_t, ino_t>> files;
  return files;
}

std::set<std::string>& ScratchPaths() {
  static std::set<std::string> paths;
  return paths;
}

// How long a statement waits for another process's lock, and the files found locked since the
// last ForgetLocks: on those a statement fails at once instead of waiting again.
constexpr int kLockWaitMs = 2000;
std::set<std::string>& LockedFiles() {
  static std::set<std::string> files;
  return files;
}

// ---- Stores: one handle per database file ----
//
// Every connection on a file shares one handle with the file's other connections: the settings
// database is opened and closed again and again within a level (every site lookup opens it
// anew), and an export database twice per report; a handle of its own per connection paid the
// schema, a cold page cache and the file locks at every statement. A handle is shared only on the
// same file (device and inode): a file deleted and made again gets a handle of its own, and the
// old one goes with its last connection.
//
// Writes are batched: a write in autocommit mode (on a scratch store, any statement) opens a
// transaction that the store keeps open, and a transaction of the caller's is a savepoint within
// it. On a scratch store the batch is committed every kBatchLimit writes, at CommitHeldWrites,
// when the file is replaced and when the program ends: the store is the program's own, and a run
// killed before then makes it afresh anyway. On any other file the caller's COMMIT commits the
// batch with it, so what the caller finished is on disk as before, and the writes it made outside
// a transaction (a table created for the rows that follow) cost no flush of their own; an idle
// store is committed and closed when the next file is opened. Every connection on a file runs on
// the same handle, so each sees what the others wrote; a failing row is undone alone and the rows
// before it stay.
constexpr long kBatchLimit = 2000;

// The tables a statement reads and writes, as SQLite names them while preparing it. A statement
// that changes anything else (the schema, a pragma) is taken to change everything.
struct TableUse {
  std::vector<std::string> reads, writes;  // in lower case
  bool everything = false;
};

// The use being gathered while a statement of a scratch store is prepared.
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
  void Wrote(const TableUse& use) {
    if (use.everything || use.writes.empty()) ++forgotten;
    for (const std::string& table : use.writes) ++tableWrites[table];
  }
  ReadState StateOf(const TableUse& use) {
    ReadState state;
    if (use.everything) return state;
    for (const std::string& read : use.reads) state.tables.emplace_back(read, tableWrites[read]);
    state.forgotten = forgotten;
    return state;
  }
  // True while a query read at that state would read the same rows again.
  bool Unchanged(const ReadState& state) {
    if (state.forgotten != forgotten) return false;
    for (const auto& [table, writes] : state.tables)
      if (tableWrites[table] != writes) return false;
    return true;
  }
  // The rows read before by the same query text, while they are still what it would read.
  const ReadRows* Rows(const std::string& sql) {
    auto found = readRows.find(sql);
    return found != readRows.end() && Unchanged(found->second.state) ? &found->second : nullptr;
  }
  void KeepRows(const std::string& sql, const ReadState& state, const std::vector<std::string>& names,
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
  long users = 0;               // open connections on it
  bool batch = false;           // a transaction of the layer's is open
  long writes = 0;              // in that transaction
  const void* owner = nullptr;  // the connection whose own transaction is open

  // Commits the open batch; the engine's code (the batch is undone when it refused). A file
  // deleted or renamed under the store keeps nothing: its batch is undone.
  int Commit() {
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
  // Commits what it holds and lets go of the file.
  void Release() {
    if (!db) return;
    Commit();
    for (auto& entry : cache) sqlite3_finalize(entry.second.stmt);
    cache.clear();
    sqlite3_close_v2(db);  // a journal kept between transactions goes with the handle
    db = nullptr;
  }
  ~Store() { Release(); }
  // A file held for this process alone, whose journal stays between its transactions.
  bool keptJournal = false;
  // Gives the file back to other processes while the store stays open: the lock goes and the
  // journal with it.
  void LetJournalGo() {
    if (!keptJournal) return;
    keptJournal = false;
    sqlite3_exec(db, "PRAGMA locking_mode=NORMAL; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
  }
};

// The store of each file by its key. Never destroyed: run-wide connections are released after
// static objects at process end.
std::map<std::string, std::shared_ptr<Store>>& Stores() {
  static auto* stores = new std::map<std::string, std::shared_ptr<Store>>;
  return *stores;
}

// At program end every store is committed and closed, so no side file stays behind. Nothing
// raises: what a store still holds then is the settings database, which every run makes afresh,
// or a table made for a report whose rows never came.
void ReleaseAllStores() {
  for (auto& entry : Stores()) entry.second->Release();
}

// Commits and closes the stores of files other than the program's own that no connection uses.
void CloseIdleStores() {
  for (auto it = Stores().begin(); it != Stores().end();)
    if (!it->second->scratch && it->second->users == 0)
      it = Stores().erase(it);
    else
      ++it;
}

// The statement's first word in capitals: what it does to a batch.
std::string FirstWord(const std::string& sql) {
  size_t i = 0;
  while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
  std::string word;
  while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])))
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i++])));
  return word;
}

bool IsWrite(const std::string& verb) { return verb == "INSERT" || verb == "UPDATE" || verb == "DELETE"; }
// A transaction the caller starts or ends (not a savepoint of its own, nor a rollback to one).
bool IsCallerTransaction(const std::string& verb, const std::string& sql) {
  if (verb == "BEGIN" || verb == "COMMIT" || verb == "END") return true;
  if (verb != "ROLLBACK") return false;
  std::string rest = UCase(sql);
  return rest.find(" TO ") == std::string::npos && rest.find("\tTO") == std::string::npos;
}

// ---- Statement texts ----

struct Token {
  enum Kind { Space, Word, Bracket, Quoted, String, Number, Punct } kind;
  std::string text;
};

std::vector<Token> Tokenize(const std::string& sql) {
  std::vector<Token> tokens;
  size_t i = 0, n = sql.size();
  auto closing = [&](char close, bool doubled) {
    size_t j = i + 1;
    while (j < n) {
      if (sql[j] == close) {
        if (doubled && j + 1 < n && sql[j + 1] == close) {
          j += 2;
          continue;
        }
        return j + 1;
      }
      ++j;
    }
    return n;
  };
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(sql[i]);
    size_t end = i + 1;
    Token::Kind kind = Token::Punct;
    if (std::isspace(c)) {
      kind = Token::Space;
      while (end < n && std::isspace(static_cast<unsigned char>(sql[end]))) ++end;
    } else if (c == '[') {
      kind = Token::Bracket;
      end = closing(']', false);
    } else if (c == '`') {
      kind = Token::Bracket;
      end = closing('`', false);
    } else if (c == '"') {
      kind = Token::Quoted;
      end = closing('"', true);
    } else if (c == '\'') {
      kind = Token::String;
      end = closing('\'', true);
    } else if (std::isdigit(c)) {
      kind = Token::Number;
      while (end < n && (std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '.')) ++end;
    } else if (std::isalpha(c) || c == '_' || c >= 0x80) {
      kind = Token::Word;
      while (end < n) {
        unsigned char d = static_cast<unsigned char>(sql[end]);
        if (!(std::isalnum(d) || d == '_' || d == '$' || d >= 0x80)) break;
        ++end;
      }
    }
    tokens.push_back({kind, sql.substr(i, end - i)});
    i = end;
  }
  return tokens;
}

// The text of a quoted literal without its quotes, doubled quotes made single.
std::string Unquote(const std::string& literal) {
  char quote = literal[0];
  std::string inner = literal.size() >= 2 && literal.back() == quote ? literal.substr(1, literal.size() - 2)
                                                                       : literal.substr(1);
  return Replace(inner, std::string(2, quote), std::string(1, quote));
}

// The name a column token stands for: brackets dropped, blanks kept.
std::string NameOf(const Token& t) {
  if (t.kind == Token::Bracket) return t.text.substr(1, t.text.size() >= 2 ? t.text.size() - 2 : 0);
  if (t.kind == Token::Quoted) return Unquote(t.text);
  return t.text;
}

bool Is(const Token& t, const char* word) { return t.kind == Token::Word && UCase(t.text) == word; }

using internal::Prepared;

const char* const kSizeConstraint = "text size ";

// Text columns become case-insensitive, and a sized text column gets a check that names itself
// so that a value too long for it can be told apart from other failures.
std::string RewriteCreateTable(const std::vector<Token>& tokens) {
  std::string out;
  size_t i = 0;
  for (; i < tokens.size(); ++i) {
    out += tokens[i].text;
    if (tokens[i].kind == Token::Punct && tokens[i].text == "(") break;
  }
  if (i == tokens.size()) return out;
  ++i;
  int depth = 1;
  bool atDefinition = true;
  while (i < tokens.size()) {
    const Token& t = tokens[i];
    if (t.kind == Token::Space) {
      out += t.text;
      ++i;
      continue;
    }
    if (atDefinition && depth == 1) {
      atDefinition = false;
      bool constraint = Is(t, "CONSTRAINT") || Is(t, "PRIMARY") || Is(t, "UNIQUE") || Is(t, "CHECK") ||
                        Is(t, "FOREIGN");
      if (!constraint && (t.kind == Token::Word || t.kind == Token::Bracket || t.kind == Token::Quoted)) {
        out += t.text;
        const Token& name = t;
        size_t j = i + 1;
        std::string gap;
        while (j < tokens.size() && tokens[j].kind == Token::Space) gap += tokens[j++].text;
        if (j < tokens.size() && tokens[j].kind == Token::Word) {
          std::string type = UCase(tokens[j].text);
          bool sized = type == "TEXT" || type == "VARCHAR" || type == "CHAR" || type == "NVARCHAR" ||
                       type == "NCHAR" || type == "CHARACTER" || type == "STRING" || type == "ALPHANUMERIC";
          bool unsized = type == "MEMO" || type == "LONGTEXT" || type == "NOTE" || type == "NTEXT" ||
                         type == "LONGCHAR";
          if (sized || unsized) {
            ++j;
            std::string size = "255";
            size_t k = j;
            while (k < tokens.size() && tokens[k].kind == Token::Space) ++k;
            if (sized && k + 2 < tokens.size() && tokens[k].text == "(" && tokens[k + 1].kind == Token::Number &&
                tokens[k + 2].text == ")") {
              size = tokens[k + 1].text;
              j = k + 3;
            }
            out += gap + "TEXT COLLATE NOCASE";
            if (sized) {
              std::string columnName = NameOf(name);
              out += " CONSTRAINT [" + std::string(kSizeConstraint) + columnName + "] CHECK(length([" + columnName +
                     "])<=" + size + ")";
            }
            i = j;
            continue;
          }
        }
        ++i;
        continue;
      }
    }
    if (t.kind == Token::Punct) {
      if (t.text == "(") ++depth;
      if (t.text == ")") --depth;
      if (t.text == "," && depth == 1) atDefinition = true;
    }
    out += t.text;
    ++i;
  }
  return out;
}

}  // namespace

Prepared internal::Prepare(const std::string& sql) {
  std::vector<Token> tokens = Tokenize(sql);
  Prepared p;
  auto first = std::find_if(tokens.begin(), tokens.end(), [](const Token& t) { return t.kind != Token::Space; });
  if (first == tokens.end()) {
    p.sql = sql;
    return p;
  }
  std::string verb = first->kind == Token::Word ? UCase(first->text) : "";
  if (verb == "CREATE") {
    auto next = std::find_if(first + 1, tokens.end(), [](const Token& t) { return t.kind != Token::Space; });
    if (next != tokens.end() && Is(*next, "TABLE")) {
      p.sql = RewriteCreateTable(tokens);
      return p;
    }
  }
  bool dml = verb == "SELECT" || verb == "INSERT" || verb == "UPDATE" || verb == "DELETE";
  bool hasParameter = std::any_of(tokens.begin(), tokens.end(),
                                  [](const Token& t) { return t.kind == Token::Punct && t.text == "?"; });
  p.cacheable = dml && !hasParameter;
  for (const Token& t : tokens) {
    if (p.cacheable && (t.kind == Token::String || t.kind == Token::Quoted)) {
      // Values travel as bound text, so statements that differ only in their values share one
      // prepared statement.
      p.sql += '?';
      p.binds.push_back(Unquote(t.text));
    } else if (t.kind == Token::Punct && t.text == "&") {
      p.sql += "||";
    } else {
      p.sql += t.text;
    }
  }
  return p;
}

namespace {

// ---- Errors ----

std::string After(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size()) : std::string();
}

[[noreturn]] void RaiseEngine(sqlite3* db, int rc, const std::string& path) {
  std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int extended = db ? sqlite3_extended_errcode(db) : rc;
  int primary = rc & 0xff;
  if (extended == SQLITE_CONSTRAINT_CHECK) {
    std::string field = After(message, std::string("CHECK constraint failed: ") + kSizeConstraint);
    if (!field.empty())
      Raise(adErrValueTooLong,
            "The field is too small to accept the amount of data you attempted to add.  Try inserting or pasting "
            "less data. (field [" + field + "])");
  }
  if (std::string table = After(message, "no such table: "); !table.empty())
    Raise(adErrTableMissing, "The database engine cannot find the input table or query '" + table +
                                 "'.  Make sure it exists and that its name is spelled correctly.");
  if (std::string column = After(message, "no such column: "); !column.empty())
    Raise(adErrUnknownName, "No value given for one or more required parameters (unknown field '" + column + "').");
  if (message.find("values were supplied") != std::string::npos || message.find(" values for ") != std::string::npos)
    Raise(adErrSyntax, "Number of query values and destination fields are not the same.");
  switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: Raise(adErrCannotOpen, "Could not update; currently locked. (" + message + ")");
    case SQLITE_READONLY: Raise(adErrCannotOpen, "Cannot update. Database or object is read-only.");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: Raise(adErrCannotOpen, "Unrecognized database format '" + path + "'.");
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      Raise(adErrCannotOpen, "The database engine cannot open the file '" + path + "'. (" + message + ")");
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_NOMEM: Raise(adErrCannotOpen, "Disk or network error. (" + message + ")");
    case SQLITE_CONSTRAINT: Raise(adErrCannotOpen, "The changes you requested to the table were not successful (" + message + ").");
    default: break;
  }
  if (std::string table = After(message, "table "); !table.empty() && message.find(" already exists") != std::string::npos)
    Raise(adErrSyntax, "Table '" + table.substr(0, table.find(" already exists")) + "' already exists.");
  if (std::string column = After(message, "duplicate column name: "); !column.empty())
    Raise(adErrSyntax, "Field '" + column + "' is defined more than once.");
  Raise(adErrSyntax, "The database engine rejected the statement: " + message + ".");
}

[[noreturn]] void RaiseClosed() { Raise(adErrClosedObject, "Operation is not allowed when the object is closed."); }

// ---- Connection strings ----

std::string ValueOfKey(const std::string& text, const std::string& key) {
  std::string lower = LCase(text);
  size_t at = lower.find(LCase(key));
  while (at != std::string::npos) {
    size_t j = at + key.size();
    while (j < text.size() && text[j] == ' ') ++j;
    if (j < text.size() && text[j] == '=') {
      ++j;
      while (j < text.size() && text[j] == ' ') ++j;
      if (j < text.size() && text[j] == '"') {  // a quoted value may hold ";"
        size_t close = text.find('"', j + 1);
        return text.substr(j + 1, close == std::string::npos ? std::string::npos : close - j - 1);
      }
      size_t end = text.find(';', j);
      return text.substr(j, end == std::string::npos ? std::string::npos : end - j);
    }
    at = lower.find(LCase(key), at + 1);
  }
  return {};
}

bool HasKey(const std::string& text, const std::string& key) {
  std::string lower = LCase(text);
  size_t at = lower.find(LCase(key));
  if (at == std::string::npos) return false;
  size_t j = at + key.size();
  while (j < text.size() && text[j] == ' ') ++j;
  return j < text.size() && text[j] == '=';
}

// What a connection string says, worked out once per text: a level opens the settings database
// with the same few texts thousands of times.
struct ConnectionText {
  std::string provider;    // trimmed; empty when the text names none
  std::string dataSource;  // the file: the Data Source, or the whole text when it is a bare path
  bool namesDataSource = false;
  bool readOnly = false;   // "Mode=Read"
};
const ConnectionText& ParseConnectionText(const std::string& text) {
  static std::unordered_map<std::string, ConnectionText> known;
  auto found = known.find(text);
  if (found != known.end()) return found->second;
  if (known.size() >= 1024) known.clear();
  ConnectionText parsed;
  if (HasKey(text, "Provider")) parsed.provider = Trim(ValueOfKey(text, "Provider"));
  parsed.namesDataSource = HasKey(text, "Data Source");
  parsed.dataSource = parsed.namesDataSource ? ValueOfKey(text, "Data Source") : text;
  parsed.readOnly = parsed.namesDataSource && HasKey(text, "Mode") && LCase(Trim(ValueOfKey(text, "Mode"))) == "read";
  return known.emplace(text, std::move(parsed)).first->second;
}

// ---- Values ----

Value ColumnValue(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL: return std::nullopt;
    case SQLITE_INTEGER: return std::to_string(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: {
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.15g", sqlite3_column_double(stmt, column));
      return std::string(buffer);
    }
    default: {
      const void* bytes = sqlite3_column_blob(stmt, column);
      int size = sqlite3_column_bytes(stmt, column);
      return std::string(static_cast<const char*>(bytes), static_cast<size_t>(size));
    }
  }
}

}  // namespace

void RegisterScratchDatabase(const std::string& path) { ScratchPaths().insert(CanonicalPath(FilePath(path))); }

void ForgetLocks() { LockedFiles().clear(); }

void CommitHeldWrites() {
  for (auto& entry : Stores())
    if (int rc = entry.second->Commit(); rc != SQLITE_OK) RaiseEngine(nullptr, rc, entry.first);
  ReleaseHeldFiles();
}

void ReleaseHeldFiles() {
  for (auto& entry : Stores()) entry.second->LetJournalGo();
}

bool IsDamagedDatabase(const std::string& path) {
  const FileInfo file = FindFile(path);
  const std::string& native = file.path;
  if (!file.normalFile) return false;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    return false;
  }
  sqlite3_busy_timeout(db, kLockWaitMs);
  // Every page is read once: a file cut short shows only where its tables are.
  std::string verdict;
  auto first = [](void* out, int, char** values, char**) {
    if (values[0] != nullptr) *static_cast<std::string*>(out) = values[0];
    return 1;
  };
  int rc = sqlite3_exec(db, "PRAGMA quick_check(1)", first, &verdict, nullptr);
  sqlite3_close_v2(db);
  int primary = rc & 0xff;
  if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) return true;
  return (rc == SQLITE_OK || rc == SQLITE_ABORT) && !verdict.empty() && verdict != "ok";
}

bool IsScratchDatabase(const std::string& path) { return ScratchPaths().count(CanonicalPath(FilePath(path))) != 0; }

// ---- Connection ----

struct Connection::Impl {
  sqlite3* db = nullptr;  // the store's handle while open
  std::string path;
  bool scratch = false;
  bool readOnly = false;
  std::string key;
  std::shared_ptr<Store> store;
  // The store's prepared statements by their rewritten text, values bound afresh at every use.
  StatementCache* cache = nullptr;
  static constexpr size_t kCacheLimit = 256;

  ~Impl() { Close(); }

  void Close() {
    if (!db) return;
    // Closing ends an unfinished transaction of the caller's, as closing the file would.
    if (store->owner == this) EndCallerTransaction(false);
    --store->users;
    store.reset();
    cache = nullptr;
    db = nullptr;
  }

  // Shares the store's handle on this very file, if it has one of the same kind.
  bool Share(dev_t dev, ino_t ino) {
    auto found = Stores().find(key);
    if (found == Stores().end() || found->second->dev != dev || found->second->ino != ino ||
        found->second->scratch != scratch || found->second->readOnly != readOnly)
      return false;
    Attach(found->second);
    return true;
  }
  void Attach(const std::shared_ptr<Store>& shared) {
    store = shared;
    ++store->users;
    db = store->db;
    cache = &store->cache;
  }

  // A statement ready to step, values bound. The owner resets (cached) or finalizes it.
  struct Statement {
    sqlite3_stmt* stmt = nullptr;
    bool cached = false;
    const TableUse* use = nullptr;  // on a scratch store
    TableUse ownUse;                // of a statement not kept prepared
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
  void BeforeStatement(bool write) {
    if ((!write && !scratch) || !sqlite3_get_autocommit(db)) return;
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return;  // then it runs on its own
    static const bool registered = (AtEndProgram(ReleaseAllStores), true);
    (void)registered;
    store->batch = true;
    store->writes = 0;
  }

  // A transaction of the caller's on a scratch store is a savepoint within the batch: its COMMIT
  // keeps its rows with the batch, its ROLLBACK undoes them alone.
  void CallerTransaction(const std::string& verb) {
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
  void EndCallerTransaction(bool keep) {
    if (!keep) ++store->forgotten;
    if (!sqlite3_get_autocommit(db)) {
      if (!keep) sqlite3_exec(db, "ROLLBACK TO caller", nullptr, nullptr, nullptr);
      sqlite3_exec(db, "RELEASE caller", nullptr, nullptr, nullptr);
    }
    store->owner = nullptr;
  }

  // After a write: a long batch is committed, so what it holds back stays small.
  void AfterWrite() {
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

  // Commits the store's batch; a refusal (a full disk) loses the batch and is the statement's
  // error, so it reaches the status log through the caller.
  void CommitBatch() {
    int rc = store->Commit();
    if (rc != SQLITE_OK) RaiseEngine(nullptr, rc, path);
  }

  // Waits for a lock only on a file not yet found locked.
  void SetLockWait() { sqlite3_busy_timeout(db, LockedFiles().count(key) ? 0 : kLockWaitMs); }
  // Raises the engine's error; a lock that outlasted the wait marks the file as locked.
  [[noreturn]] void Fail(int rc) {
    if ((rc & 0xff) == SQLITE_BUSY) LockedFiles().insert(key);
    RaiseEngine(db, rc, path);
  }

  void Compile(const std::string& sql, Statement& out) {
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

  int Step(Statement& s) {
    int rc = sqlite3_step(s.stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail(rc);
    return rc;
  }
};

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

// ---- Recordset ----

struct Recordset::Impl {
  std::unique_ptr<Connection> own;   // the connection made from a connection string
  Connection* connection = nullptr;  // the connection the query runs on
  std::string source;
  LockType lock = adLockReadOnly;
  bool open = false;
  std::vector<std::string> names;
  std::string table;  // the one table of the query, when it has one
  std::vector<std::vector<Field>> rows;
  long position = 0;
  bool adding = false;
  ReadState state;  // on a scratch store, what the rows were read at

  void Read() {
    Connection::Impl& c = *connection->impl();
    if (!c.db) RaiseClosed();
    std::string sql = source;
    std::string verb = FirstWord(source);
    if (verb != "SELECT") {
      std::vector<Token> tokens = Tokenize(source);
      auto words = std::count_if(tokens.begin(), tokens.end(), [](const Token& t) { return t.kind != Token::Space; });
      if (words == 1 && (tokens[0].kind == Token::Word || tokens[0].kind == Token::Bracket)) {
        sql = "Select * From [" + NameOf(tokens[0]) + "]";  // a table name alone opens the whole table
        verb = "SELECT";
      }
    }
    position = 0;
    adding = false;
    const bool query = c.scratch && verb == "SELECT";
    if (const ReadRows* kept = query ? c.store->Rows(sql) : nullptr) {
      names = kept->names;
      table = kept->table;
      rows = kept->rows;
      state = kept->state;
      open = true;
      return;
    }
    c.BeforeStatement(false);
    Connection::Impl::Statement s;
    c.Compile(sql, s);
    // A statement that writes counts against its tables as it would through Execute.
    if (c.scratch && verb != "SELECT") c.store->Wrote(*s.use);
    state = c.scratch ? c.store->StateOf(*s.use) : ReadState{};
    int columns = sqlite3_column_count(s.stmt);
    names.clear();
    table.clear();
    rows.clear();
    std::set<std::string> tables;
    for (int i = 0; i < columns; ++i) {
      names.emplace_back(sqlite3_column_name(s.stmt, i));
      const char* from = sqlite3_column_table_name(s.stmt, i);
      tables.insert(from ? from : "");
    }
    if (tables.size() == 1) table = *tables.begin();
    while (c.Step(s) == SQLITE_ROW) {
      std::vector<Field> row;
      row.reserve(static_cast<size_t>(columns));
      for (int i = 0; i < columns; ++i) row.emplace_back(names[static_cast<size_t>(i)], ColumnValue(s.stmt, i));
      rows.push_back(std::move(row));
    }
    // A statement that returns no rows runs and leaves the recordset closed.
    open = columns > 0;
    if (query && open) c.store->KeepRows(sql, state, names, table, rows);
  }

  void NeedOpen() const {
    if (!open) RaiseClosed();
  }
  void NeedRecord() const {
    NeedOpen();
    if (position < 0 || position >= static_cast<long>(rows.size()))
      Raise(adErrNoCurrentRecord,
            "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
            "current record.");
  }
};

Recordset::Recordset() : impl_(std::make_unique<Impl>()) {}
Recordset::~Recordset() = default;

void Recordset::Open(const std::string& source, const std::string& activeConnection, CursorType, LockType lock,
                     long) {
  if (impl_->open) Raise(adErrOpenObject, "Operation is not allowed when the object is open.");
  auto own = std::make_unique<Connection>();
  own->Open(activeConnection);
  impl_->own = std::move(own);
  impl_->connection = impl_->own.get();
  impl_->source = source;
  impl_->lock = lock;
  impl_->Read();
  if (!impl_->open) impl_->own.reset();
}

void Recordset::Open(const std::string& source, Connection& activeConnection, CursorType, LockType lock, long) {
  if (impl_->open) Raise(adErrOpenObject, "Operation is not allowed when the object is open.");
  if (activeConnection.State() != adStateOpen) RaiseClosed();
  impl_->own.reset();
  impl_->connection = &activeConnection;
  impl_->source = source;
  impl_->lock = lock;
  impl_->Read();
}

int Recordset::State() const { return impl_->open ? adStateOpen : adStateClosed; }

long Recordset::RecordCount() const {
  impl_->NeedOpen();
  return static_cast<long>(impl_->rows.size());
}

bool Recordset::Eof() const {
  impl_->NeedOpen();
  return impl_->rows.empty() || impl_->position >= static_cast<long>(impl_->rows.size());
}

bool Recordset::Bof() const {
  impl_->NeedOpen();
  return impl_->rows.empty() || impl_->position < 0;
}

void Recordset::MoveFirst() {
  impl_->NeedOpen();
  impl_->position = 0;
}

void Recordset::MoveNext() {
  if (Eof()) impl_->NeedRecord();
  ++impl_->position;
}

void Recordset::MovePrevious() {
  if (Bof()) impl_->NeedRecord();
  --impl_->position;
}

void Recordset::MoveLast() {
  impl_->NeedOpen();
  impl_->position = static_cast<long>(impl_->rows.size()) - 1;
}

long Recordset::FieldCount() const {
  impl_->NeedOpen();
  return static_cast<long>(impl_->names.size());
}

std::string Recordset::FieldName(long index) const {
  impl_->NeedOpen();
  if (index < 0 || index >= static_cast<long>(impl_->names.size()))
    Raise(adErrItemNotFound, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  return impl_->names[static_cast<size_t>(index)];
}

Field& Recordset::Fields(long index) {
  impl_->NeedRecord();
  auto& row = impl_->rows[static_cast<size_t>(impl_->position)];
  if (index < 0 || index >= static_cast<long>(row.size()))
    Raise(adErrItemNotFound, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  return row[static_cast<size_t>(index)];
}

Field& Recordset::Fields(const std::string& name) {
  impl_->NeedOpen();
  std::string wanted = LCase(name);
  for (size_t i = 0; i < impl_->names.size(); ++i)
    if (LCase(impl_->names[i]) == wanted) return Fields(static_cast<long>(i));
  Raise(adErrItemNotFound, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

void Recordset::Requery() {
  impl_->NeedOpen();
  Connection::Impl& c = *impl_->connection->impl();
  if (c.db && c.scratch && !impl_->adding && c.store->Unchanged(impl_->state)) {
    impl_->position = 0;  // the same rows: only the position starts again
    return;
  }
  impl_->Read();
}

void Recordset::AddNew() {
  impl_->NeedOpen();
  if (impl_->lock == adLockReadOnly || impl_->table.empty())
    Raise(adErrNotUpdatable, "Current Recordset does not support updating. This may be a limitation of the provider, "
                             "or of the selected locktype.");
  std::vector<Field> row;
  for (const std::string& name : impl_->names) row.emplace_back(name, std::nullopt);
  impl_->rows.push_back(std::move(row));
  impl_->position = static_cast<long>(impl_->rows.size()) - 1;
  impl_->adding = true;
}

void Recordset::Update() {
  impl_->NeedOpen();
  if (!impl_->adding)
    Raise(adErrNotUpdatable, "Current Recordset does not support updating. This may be a limitation of the provider, "
                             "or of the selected locktype.");
  const auto& row = impl_->rows.back();
  std::string columns, marks;
  for (size_t i = 0; i < row.size(); ++i) {
    if (i) {
      columns += ",";
      marks += ",";
    }
    columns += "[" + row[i].Name() + "]";
    marks += "?";
  }
  Connection::Impl& c = *impl_->connection->impl();
  if (!c.db) RaiseClosed();
  std::string sql = "INSERT INTO [" + impl_->table + "](" + columns + ") VALUES(" + marks + ")";
  sqlite3_stmt* stmt = nullptr;
  c.BeforeStatement(true);
  if (c.scratch) c.store->Wrote(TableUse{{}, {LCase(impl_->table)}, false});
  c.SetLockWait();
  int rc = sqlite3_prepare_v2(c.db, sql.c_str(), -1, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    c.AfterWrite();
    c.Fail(rc);
  }
  for (size_t i = 0; i < row.size(); ++i) {
    const Value& v = row[i].GetValue();
    if (v) sqlite3_bind_text(stmt, static_cast<int>(i + 1), v->data(), static_cast<int>(v->size()), SQLITE_TRANSIENT);
  }
  rc = sqlite3_step(stmt);
  if (rc != SQLITE_DONE) {
    try {
      c.Fail(rc);
    } catch (...) {
      sqlite3_finalize(stmt);
      c.AfterWrite();
      throw;
    }
  }
  sqlite3_finalize(stmt);
  c.AfterWrite();
  impl_->adding = false;
}

void Recordset::Close() {
  impl_->NeedOpen();
  impl_->open = false;
  impl_->rows.clear();
  impl_->names.clear();
  impl_->own.reset();
  impl_->connection = nullptr;
}

// ---- Catalog ----

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
