// A comparison job's Server entry ("name(1\server\site,2\server\site)", with directories below
// the sites at level 5) through the comparison driver of levels 4 and 5, over the demo's
// settings, written in one of the three formats.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "compare/CompareDriver.h"
#include "RunState.h"
#include "platform/Text.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::UseScratchAppFolder();
  fuzzsupport::CollectDemoServers({"WEBFARM01\\Contoso Shop\\checkout", "LEGACY01\\Partner Portal\\orders"});
  OptionList = {"0"};
  PathList = {"No"};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string entry(reinterpret_cast<const char*>(data), size);
  // The name before "(" names the report file.
  if (!fuzzsupport::StaysInFolder(platform::TextBefore(entry, "("))) return 0;
  ServerList = {entry};
  FormatList = {size % 3 == 0 ? "CSV" : size % 3 == 1 ? "HTML" : "MDB"};
  for (short level = 4; level <= 5; ++level) {
    CurrentLevel = level;
    ExportComparisonDetails();
  }
  fuzzsupport::RemoveOutputs();
  fuzzsupport::ClearStatusLog();
  return 0;
}
