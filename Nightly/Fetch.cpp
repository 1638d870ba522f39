#include "Fetch.h"

#include "Cli.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace nightly {

std::vector<FetchResult> FetchSources(const Sources&, const std::vector<std::string>&) { return {}; }

std::string LastFetchStamp() {
  try {
    std::string stamp = platform::ReadAllBytes(platform::AppFolder() + "/History/last-fetch");
    stamp = platform::Trim(platform::Replace(platform::Replace(stamp, "\r", ""), "\n", ""));
    return IsStamp(stamp) ? stamp : "";
  } catch (const platform::RuntimeError&) {
    return "";
  }
}

int FetchCommand(const std::vector<std::string>&) {
  Complain("fetch is not built yet");
  return exitUsage;
}

}  // namespace nightly
