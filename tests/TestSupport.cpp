#include "TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "database/SqliteFile.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "RunState.h"
#include "iis/Components.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace testsupport {

ScratchAppFolder::ScratchAppFolder() {
  std::string pattern = (fs::temp_directory_path() / "quorva-test-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  path_ = made ? made : pattern;
  fs::create_directories(path_ + "/Log");
  platform::SetAppFolder(path_);
}

ScratchAppFolder::~ScratchAppFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void ScratchAppFolder::Write(const std::string& relative, const std::string& bytes) const {
  fs::create_directories(fs::path(At(relative)).parent_path());
  std::ofstream(At(relative), std::ios::binary) << bytes;
}

std::string ScratchAppFolder::InstallProgram() const {
  fs::copy_file(QUORVA_PROGRAM, At("QUORVASchedule"), fs::copy_options::overwrite_existing);
  return At("QUORVASchedule");
}

std::string ReadFile(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::string text = platform::Replace(ReadFile(path), "\r\n", "\n");
  if (text.ends_with('\n')) text.pop_back();
  return platform::Split(text, "\n");
}

std::vector<std::string> StatusLog(const ScratchAppFolder& app) { return ReadLines(app.At("Log/QUORVALog.Log")); }

int LinesWith(const std::vector<std::string>& lines, const std::string& text) {
  return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

std::string MissingFrom(const std::string& text, const std::vector<std::string>& parts) {
  std::string missing;
  for (const auto& part : parts)
    if (text.find(part) == std::string::npos) missing += "'" + part + "' ";
  return missing;
}


long ErrorOf(const std::function<void()>& statement, std::string* description) {
  try {
    statement();
  } catch (const platform::RuntimeError& e) {
    if (description) *description = e.Description();
    return e.Number();
  }
  return 0;
}

UnwritableFolder::UnwritableFolder(const std::string& path) : path(path) {
  fs::create_directory(path);
  immutable = std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) == 0;
  if (!immutable) fs::remove(path), std::ofstream(path) << "not a folder";
}

UnwritableFolder::~UnwritableFolder() {
  if (immutable) std::system(("chattr -i '" + path + "'").c_str());
}

void CopyDemoServers(const ScratchAppFolder& app) {
  for (const char* file : {"WEBFARM01/applicationHost.config", "LEGACY01/MetaBase.xml"})
    app.Write(std::string("Servers/") + file, ReadFile(SourceDir() + "/demo/Servers/" + file));
}

SettingsTest::SettingsTest() {
  CopyDemoServers(app);
  DatabasePath = GetAppPath("VelmoraDatabase.mdb");
  ServerVersion = iis::kServerVersionIIS6AndLater;
  ServerInfoComponent = std::make_shared<iis::ServerInfoComponent>();
}

void SettingsTest::TearDown() {
  if (SettingsConnection && SettingsConnection->State() == platform::ado::adStateOpen) SettingsConnection->Close();
  ServerList.clear();
  SitePropertiesCollector.reset();
  SiteServicesCollector.reset();
  HomeDirectoryCollector.reset();
}

void SettingsTest::StartLevel(short level) {
  CurrentLevel = level;
  CreateDBResource();
  InitConnections();
}

Rows SettingsTest::Query(const std::string& sql) const { return QueryFile(app.At("VelmoraDatabase.mdb"), sql); }

std::vector<std::string> RunSchedule(const ScratchAppFolder& app, const std::string& schedule) {
  CopyDemoServers(app);
  app.Write("ScheduleInfo/ScheduleConfig.ini", schedule);
  EXPECT_EQ(RunProgram(app.InstallProgram()), 0);
  return StatusLog(app);
}

int StartProgram(const std::string& program, const std::vector<std::string>& extraEnvironment) {
  pid_t pid = ::fork();
  if (pid == 0) {
    for (const auto& assignment : extraEnvironment) ::putenv(const_cast<char*>(assignment.c_str()));
#ifndef __SANITIZE_ADDRESS__
    const struct rlimit limit {rlim_t(ProgramAddressSpace), rlim_t(ProgramAddressSpace)};
    if (ProgramAddressSpace > 0) ::setrlimit(RLIMIT_AS, &limit);
#endif
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

int WaitProgram(int pid, double seconds) {
  siginfo_t ended {};
  for (int i = 0; i < seconds * 100 && !::waitid(P_PID, id_t(pid), &ended, WEXITED | WNOHANG | WNOWAIT) && !ended.si_pid;
       ++i)
    ::usleep(10000);
  ::kill(pid, SIGKILL);  // a no-op on a process that ended and is not yet waited for
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? -WTERMSIG(status) : -1;
}

bool StandsAtPipe(int pid) {
  const std::string proc = "/proc/" + std::to_string(pid) + "/";
  for (;;) {
    const std::string wchan = ReadFile(proc + "wchan"), stat = ReadFile(proc + "stat");
    if (wchan == "wait_for_partner" || wchan == "fifo_open") return true;
    if (stat.empty() || stat.find(") Z") != std::string::npos) return false;
    ::usleep(100);
  }
}

int RunProgram(const std::string& program, const std::vector<std::string>& extraEnvironment) {
  return WaitProgram(StartProgram(program, extraEnvironment));
}

std::string SourceDir() { return QUORVA_SOURCE_DIR; }

namespace {
constexpr const char* kChildVariable = "QUORVA_TEST_CHILD";
std::map<std::string, void (*)()>& ChildProcedures() {
  static std::map<std::string, void (*)()> procedures;
  return procedures;
}
}  // namespace

ChildProcedure::ChildProcedure(const char* name, void (*body)()) { ChildProcedures()[name] = body; }

int RunChild(const ScratchAppFolder& app, const std::string& name, const std::vector<std::string>& extraEnvironment) {
  std::string copy = app.At("schedule_tests");
  fs::copy_file(fs::read_symlink("/proc/self/exe"), copy, fs::copy_options::overwrite_existing);
  std::vector<std::string> environment = extraEnvironment;
  environment.push_back(std::string(kChildVariable) + "=" + name);
  return RunProgram(copy, environment);
}

void RunChildIfAsked() {
  const char* name = std::getenv(kChildVariable);
  if (name == nullptr) return;
  auto found = ChildProcedures().find(name);
  if (found == ChildProcedures().end()) {
    std::fprintf(stderr, "no child procedure named %s\n", name);
    std::_Exit(126);
  }
  found->second();
  std::fflush(nullptr);
  std::_Exit(0);
}

void ExpectLikeFile(const std::string& text, const std::string& dataFile,
                    const std::vector<std::pair<std::string, std::string>>& marks, bool crlf) {
  const std::string path = SourceDir() + "/tests/" + dataFile;
  std::string marked = text, expected = ReadFile(path);
  for (const auto& [part, mark] : marks) marked = platform::Replace(marked, part, mark);
  static const std::regex time(" at \\d{1,2}/\\d{1,2}/\\d{4}( \\d{1,2}:\\d\\d:\\d\\d [AP]M)?");
  marked = std::regex_replace(marked, time, " at <date>");
  // QUORVA_WRITE_EXPECTED=1 writes the text as the new data file, to be read before it is committed.
  if (std::getenv("QUORVA_WRITE_EXPECTED"))
    std::ofstream(path, std::ios::binary) << (crlf ? platform::Replace(marked, "\r\n", "\n") : marked);
  EXPECT_EQ(marked, crlf ? platform::Replace(expected, "\n", "\r\n") : expected) << "tests/" << dataFile;
}

std::string StatusLogText(const ScratchAppFolder& app) {
  const std::string text = platform::Join(StatusLog(app), "\n");
  return text.empty() ? text : text + "\n";
}

void ExecuteSqlFile(const std::string& dataFile) {
  for (const std::string& line : ReadLines(SourceDir() + "/tests/" + dataFile))
    if (!line.empty() && !line.starts_with("--")) SettingsConnection->Execute(line);
}

}  // namespace testsupport
