// How the data-access layer rewrites a statement before SQLite runs it. Inside the layer only:
// the program goes through Ado.h; this is open for the layer's fuzz target.
#pragma once

#include <string>
#include <vector>

namespace platform::ado::internal {

// A statement as SQLite runs it: the text and the values of its text literals.
struct Prepared {
  std::string sql;
  std::vector<std::string> binds;
  bool cacheable = false;  // may be kept prepared and run again with other values
};

// Any text gives a result: a statement the rewriting does not know passes through unchanged.
// CREATE TABLE gets case-insensitive text columns with their size checks; in other statements
// "&" joins texts and, for a plain SELECT/INSERT/UPDATE/DELETE, text literals become bound
// values.
Prepared Prepare(const std::string& sql);

}  // namespace platform::ado::internal
