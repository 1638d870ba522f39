// Other programs run by quorva-nightly (sftp, smbclient, QUORVASchedule): started without a
// shell, their output kept, and never waited for without a limit.
#pragma once

#include <string>
#include <vector>

namespace nightly {

struct ProcessOptions {
  std::string folder;                    // working folder; "" keeps this process's
  std::vector<std::string> environment;  // "NAME=value" added to (or replacing in) this process's
  std::string input;                     // written to its standard input, which then closes
  double timeout = 0;                    // seconds until it is stopped; 0 for no limit
  double grace = 5;                      // seconds between SIGTERM and SIGKILL when it is stopped
  bool stopWithUs = true;                // stopped too when this process is asked to stop
  size_t keep = 1 << 20;                 // bytes of each output kept (its end when longer)
};

struct ProcessResult {
  bool started = false;    // false when the program could not be started (startError says why)
  std::string startError;
  int pid = 0;             // its process id, 0 when it could not be started
  int exitCode = -1;       // its exit code when it exited
  int signal = 0;          // the signal that ended it, 0 when it exited
  bool timedOut = false;   // stopped at the time limit
  int stoppedBy = 0;       // the signal that asked this process to stop and was handed on, or 0
  std::string out, err;    // what it wrote
  double seconds = 0;      // how long it ran
};

// Runs a program (argv[0] found on PATH when it has no "/") in a process group of its own and
// waits for it. At the time limit, or when this process is asked to stop (Cli.h), the whole group
// gets SIGTERM and, grace seconds later, SIGKILL. Never raises; safe from several threads.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// The last line of a program's output that says something, for a one-line message.
std::string LastLine(const std::string& output);

}  // namespace nightly
