// Fetches the snapshots of a farm of servers over the local OpenSSH test server (started by
// scripts/test-services.sh) with quorva-nightly fetch, once at the default concurrency and once
// with Concurrency=1, each into a fresh application folder, and prints both times and their ratio.
//
//   bench_fetch [servers]      (default 200)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Process.h"

namespace fs = std::filesystem;

namespace {

const std::string kServices = "/tmp/quorva-test-services";

// Seconds for one whole fetch of the farm; exits when a server was not fetched.
double FetchAll(const fs::path& app, const std::string& sources) {
  fs::remove_all(app);
  fs::create_directories(app / "ScheduleInfo");
  std::ofstream(app / "ScheduleInfo/Sources.ini") << sources;
  const nightly::ProcessResult run = nightly::RunProcess({QUORVA_NIGHTLY, "--app", app.string(), "fetch"});
  if (run.exitCode != 0) {
    std::fprintf(stderr, "bench_fetch: fetch ended with %d:\n%s", run.exitCode, run.err.c_str());
    std::exit(1);
  }
  return run.seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const long servers = argc > 1 ? std::atol(argv[1]) : 200;
  if (nightly::RunProcess({"bash", QUORVA_SOURCE_DIR "/scripts/test-services.sh"}).exitCode != 0)
    std::fprintf(stderr, "bench_fetch: scripts/test-services.sh reported a problem; going on\n");
  // Each server's own file, as big as the demo's, served by the test server.
  const fs::path served = kServices + "/files/bench-fetch";
  fs::remove_all(served);
  std::ifstream demo(QUORVA_SOURCE_DIR "/demo/Servers/WEBFARM01/applicationHost.config", std::ios::binary);
  const std::string config((std::istreambuf_iterator<char>(demo)), std::istreambuf_iterator<char>());
  std::string list = "[Sources]\n";
  for (long i = 0; i < servers; ++i) {
    const std::string name = "WEB" + std::to_string(i);
    fs::create_directories(served / name);
    std::ofstream(served / name / "applicationHost.config", std::ios::binary) << config << "<!-- " << name << " -->\n";
    list += name + "=ssh://quorva-sftp" + (served / name / "applicationHost.config").string() + "\n";
  }
  const std::string options = "[Options]\nSshConfig=" + kServices + "/client/ssh_config\n";
  const fs::path app = fs::temp_directory_path() / "quorva-bench-fetch";
  const double pooled = FetchAll(app, list + options);
  const double sequential = FetchAll(app, list + options + "Concurrency=1\n");
  std::printf("%ld servers over sftp: default concurrency (8) %.2f s (%.1f ms a server), Concurrency=1 %.2f s "
              "(%.1f ms a server); sequential / pooled %.2f\n",
              servers, pooled, pooled * 1000 / servers, sequential, sequential * 1000 / servers, sequential / pooled);
  fs::remove_all(app);
  fs::remove_all(served);
  return 0;
}
