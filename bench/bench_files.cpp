// Writes N new files into one empty folder through the file layer, one small TextFile Output
// each, as a level writes its reports: every name is new, so the layer looks for it without
// regard to case before making it. Prints the time per file for each N, and beside it the floor:
// the same files made with plain calls (written under ".part", then renamed).
//
//   bench_files [N ...]      (default 2000 20000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Files.h"

int main(int argc, char** argv) {
  std::vector<long> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atol(argv[i]));
  if (counts.empty()) counts = {2000, 20000};
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "quorva-bench-files";
  auto name = [](long i) { return "WEB1_Site_" + std::to_string(i) + "_General_05_12_2026_10_00_00.html"; };
  // Seconds to make n files in an empty folder, each by make(path).
  auto time = [&](long n, const std::function<void(const std::string&)>& make) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < n; ++i) make(folder.string() + "/" + name(i));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  for (long n : counts) {
    double layer = time(n, [](const std::string& path) {
      platform::TextFile(path, platform::FileMode::Output).WriteLine("<html></html>");
    });
    double plain = time(n, [](const std::string& path) {
      std::FILE* f = std::fopen((path + ".part").c_str(), "wb");
      std::fputs("<html></html>\r\n", f);
      std::fclose(f);
      std::rename((path + ".part").c_str(), path.c_str());
    });
    std::printf("%6ld files in one folder: %8.1f us per file (%.2f s), plain calls %6.1f us\n", n, layer * 1e6 / n,
                layer, plain * 1e6 / n);
  }
  std::filesystem::remove_all(folder);
  return 0;
}
