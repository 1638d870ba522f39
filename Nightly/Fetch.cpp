#include "Fetch.h"

#include "Cli.h"

namespace nightly {

std::vector<FetchResult> FetchSources(const Sources&, const std::vector<std::string>&) { return {}; }

std::string LastFetchStamp() { return {}; }

int FetchCommand(const std::vector<std::string>&) {
  Complain("fetch is not built yet");
  return exitUsage;
}

}  // namespace nightly
