// The change list of one drift: Drift/<stamp>/changes.html for a person and changes.csv for a
// script, per server and site or directory: category, property, before, after.
#pragma once

#include <string>
#include <vector>

#include "SnapshotDiff.h"

namespace nightly {

// One server compared: its two newest history entries and what changed between them.
struct ServerDrift {
  std::string server, older, newer;  // the entries' stamps
  std::string olderFile, newerFile;  // the snapshot files in them, "" when an entry holds none
  std::string problem;               // why it was not compared, "" when it was
  SnapshotChanges changes;
};

// A changed site's side-by-side report, made by QUORVASchedule.
struct SideBySide {
  std::string server, site;
  std::string report;  // relative to the change folder, "" when there is none
  std::string note;    // why there is none
};

struct SideBySideRun {
  std::vector<SideBySide> sites;
  std::vector<std::string> statusLog;  // the scratch run's status-log lines
  std::string problem;                 // why the reports are missing or the run failed
};

// Writes changes.html and changes.csv into the folder. Raises when they cannot be written.
void WriteChangePages(const std::string& folder, const std::string& stamp, const std::vector<ServerDrift>& servers,
                      const SideBySideRun& sideBySide, const std::vector<std::string>& notes,
                      const std::vector<std::string>& problems);

}  // namespace nightly
