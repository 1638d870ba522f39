// The data-access layer: connections, recordsets and a catalog over SQLite, in the shape of the
// classic data-access objects the program's SQL texts were written for.
//
// Every database of the system is an SQLite file under its traditional name (.mdb, .cfg). The
// layer keeps the behaviour those SQL texts rely on: text(n) limits are errors, text compares
// without regard to case, bracketed names keep trailing blanks, a recordset reads all its rows at
// open and holds no lock, Null stays apart from empty text, and a failing statement raises a
// RuntimeError with a negative number and a readable description.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ado {

// Numbers of the errors the layer raises.
enum AdoError : long {
  adErrTableMissing = -2147217865,  // the statement names a table that does not exist
  adErrSyntax = -2147217900,        // the engine rejects the statement
  adErrValueTooLong = -2147217887,  // a value does not fit its column
  adErrCannotOpen = -2147467259,    // the database file cannot be opened or created, or is locked
  adErrDatabaseExists = -2147217897,  // the catalog is asked to create a file that is there
  adErrUnknownName = -2147217904,   // the statement names a column the table does not have
  adErrNoCurrentRecord = -2146825267,  // BOF or EOF, or the record was deleted
  adErrItemNotFound = -2146825023,  // no field of that name or position
  adErrClosedObject = -2146824584,  // the operation needs an open object
  adErrOpenObject = -2146824583,    // the operation needs a closed object
  adErrNotUpdatable = -2146825037,  // the recordset cannot add or change records
};

// Marks a database file as a scratch store: every connection opened on it afterwards trades
// durability for speed (no flush per statement). Other files stay safely written.
void RegisterScratchDatabase(const std::string& path);
bool IsScratchDatabase(const std::string& path);
// Commits the writes held back on scratch stores (they are committed by themselves every few
// thousand rows, before a transaction of the caller's, and at program end), and gives the files
// the process made (held for it from their first write) back to other processes, so that a reader
// outside the layer sees them now.
void CommitHeldWrites();
// Gives the files the process made, each held for it from its first write, back to other
// processes: a job's export database, once the job is done. Never raises.
void ReleaseHeldFiles();

// True when the file is there but is not a database: not an SQLite file at all, or one whose
// pages are damaged (a truncated copy). False otherwise, also when it cannot be looked into for
// another reason (missing, a folder, locked by another process).
bool IsDamagedDatabase(const std::string& path);

// A statement waits a while for a lock another process holds on its file. Once a file was found
// locked, every later statement on it fails at once (adErrCannotOpen, "currently locked") until
// ForgetLocks, so a file held for hours costs one wait, not one per statement.
void ForgetLocks();

enum CursorType { adOpenForwardOnly = 0, adOpenKeyset = 1, adOpenDynamic = 2, adOpenStatic = 3 };
enum LockType { adLockReadOnly = 1, adLockPessimistic = 2, adLockOptimistic = 3, adLockBatchOptimistic = 4 };
enum ObjectState { adStateClosed = 0, adStateOpen = 1 };

// A value as the engine holds it: Null, or text (numbers come as their text).
using Value = std::optional<std::string>;

class Field {
 public:
  Field(std::string name, Value value) : name_(std::move(name)), value_(std::move(value)) {}
  const std::string& Name() const { return name_; }
  const Value& GetValue() const { return value_; }
  bool IsNull() const { return !value_.has_value(); }
  // The value as text; Null gives "".
  std::string Text() const { return value_.value_or(std::string()); }
  void SetValue(Value value) { value_ = std::move(value); }

 private:
  std::string name_;
  Value value_;
};

class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  std::string Provider;

  // Opens the database file the connection string names: a bare path, or a text holding
  // "Data Source =" and the path. Options -1 means none. A missing file is created only by the
  // Catalog; opening one raises adErrCannotOpen. "Mode=Read" beside "Data Source" opens the
  // file for reading only: a statement that would change it raises adErrCannotOpen.
  void Open(const std::string& connectionString, const std::string& user = "", const std::string& password = "",
            long options = -1);
  // Runs one statement; returns the number of rows it changed.
  long Execute(const std::string& sql, long options = -1);
  int State() const;
  void Close();
  const std::string& ConnectionString() const { return connectionString_; }

  struct Impl;
  Impl* impl() const { return impl_.get(); }

 private:
  std::string connectionString_;
  std::unique_ptr<Impl> impl_;
};

class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Runs the query on a connection of its own, made from the connection string, and reads all
  // rows at once.
  void Open(const std::string& source, const std::string& activeConnection, CursorType cursor = adOpenForwardOnly,
            LockType lock = adLockReadOnly, long options = -1);
  // Runs the query on an open connection, which must outlive the open recordset.
  void Open(const std::string& source, Connection& activeConnection, CursorType cursor = adOpenForwardOnly,
            LockType lock = adLockReadOnly, long options = -1);
  int State() const;
  long RecordCount() const;
  bool Eof() const;
  bool Bof() const;
  void MoveFirst();
  void MoveNext();
  void MovePrevious();
  void MoveLast();
  long FieldCount() const;
  // The field of the current record, by position or by name (without regard to case).
  Field& Fields(long index);
  Field& Fields(const std::string& name);
  // The name of the field at a position, also when there is no current record; a position
  // outside the fields raises adErrItemNotFound.
  std::string FieldName(long index) const;
  // Runs the query again and reads the rows afresh.
  void Requery();
  // Starts a new record at the end; Update writes it into the table of a one-table query.
  // Records read from the file cannot be changed through the recordset.
  void AddNew();
  void Update();
  void Close();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

class Catalog {
 public:
  Catalog();
  ~Catalog();
  Catalog(const Catalog&) = delete;
  Catalog& operator=(const Catalog&) = delete;

  // Creates a new, empty database file from a connection string; raises when it exists.
  void Create(const std::string& connectionString);
  // Lists the tables of an open connection; nullptr lets go of it.
  void SetActiveConnection(Connection* connection);
  long TableCount() const;
  std::string TableName(long index) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::ado
