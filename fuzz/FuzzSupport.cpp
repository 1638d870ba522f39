#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "collect/mCollect.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "iis/Components.h"
#include "logs/mLog.h"
#include "RunState.h"
#include "platform/Ado.h"
#include "platform/Err.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

namespace fuzzsupport {

namespace {
std::string folder;
void RemoveFolder() {
  std::error_code ec;
  fs::remove_all(folder, ec);
}
}  // namespace

void UseScratchAppFolder() {
  std::string pattern = (fs::temp_directory_path() / "quorva-fuzz-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) std::abort();
  folder = pattern;
  fs::create_directories(folder + "/Log");
  std::atexit(RemoveFolder);
  platform::SetAppFolder(folder);
  platform::SetErrorReporter(WriteStatusLog);
}

std::string WriteInput(const std::string& relative, const uint8_t* data, size_t size) {
  static long long stamp = 0;
  fs::path file = folder + "/" + relative;
  fs::create_directories(file.parent_path());
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  // Two inputs of one size written within one clock tick would otherwise look like one file.
  ++stamp;
  struct timespec times[2] = {{stamp, 0}, {stamp, 0}};
  ::utimensat(AT_FDCWD, file.c_str(), times, 0);
  return file.string();
}

void ClearStatusLog() { ::truncate((folder + "/Log/QUORVALog.Log").c_str(), 0); }

void CollectDemoServers(const std::vector<std::string>& directories) {
  for (const char* file : {"WEBFARM01/applicationHost.config", "LEGACY01/MetaBase.xml"}) {
    fs::create_directories(fs::path(folder + "/Servers/" + file).parent_path());
    fs::copy_file(std::string(QUORVA_SOURCE_DIR) + "/demo/Servers/" + file, folder + "/Servers/" + file);
  }
  // Drawn into memory; made now, so that no input is charged with the toolkit's allocations.
  ::unsetenv("DISPLAY");
  frmSchedule().Window();
  DatabasePath = GetAppPath("VelmoraDatabase.mdb");
  ServerVersion = iis::kServerVersionIIS6AndLater;
  ServerInfoComponent = std::make_shared<iis::ServerInfoComponent>();
  CurrentLevel = 1;
  CreateDBResource();
  InitConnections();
  ServerList = {"WEBFARM01", "LEGACY01"};
  CollectIISSettings();
  CurrentLevel = 3;
  ServerList = directories;
  CollectIISSettings();
  ServerList.clear();
}

void RemoveOutputs() {
  platform::ado::CommitHeldWrites();  // gives the export databases back, so they can go
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name == "Servers" || name == "Log" || name.starts_with("VelmoraDatabase.mdb") ||
        name.starts_with("QUORVACustomReport_"))
      continue;
    fs::remove_all(entry.path(), ec);
  }
  for (const auto& entry : fs::directory_iterator(folder + "/Log", ec))
    if (entry.path().filename().string().starts_with("ActivityLog")) fs::remove(entry.path(), ec);
}

bool StaysInFolder(const std::string& name) { return name.find_first_of("/\\") == std::string::npos; }

}  // namespace fuzzsupport
