#include "Fetch.h"

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include "Cli.h"
#include "History.h"
#include "Transports.h"
#include "iis/IisConfig.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace nightly {

namespace {

bool SameName(const std::string& a, const std::string& b) { return platform::LCase(a) == platform::LCase(b); }

// A folder of our own for the copies while they are checked: only this user can read them, and
// they may hold the servers' encrypted secrets. "" when none can be made (why in *error).
std::string MakeScratchFolder(std::string* error) {
  const char* tmp = ::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorva-fetch-XXXXXX";
  if (::mkdtemp(pattern.data()) != nullptr) return pattern;
  *error = "cannot make a scratch folder like " + pattern + ": " + std::strerror(errno);
  return {};
}

std::string SnapshotPath(const std::string& server, const std::string& fileName) {
  return platform::AppFolder() + "/Servers/" + server + "/" + fileName;
}

// Copies one source's file, checks it as the snapshot readers read it, and only then puts it in
// Servers/<server>/ and the history. Never raises.
FetchResult FetchOne(const Source& source, const FetchOptions& options, const std::string& scratch,
                     const std::string& stamp) {
  FetchResult result;
  result.server = source.server;
  result.source = source.text;
  auto fail = [&](const std::string& reason) {
    result.outcome = FetchResult::Outcome::Failed;
    result.reason = reason;
    return result;
  };
  if (StopSignal()) return fail("not fetched: quorva-nightly was asked to stop");
  const Transfer transfer = TransferCommand(source, options, source.server);
  const ProcessResult copied =
      RunProcess(transfer.argv, {.folder = scratch,
                                 .environment = {"LC_ALL=C"},  // messages in the words the reasons look for
                                 .input = transfer.input,
                                 .timeout = static_cast<double>(options.timeout),
                                 .grace = 2});
  if (std::string reason = TransferFailure(source, options, copied); !reason.empty()) return fail(reason);
  const std::string copy = scratch + "/" + source.server;
  const iis::Format format = iis::FormatOfFile(source.fileName);
  std::string bytes;
  try {
    bytes = platform::ReadAllBytes(copy);
    platform::Kill(copy);
  } catch (const std::exception& error) {
    return fail("the copy cannot be read here: " + std::string(error.what()));
  }
  if (std::string problem = iis::SnapshotProblem(bytes, format); !problem.empty())
    return fail("not an IIS configuration file: the fetched " + source.fileName + " " + problem);
  const std::string target = SnapshotPath(source.server, source.fileName);
  try {
    platform::MakeFolders(platform::AppFolder() + "/Servers/" + source.server);
    // Written whole under another name, then renamed: the program never reads half a snapshot. A
    // snapshot spelt in another case is the one the file layer replaces, so there is only one.
    platform::WriteAllBytes(target, bytes);
  } catch (const std::exception& error) {
    return fail("cannot write " + platform::FilePath(target) + ": " + error.what());
  }
  // QUORVASchedule reads applicationHost.config before MetaBase.xml, so a snapshot of the other
  // kind left by an earlier source would stand in for the one just fetched, or hide it.
  const std::string other = SnapshotPath(source.server, format == iis::Format::Metabase ? "applicationHost.config" : "MetaBase.xml");
  try {
    if (platform::IsNormalFile(other)) {
      const std::string aside = platform::FilePath(other) + ".old";
      if (platform::IsNormalFile(aside)) platform::Kill(aside);
      platform::Name(other, aside);
      result.moved = "Servers/" + source.server + "/" + aside.substr(aside.rfind('/') + 1);
    }
  } catch (const std::exception& error) {
    return fail("fetched into Servers/, but the snapshot of the other kind there cannot be set aside: " +
                std::string(error.what()));
  }
  try {
    result.entry = KeepInHistory(source.server, source.fileName, bytes, stamp);
  } catch (const std::exception& error) {
    return fail("fetched into Servers/, but its history entry cannot be written: " + std::string(error.what()));
  }
  result.outcome = result.entry.empty() ? FetchResult::Outcome::Unchanged : FetchResult::Outcome::Changed;
  return result;
}

// Says how a server's fetch went: one line on stdout, and a failure on stderr too.
void Report(const FetchResult& result) {
  const std::string moved = result.moved.empty() ? "" : "; the snapshot of the other kind is now " + result.moved;
  if (result.outcome == FetchResult::Outcome::Changed)
    return Say(result.server + ": fetched and changed (" + result.entry + ")" + moved);
  if (result.outcome == FetchResult::Outcome::Unchanged) return Say(result.server + ": fetched, unchanged" + moved);
  Say(result.server + ": failed (" + result.reason + ")");
  const bool kept = platform::IsNormalFile(SnapshotPath(result.server, "applicationHost.config")) ||
                    platform::IsNormalFile(SnapshotPath(result.server, "MetaBase.xml"));
  Complain(result.server + " (" + result.source + "): " + result.reason +
           (kept ? "; the last good snapshot stays in Servers/" : "; there is no snapshot yet in Servers/") +
           result.server);
}

}  // namespace

std::vector<FetchResult> FetchSources(const Sources& sources, const std::vector<std::string>& servers) {
  std::vector<const Source*> chosen;
  std::vector<FetchResult> results;
  for (const Source& source : sources.sources)
    if (servers.empty() || std::any_of(servers.begin(), servers.end(), [&](auto& s) { return SameName(s, source.server); }))
      chosen.push_back(&source);
  for (const std::string& server : servers)
    if (std::none_of(chosen.begin(), chosen.end(), [&](const Source* s) { return SameName(s->server, server); }))
      results.push_back({server, "", FetchResult::Outcome::Failed, "Sources.ini has no source for it", "", ""});

  const size_t first = results.size();
  results.resize(first + chosen.size());
  std::string stamp, scratch, error;
  try {
    stamp = NewFetchStamp();
    scratch = chosen.empty() ? std::string() : MakeScratchFolder(&error);
  } catch (const std::exception& e) {
    error = e.what();
  }
  // A small pool: each thread takes the next source until none is left.
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i; (i = next++) < chosen.size();) {
      FetchResult& result = results[first + i];
      result = error.empty() ? FetchOne(*chosen[i], sources.options, scratch, stamp)
                             : FetchResult{chosen[i]->server, chosen[i]->text, FetchResult::Outcome::Failed, error, "", ""};
      Report(result);
    }
  };
  std::vector<std::thread> pool;
  const size_t threads = std::min(chosen.size(), static_cast<size_t>(std::max(1, sources.options.concurrency)));
  for (size_t t = 0; t < threads; ++t) pool.emplace_back(work);
  for (std::thread& thread : pool) thread.join();

  auto tidy = [](const std::string& what, const std::function<void()>& step) {
    try {
      step();
    } catch (const std::exception& e) {
      Complain(what + ": " + e.what());
    }
  };
  if (!stamp.empty()) tidy("History/last-fetch cannot be written", [&] { WriteLastFetch(stamp); });
  for (const Source* source : chosen)
    tidy("History/" + source->server + ": old entries cannot be removed",
         [&] { PruneHistory(source->server, sources.options.keepDays); });
  if (!scratch.empty()) tidy(scratch + " cannot be removed", [&] { platform::RemoveFolder(scratch); });
  return results;
}

int FetchCommand(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (!arg.empty() && arg[0] == '-') {
      Complain("fetch: unknown option " + arg + " (see quorva-nightly fetch --help)");
      return exitUsage;
    }
  const Sources sources = ReadSources();
  if (!sources.present) {
    Complain(sources.path + " is not there: no server to fetch (see docs/snapshots.md)");
    return exitProblems;
  }
  for (const Problem& problem : sources.problems) Complain(problem.Format());
  std::vector<std::string> known;
  for (const Source& source : sources.sources) known.push_back(source.server);
  for (const std::string& server : args) {
    if (std::any_of(known.begin(), known.end(), [&](auto& k) { return SameName(k, server); })) continue;
    const std::string nearest = NearestName(server, known);
    Complain("fetch: Sources.ini has no usable source for " + server +
             (nearest.empty() ? std::string() : " (did you mean " + nearest + "?)") + "; the servers are: " +
             (known.empty() ? std::string("none") : platform::Join(known, ", ")));
    return exitUsage;
  }
  const std::vector<FetchResult> results = FetchSources(sources, args);
  int status = sources.problems.empty() ? exitOk : exitProblems;
  for (const FetchResult& result : results)
    if (result.outcome == FetchResult::Outcome::Failed) status |= exitFetchFailed;
  if (StopSignal()) status |= exitStopped;
  return status;
}

}  // namespace nightly
