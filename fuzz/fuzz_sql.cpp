// The data layer's rewriting of statement texts before SQLite sees them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/AdoStatement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string sql(reinterpret_cast<const char*>(data), size);
  platform::ado::internal::Prepared p = platform::ado::internal::Prepare(sql);
  // Bound values come out of literals of the text: they can never be longer than it.
  size_t bound = 0;
  for (const std::string& value : p.binds) bound += value.size();
  if (bound > sql.size()) __builtin_trap();
  return 0;
}
