#include "Drift.h"

#include "Cli.h"

namespace nightly {

DriftResult RunDrift(const std::vector<std::string>&) { return {}; }

int DriftCommand(const std::vector<std::string>&) {
  Complain("drift is not built yet");
  return exitUsage;
}

}  // namespace nightly
