// History/<server>/<yyyy-mm-dd_hh-mm-ss>/<file> in the application folder: each server's
// snapshots as they were fetched, one entry each time the content changed. Every entry one fetch
// makes carries that fetch's stamp, and History/last-fetch holds the stamp of the last fetch.
// An entry appears whole or not at all: it is made under another name and then renamed.
#pragma once

#include <string>
#include <vector>

namespace nightly {

// The folder that holds every server's history: History in the application folder.
std::string HistoryFolder();

// The stamp of a fetch starting now: the current time, but always later than the last fetch's,
// so that two fetches never share a name (it waits for the next second when it must).
std::string NewFetchStamp();
// Records the stamp as the last fetch's. Raises the file layer's error when it cannot.
void WriteLastFetch(const std::string& stamp);

// The server's entries ("<stamp>"), oldest first; none when it has no history.
std::vector<std::string> HistoryEntries(const std::string& server);

// Keeps the bytes as the server's entry of this stamp when they differ from its newest entry's
// file (content or name). Returns the entry ("History/<server>/<stamp>"), "" when nothing
// changed. Raises the file layer's error when the entry cannot be written.
std::string KeepInHistory(const std::string& server, const std::string& fileName, const std::string& bytes,
                          const std::string& stamp);

// Removes the server's entries older than keepDays, never its newest two, and what a fetch that
// was stopped left half made. Returns how many entries went. Raises the file layer's error.
int PruneHistory(const std::string& server, int keepDays);

}  // namespace nightly
