// quorva-nightly: the operator's side of QUORVASchedule on a Linux host. It fetches the servers'
// configuration snapshots, keeps their history, shows what changed, checks the schedule, and runs
// the night. This unit holds what every command shares: the exit status, messages on stderr, the
// stop signals, the stamps that name entries, and the version.
#pragma once

#include <string>

#include "platform/DateTime.h"

namespace nightly {

// The exit status is a sum of causes, so that a script can test each one.
enum ExitCause : int {
  exitOk = 0,
  exitProblems = 1,            // problems in the schedule or sources files
  exitFetchFailed = 2,         // a fetch failed
  exitStatusLogErrors = 4,     // error lines in the status log during the run
  exitProgramEnded = 8,        // QUORVASchedule ended early (its exit code 1)
  exitStatusLogUnwritten = 16, // QUORVASchedule could not write status-log lines (its 2)
  exitStopped = 32,            // the run was stopped (time limit or signal)
  exitUsage = 64,              // alone: the command line was wrong
};

// Writes one line on stderr: "quorva-nightly: " and the text. Safe from several threads.
void Complain(const std::string& text);
// Writes one line on stdout. Safe from several threads.
void Say(const std::string& text);

// From now on SIGTERM, SIGINT and SIGHUP only note that the process was asked to stop; the
// commands look at StopSignal between steps and hand it on to the programs they wait for.
void WatchStopSignals();
// The signal that asked the process to stop, 0 while none did.
int StopSignal();

// "yyyy-mm-dd_hh-mm-ss" in local time: the name of history entries, change folders and run pages.
// Such names sort as their times do.
std::string Stamp(const platform::DateTime& time);
// True when the name has that form.
bool IsStamp(const std::string& name);

// The version of quorva-nightly and QUORVASchedule (one for both).
const char* Version();

}  // namespace nightly
