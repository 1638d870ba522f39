// A custom report definition file (the bytes of a .cfg database): each of its first four tables
// made into the custom report of a web server, a web site or a directory of the demo, written in
// one of the three formats (level and format chosen by the input's length).
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "custom/mCustom.h"
#include "RunState.h"

namespace {

const char* const kDefinitions = "QUORVACustomReport_Server.cfg";

// The definition file's tables, as a schedule would name them; none when it is no database.
std::vector<std::string> Reports(const std::string& path) {
  std::vector<std::string> names;
  sqlite3* db = nullptr;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table' LIMIT 4", -1, &st, nullptr) ==
          SQLITE_OK)
    while (sqlite3_step(st) == SQLITE_ROW) names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::UseScratchAppFolder();
  fuzzsupport::CollectDemoServers({"LEGACY01\\Partner Portal\\orders"});
  PathList = {"No"};
  JobIndex = 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = fuzzsupport::WriteInput(kDefinitions, data, size);
  CustomReportConfigPath = GetAppPath(kDefinitions);
  const std::string format = size % 3 == 0 ? "CSV" : size % 3 == 1 ? "HTML" : "MDB";
  CurrentLevel = static_cast<short>(1 + size / 3 % 3);
  const char* entries[] = {"LEGACY01", "WEBFARM01\\Contoso Shop", "LEGACY01\\Partner Portal\\orders"};
  for (const std::string& report : Reports(file))
    if (fuzzsupport::StaysInFolder(report)) ExportCustomReportIntoSelectedFormat(report, entries[CurrentLevel - 1], format);
  fuzzsupport::RemoveOutputs();
  fuzzsupport::ClearStatusLog();
  return 0;
}
