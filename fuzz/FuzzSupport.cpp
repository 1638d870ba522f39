#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "logs/mLog.h"
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

void WriteInput(const std::string& relative, const uint8_t* data, size_t size) {
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
}

void ClearStatusLog() { ::truncate((folder + "/Log/QUORVALog.Log").c_str(), 0); }

}  // namespace fuzzsupport
