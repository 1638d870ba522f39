#include "Fetch.h"

#include "Cli.h"

namespace nightly {

int FetchCommand(const std::vector<std::string>&) {
  Complain("fetch is not built yet");
  return exitUsage;
}

}  // namespace nightly
