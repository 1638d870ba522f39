// The run journal Log\QUORVARun.jsonl: what this run did, one JSON object a line, for the programs
// that read a run afterwards (quorva-nightly's run pages).
//
// Status-log lines name no job, collection runs for every job of a level before any export, and
// activity logs of one second replace each other; the journal says where each status-log line,
// each job and each finished file belongs. It is made afresh when a run starts (a refused second
// start never touches it); every line is whole and handed to the system before the next step, so
// a killed run leaves the lines up to the kill. It is an addition: nothing else the program
// writes changes because of it, and a journal that cannot be written is given up without a word
// (the status log already says what is wrong with the Log folder). No call raises.
//
//   {"event":"start","time":"2026-12-07T01:00:00","version":"1.0.0","pid":4242}
//   {"event":"collect","level":1,"section":"WebServer","job":0,"entry":"WEBFARM01"}
//   {"event":"export","level":1,"section":"WebServer","job":0,"entry":"WEBFARM01","kind":"standard",
//    "tab":"1\\7","format":"HTML","option":"0","path":"No","custom":"No","printer":""}
//   {"event":"status","level":1,"job":0,"phase":"export","number":76,"line":"mExport..."}
//   {"event":"file","level":1,"job":0,"kind":"report","path":"/srv/quorva/WEBFARM01_General_....html"}
//   {"event":"end","time":"2026-12-07T01:03:10"}
#pragma once

#include <string>
#include <vector>

namespace journal {

// Where the run is: "start", "setup" (a level's schedule, database and connection), "collect",
// "export", "end".
enum class Phase { Start, Setup, Collect, Export, End };

// Makes the journal afresh and writes its start line. Until then every other call writes nothing.
void Begin();
// The run enters a report level (1..5, its schedule section): status lines belong to its set-up.
void Level(short level, const std::string& section);
// Status lines from now on belong to this phase of the level (none at start and end) and to this
// job (-1 for none).
void Place(Phase phase, long job = -1);
// A job's collection starts; its lines belong to it until the next Place.
void Collect(long job, const std::string& entry);

// The job lists of the level, read at the job's index (null where a list is shorter).
struct JobLists {
  const std::vector<std::string>*server, *tab, *format, *option, *path, *custom, *printer;
};
// A job's export starts: kind "standard", "custom" or "comparison", and its entries.
void Export(long job, const char* kind, const JobLists& lists);

// A status-log line as it was written (number 0 for a message line); written false when it could
// not be written to the status log.
void StatusLine(const std::string& line, long number, bool written);
// A file the run finished: kind "report", "export-database" or "activity-log", and its path as
// the program names it (made native and absolute here).
void File(const char* kind, const std::string& path);
// The run's end line.
void End();

}  // namespace journal
