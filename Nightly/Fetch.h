// fetch: each server's configuration snapshot copied from its source into Servers/<server>/,
// replacing the one there only when the new one is a whole, readable configuration file, and
// kept under History/<server>/<stamp>/ when it changed.
//
// Every history entry one fetch makes carries that fetch's stamp, and the fetch writes its stamp
// into History/last-fetch: a server changed by the last fetch is one whose newest entry has it.
#pragma once

#include <string>
#include <vector>

#include "Sources.h"

namespace nightly {

struct FetchResult {
  std::string server;
  std::string source;  // as written in Sources.ini
  enum class Outcome { Changed, Unchanged, Failed } outcome = Outcome::Failed;
  std::string reason;  // when it failed: why, in words a person can act on
  std::string entry;   // the history entry it made ("History/<server>/<stamp>"), "" when none
  std::string moved;   // a snapshot of the other kind it set aside in Servers/<server>/, "" when none
};

// Fetches the sources of the named servers (all when none is named), options.concurrency at a
// time, each within options.timeout seconds. Says one summary line per server on stdout and each
// failure on stderr. Never raises.
std::vector<FetchResult> FetchSources(const Sources& sources, const std::vector<std::string>& servers);

// The stamp of the last fetch, "" when there was none.
std::string LastFetchStamp();

// quorva-nightly fetch [SERVER...]: exit status 0, or the sum of 1 (problems in Sources.ini),
// 2 (a fetch failed) and 64 (a server not in Sources.ini was named).
int FetchCommand(const std::vector<std::string>& args);

}  // namespace nightly
