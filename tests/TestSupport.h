// Scratch application folders and the real program, for tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A schedule file with the five level sections and no jobs.
inline constexpr const char* kEmptySchedule =
    "[WebServer]\r\n[WebSite]\r\n[VirtualDirectory]\r\n[WebSiteComp]\r\n[VirtualDirectoryComp]\r\n";

// A fresh folder under /tmp that stands in for the program's folder while it lives: the
// platform's application folder points at it, and it holds an empty Log folder.
class ScratchAppFolder {
 public:
  ScratchAppFolder();
  ~ScratchAppFolder();
  const std::string& Path() const { return path_; }
  // A path inside the folder, "/"-separated.
  std::string At(const std::string& relative) const { return path_ + "/" + relative; }
  // Writes a file inside the folder (folders created as needed).
  void Write(const std::string& relative, const std::string& bytes) const;
  // Copies the built program into the folder; returns its path.
  std::string InstallProgram() const;

 private:
  std::string path_;
};

// A folder the program cannot write into although it runs as root: made immutable. Where the
// file system has no such attribute, a file stands where the folder should be.
struct UnwritableFolder {
  explicit UnwritableFolder(const std::string& path);
  ~UnwritableFolder();
  // The error an output file inside it meets: permission denied, or a path not found.
  long OpenError() const { return immutable ? 70 : 76; }
  std::string path;
  bool immutable = false;
};

// The whole content of a file, or "" when it is missing.
std::string ReadFile(const std::string& path);
// The lines of a text file without their CR LF.
std::vector<std::string> ReadLines(const std::string& path);
// The lines of the status log of an application folder.
std::vector<std::string> StatusLog(const ScratchAppFolder& app);
// How many of the lines hold the text.
int LinesWith(const std::vector<std::string>& lines, const std::string& text);
// The parts the text does not hold, each quoted; "" when it holds them all.
std::string MissingFrom(const std::string& text, const std::vector<std::string>& parts);
// The number of the run-time error a statement raises (0 for none), its description in *description.
long ErrorOf(const std::function<void()>& statement, std::string* description = nullptr);
// Copies the demo snapshots of WEBFARM01 (applicationHost.config) and LEGACY01 (metabase).
void CopyDemoServers(const ScratchAppFolder& app);

using Rows = std::vector<std::vector<std::string>>;

// A test over the settings database of a scratch folder holding the demo snapshots, starting the
// levels of a run itself from the run-wide state a collection starts from (the database's path,
// the server version, the server-info component). Closes the settings connection and clears the
// job list and the site collectors when it ends.
class SettingsTest : public testing::Test {
 protected:
  SettingsTest();
  void TearDown() override;
  // A level as the run starts it: tables re-created, settings connection opened.
  void StartLevel(short level);
  // The rows of a query on the settings database file.
  Rows Query(const std::string& sql) const;
  ScratchAppFolder app;
};

// Runs the program over the demo snapshots with this schedule file, expecting exit code 0;
// returns the status log.
std::vector<std::string> RunSchedule(const ScratchAppFolder& app, const std::string& schedule);

// The address space, in bytes, of the programs started below (0: no limit). Sanitizer builds,
// which reserve terabytes for their shadow memory, run without it.
inline long long ProgramAddressSpace = 0;

// Runs a program with no arguments and waits for it; returns its exit code (-signal when killed).
int RunProgram(const std::string& program, const std::vector<std::string>& extraEnvironment = {});
// Starts a program with no arguments without waiting; returns its process id.
int StartProgram(const std::string& program, const std::vector<std::string>& extraEnvironment = {});
// Waits for a started program, at most this long: one still running then is killed (-9). Returns
// its exit code (-signal when killed).
int WaitProgram(int pid, double seconds = 1e9);
// Waits until a started program stands in the opening of a pipe that has no partner yet (a status
// log made a named pipe); false once it has ended instead.
bool StandsAtPipe(int pid);

// The source tree, for fixtures such as demo/.
std::string SourceDir();

// A procedure that runs as a fresh process of the test program itself (its own toolkit, window
// and process end), for tests of what happens to a whole process. Define one at namespace scope:
//   testsupport::ChildProcedure closeMidRun("CloseMidRun", [] { ... });
struct ChildProcedure {
  ChildProcedure(const char* name, void (*body)());
};
// Runs the named child procedure in a new process of a copy of the test program placed in the
// scratch folder, so that the folder is the child's application folder and children of parallel
// tests never meet as "a second instance". Returns the exit code as RunProgram does; the child
// exits 0 when its procedure returns.
int RunChild(const ScratchAppFolder& app, const std::string& name,
             const std::vector<std::string>& extraEnvironment = {});
// Called first in main: when this process was started by RunChild, runs its procedure and exits.
void RunChildIfAsked();

// Expects the text to be the data file beside the tests (a path under tests/) once each part of
// `marks` (a date, a folder) is turned into the placeholder that stands there, and each time of a
// status-log line ("at 12/6/2026 1:00:00 AM") into "at <date>"; with crlf, every line of the text
// ends in CR LF where the file's ends in LF.
void ExpectLikeFile(const std::string& text, const std::string& dataFile,
                    const std::vector<std::pair<std::string, std::string>>& marks = {}, bool crlf = false);
// The status log of an application folder, each line ended by "\n".
std::string StatusLogText(const ScratchAppFolder& app);
// Runs the statements of an SQL file beside the tests (a path under tests/) on the settings
// connection, one a line; lines that start with "--" are comments.
void ExecuteSqlFile(const std::string& dataFile);

}  // namespace testsupport
