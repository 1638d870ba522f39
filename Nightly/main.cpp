// quorva-nightly [--app DIR] COMMAND [ARGS]: the operator's side of QUORVASchedule.
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "Check.h"
#include "Cli.h"
#include "Drift.h"
#include "Fetch.h"
#include "Run.h"
#include "platform/Files.h"

namespace {

using nightly::Say;

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>&);
  const char* usage;
};

const Command kCommands[] = {
    {"fetch", nightly::FetchCommand,
     "Usage: quorva-nightly [--app DIR] fetch [SERVER...]\n"
     "\n"
     "Copies each server's IIS configuration from the source ScheduleInfo/Sources.ini gives it\n"
     "(ssh://, smb://, file:// or a path) into Servers/<server>/, all servers or the ones named.\n"
     "A fetched file replaces the snapshot only when it is a whole IIS configuration file; a\n"
     "failed fetch leaves the last good snapshot in place. When the content changed, a copy is kept\n"
     "in History/<server>/<yyyy-mm-dd_hh-mm-ss>/; entries older than KeepDays go, never a\n"
     "server's newest two. Concurrency sources at a time, each stopped after Timeout seconds.\n"
     "\n"
     "One line per server on stdout:\n"
     "  SERVER: fetched and changed (History/SERVER/STAMP)\n"
     "  SERVER: fetched, unchanged\n"
     "  SERVER: failed (REASON)\n"
     "and each failure and each problem of Sources.ini on stderr.\n"
     "\n"
     "Exit status: 0, or the sum of 1 (problems in Sources.ini), 2 (a fetch failed) and 32\n"
     "(stopped by a signal); 64 when a server named is not in Sources.ini. See docs/snapshots.md.\n"},
    {"drift", nightly::DriftCommand,
     "Usage: quorva-nightly [--app DIR] drift [SERVER...]\n"
     "\n"
     "For each server the last fetch changed (or each one named), compares its two newest\n"
     "snapshots in History/: every web site by name, virtual directory by path and category of\n"
     "the reports, one-row categories property by property, lists (bindings, documents, filters,\n"
     "mappings, headers, restrictions, errors) as entries added and removed whatever their order;\n"
     "values exactly, letter case counting. Writes Drift/<yyyy-mm-dd_hh-mm-ss>/changes.html and\n"
     "changes.csv (server, site or directory, category, property, before, after), and beside each\n"
     "site whose own settings changed a side-by-side report of its two versions, made by\n"
     "QUORVASchedule (the one in the application folder, else the one beside this program) in the\n"
     "scratch folder side-by-side/ there. Your settings database, schedule and reports are never\n"
     "touched. One line per server on stdout, then the page; what could not be done on stderr and\n"
     "on the page.\n"
     "\n"
     "Exit status: 0 when it did its work (changes, and snapshots it could not read, are said, not\n"
     "failed on); 32 when stopped by a signal; 64 for a wrong command line or a server with no\n"
     "history.\n"},
    {"check", nightly::CheckCommand,
     "Usage: quorva-nightly [--app DIR] check\n"
     "\n"
     "Reads ScheduleInfo/ScheduleConfig.ini as QUORVASchedule reads it, and Sources.ini when there\n"
     "is one, and names every problem on its line with what to write instead:\n"
     "  ScheduleConfig.ini:LINE: [Section] Key, job N: what is wrong, and what to write instead\n"
     "Jobs are counted from 1: job N is the N-th entry of every list of the section. Reads the\n"
     "snapshots, the custom report definitions (read only) and the print queues; never opens the\n"
     "settings database. Exit status 0 when nothing is wrong, else 1.\n"
     "See docs/schedule.md.\n"},
    {"run", nightly::RunCommand,
     "Usage: quorva-nightly [--app DIR] run\n"
     "\n"
     "The night in one command: fetch (when Sources.ini has sources), check, QUORVASchedule in the\n"
     "application folder (at most MaxMinutes when Sources.ini sets it), drift for the servers that\n"
     "changed, then the run's page Runs/<yyyy-mm-dd_hh-mm-ss>.html and Runs/index.html.\n"
     "QUORVASchedule must lie in the application folder. At MaxMinutes, or when quorva-nightly\n"
     "gets SIGTERM, it gets SIGTERM and 30 seconds later SIGKILL; the page is still written.\n"
     "Prints the page's path and the exit status in words on stdout.\n"
     "\n"
     "Exit status: a sum of causes, 0 only when nothing went wrong (see quorva-nightly --help).\n"
     "See docs/nightly.md.\n"},
};

const char* const kUsage =
    "Usage: quorva-nightly [--app DIR] COMMAND [ARGS]\n"
    "       quorva-nightly --help | --version\n"
    "\n"
    "The operator's side of QUORVASchedule: fetches the servers' IIS configuration snapshots,\n"
    "keeps their history, shows what changed, checks the schedule, and runs the night.\n"
    "\n"
    "Commands:\n"
    "  fetch [SERVER...]  copy each server's configuration from its source into Servers/\n"
    "  drift [SERVER...]  what changed since each server's previous snapshot: Drift/<stamp>/\n"
    "  check              name every problem of the schedule file and of Sources.ini\n"
    "  run                fetch, check, QUORVASchedule, drift, and the run's page in Runs/\n"
    "\n"
    "Options:\n"
    "  --app DIR  the application folder; by default the folder of this program when\n"
    "             QUORVASchedule lies beside it, else the current folder\n"
    "  --help     this text; quorva-nightly COMMAND --help for one command\n"
    "  --version  the version of quorva-nightly and QUORVASchedule\n"
    "\n"
    "Exit status, a sum of causes (0 when nothing went wrong):\n"
    "   1  problems in the schedule or sources files\n"
    "   2  a fetch failed\n"
    "   4  error lines in the status log during the run\n"
    "   8  QUORVASchedule ended early (its exit code 1)\n"
    "  16  QUORVASchedule could not write its status log (its exit code 2)\n"
    "  32  the run was stopped (time limit or signal)\n"
    "  64  alone: the command line was wrong\n"
    "\n"
    "Files: ScheduleInfo/ScheduleConfig.ini, ScheduleInfo/Sources.ini, Servers/, History/, Drift/,\n"
    "Runs/, Log/ in the application folder. Documentation: docs/nightly.md, docs/snapshots.md,\n"
    "docs/schedule.md.\n";

int Usage(const std::string& problem) {
  nightly::Complain(problem + " (see quorva-nightly --help)");
  return nightly::exitUsage;
}

// The folder of this program when QUORVASchedule lies beside it, else the current folder.
std::string DefaultAppFolder() {
  const std::string& own = platform::AppFolder();
  if (platform::IsNormalFile(own + "/QUORVASchedule")) return own;
  char here[4096];
  return ::getcwd(here, sizeof here) ? here : own;
}

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string app;
  size_t i = 0;
  for (; i < args.size() && args[i].rfind("-", 0) == 0; ++i) {
    const std::string& option = args[i];
    if (option == "--help" || option == "-h") {
      std::fputs(kUsage, stdout);
      return nightly::exitOk;
    }
    if (option == "--version") {
      Say(std::string("quorva-nightly ") + nightly::Version());
      return nightly::exitOk;
    }
    if (option == "--app" || option.rfind("--app=", 0) == 0) {
      if (option == "--app" && i + 1 == args.size()) return Usage("--app needs a folder");
      app = option == "--app" ? args[++i] : option.substr(6);
      continue;
    }
    return Usage("unknown option " + option);
  }
  if (i == args.size()) return Usage("no command given");
  const std::string name = args[i];
  const Command* command = nullptr;
  for (const Command& c : kCommands)
    if (name == c.name) command = &c;
  if (!command) return Usage("unknown command \"" + name + "\"; the commands are fetch, drift, check and run");
  std::vector<std::string> rest(args.begin() + static_cast<long>(i) + 1, args.end());
  for (const std::string& arg : rest)
    if (arg == "--help" || arg == "-h") {
      std::fputs(command->usage, stdout);
      return nightly::exitOk;
    }
  if (app.empty()) app = DefaultAppFolder();
  if (!platform::IsFolder(app)) return Usage("--app " + app + ": no such folder");
  char resolved[4096];
  platform::SetAppFolder(::realpath(app.c_str(), resolved) ? resolved : app);
  nightly::WatchStopSignals();
  return command->run(rest);
}
