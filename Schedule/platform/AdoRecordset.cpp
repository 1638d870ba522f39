// Recordsets: a query read whole at open, on a connection of its own made from a connection string
// or on an open one; a lone table name opens the whole table. The rows are held in memory, so a
// recordset holds no lock; Requery reads again only when its tables were written since. AddNew
// and Update write one new record into the table of a one-table query.
#include "platform/AdoInternal.h"

#include <algorithm>
#include <cstdio>

#include "platform/Err.h"
#include "platform/Text.h"

namespace platform::ado {

using namespace internal;

namespace {

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

}  // namespace platform::ado
