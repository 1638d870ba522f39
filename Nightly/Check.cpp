#include "Check.h"

#include "Cli.h"

namespace nightly {

int CheckCommand(const std::vector<std::string>&) {
  Complain("check is not built yet");
  return exitUsage;
}

}  // namespace nightly
