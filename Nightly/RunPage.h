// The page of one night's run, Runs/<yyyy-mm-dd_hh-mm-ss>.html, and the index of all runs,
// Runs/index.html with its comma-separated twin Runs/index.csv (a script reads that one).
//
// The page says when the run started and ended, its exit status in words, each fetch, the
// schedule's problems, then every job the journal names with the files it made, linked, and the
// status-log lines that belong to it; the lines of no job apart; and the drift's changes. Links
// are relative while the file lies in the application folder, so the pages work when the folder
// is moved or served. Every text from a configuration file, the schedule or a log is escaped, and
// a report shown inside the page is in a frame that runs no script.
#pragma once

#include <string>
#include <vector>

#include "Drift.h"
#include "Fetch.h"
#include "Journal.h"
#include "Problems.h"
#include "platform/DateTime.h"

namespace nightly {

struct RunRecord {
  std::string stamp;                  // the start, "yyyy-mm-dd_hh-mm-ss": the page's name
  platform::DateTime started, ended;  // local time
  double seconds = 0;                 // how long the whole run took
  int exitStatus = 0;                 // the sum of ExitCause
  bool fetched = false;               // Sources.ini had sources, so fetch ran
  std::vector<FetchResult> fetches;
  std::vector<Problem> problems;      // check's
  std::string program;                // what became of QUORVASchedule, in words
  bool programOk = false;             // it ran and ended normally
  Journal journal;                    // its journal of this run (found false when it wrote none)
  bool drifted = false;               // drift ran
  DriftResult drift;
};

// Writes the run's page and the index; pages and index rows of runs that started more than
// keepDays days ago go. Returns the page's path. Raises when a page cannot be written.
std::string WriteRunPages(const RunRecord& run, int keepDays);

// The exit status in words: "nothing went wrong", or its causes joined by "; ".
std::string ExitWords(int status);
// A time span as a person reads it: "4 s", "3 min 10 s", "2 h 5 min".
std::string DurationWords(double seconds);

}  // namespace nightly
