// Writes N new files into one empty folder through the file layer, one small TextFile Output
// each, as a level writes its reports: every name is new, so the layer looks for it without
// regard to case before making it. Prints the time per file for each N.
//
//   bench_files [N ...]      (default 2000 20000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Files.h"

int main(int argc, char** argv) {
  std::vector<long> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atol(argv[i]));
  if (counts.empty()) counts = {2000, 20000};
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "quorva-bench-files";
  for (long n : counts) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string prefix = folder.string() + "\\WEB1_Site_";
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < n; ++i)
      platform::TextFile(prefix + std::to_string(i) + "_General_05_12_2026_10_00_00.html", platform::FileMode::Output)
          .WriteLine("<html></html>");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%6ld files in one folder: %8.1f us per file (%.2f s)\n", n, seconds * 1e6 / n, seconds);
  }
  std::filesystem::remove_all(folder);
  return 0;
}
