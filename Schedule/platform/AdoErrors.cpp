// Errors: an engine failure raised as the layer's error number with the classic text the status
// log has always shown, told apart by SQLite's extended code and its message (a value too long
// for its column is known by the name of the column's size check, and names the column).
#include "platform/AdoInternal.h"

#include "platform/Err.h"

namespace platform::ado::internal {

namespace {

std::string After(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size()) : std::string();
}

}  // namespace

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

}  // namespace platform::ado::internal
