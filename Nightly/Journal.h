// The run journal QUORVASchedule writes, Log/QUORVARun.jsonl, read back: which job each status-log
// line and each file of the run belongs to. One JSON object a line; a line that is not one (a
// journal cut short by a kill) is left out.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace nightly {

struct JournalLine {
  int level = 0;       // 0 for a line of no level
  long job = -1;       // -1 for a line of no job
  std::string phase;   // start, setup, collect, export, end
  long number = 0;     // the error number, 0 for a message line
  std::string text;    // as the status log holds it
};

struct JournalFile {
  std::string kind;  // report, export-database, activity-log
  std::string path;  // native, absolute
};

struct JournalJob {
  int level = 0;
  long job = 0;          // its index in the level's lists, from 0
  std::string section;   // WebServer, ...
  std::string entry;     // the Server entry
  bool exported = false; // its export started (the fields below are known)
  std::string kind, tab, format, option, path, custom, printer;  // "" where the schedule has none
  std::vector<JournalFile> files;
  std::vector<JournalLine> lines;
};

struct Journal {
  bool found = false;       // the file was there and opened with a start line
  std::string start, end;   // "2026-12-07T01:00:00"; end "" when the run wrote no end line
  std::string version;
  long pid = 0;             // the process that wrote it
  std::map<std::pair<int, long>, JournalJob> jobs;  // by level and job
  std::vector<JournalLine> loose;                   // lines that belong to no job
  std::vector<JournalFile> looseFiles;              // files that belong to no job
  long lines = 0, errorLines = 0;                   // status-log lines of the run, error lines among them
  long reports = 0;                                 // report files and export databases
  bool stoppedLine = false;                         // it wrote its "Stopped by signal" line
};

// Reads a journal's text; never raises.
Journal ParseJournal(const std::string& text);
// Reads Log/QUORVARun.jsonl of the application folder; a missing file gives found false.
Journal ReadJournal();

}  // namespace nightly
