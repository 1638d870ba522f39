#include "Run.h"

#include "Cli.h"

namespace nightly {

int RunCommand(const std::vector<std::string>&) {
  Complain("run is not built yet");
  return exitUsage;
}

}  // namespace nightly
