// drift: what changed between the two newest snapshots of each server the last fetch changed,
// web site by web site and directory by directory, as Drift/<stamp>/changes.html and changes.csv,
// with a side-by-side comparison report of each changed site made by QUORVASchedule itself in a
// scratch application folder.
#pragma once

#include <string>
#include <vector>

namespace nightly {

struct DriftResult {
  std::string folder;                   // "Drift/<stamp>", "" when no server had two snapshots to compare
  std::vector<std::string> servers;     // the servers compared
  std::vector<std::string> changed;     // the servers with at least one change
  long changes = 0;                     // rows of the change list
  std::vector<std::string> problems;    // what could not be done (also said on stderr)
};

// Compares the servers the last fetch changed (or the named ones). Never raises.
DriftResult RunDrift(const std::vector<std::string>& servers);

// quorva-nightly drift [SERVER...]
int DriftCommand(const std::vector<std::string>& args);

}  // namespace nightly
