#include "Run.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "Check.h"
#include "Cli.h"
#include "Process.h"
#include "RunPage.h"
#include "Sources.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace nightly {

namespace {

// How long QUORVASchedule may run (0: no limit) and how long it has between SIGTERM and SIGKILL.
struct Limit {
  double seconds = 0;
  double grace = 30;
};

// MaxMinutes, or QUORVA_NIGHTLY_LIMIT="seconds[,grace]" when set: the tests cannot wait minutes.
Limit ProgramLimit(const FetchOptions& options) {
  Limit limit;
  if (options.maxMinutes) limit.seconds = *options.maxMinutes * 60.0;
  if (const char* given = std::getenv("QUORVA_NIGHTLY_LIMIT")) {
    char* end = nullptr;
    limit.seconds = std::strtod(given, &end);
    if (*end == ',') limit.grace = std::strtod(end + 1, nullptr);
  }
  return limit;
}

// Runs QUORVASchedule in the application folder and reads its journal; says what became of it
// in run.program and returns the exit causes it gave.
int RunTheProgram(RunRecord& run, const Limit& limit) {
  const std::string& app = platform::AppFolder();
  const std::string program = app + "/QUORVASchedule";
  if (!platform::IsNormalFile(program) || ::access(program.c_str(), X_OK) != 0) {
    run.program = "not run: " + app + " holds no QUORVASchedule program; copy the built one there (cp build/QUORVASchedule " +
                  app + "/) or name its folder with --app";
    Complain(run.program);
    return exitProgramEnded;
  }
  if (StopSignal()) {
    run.program = "not run: the run was asked to stop before it";
    return 0;
  }
  ProcessOptions options;
  options.folder = app;
  options.timeout = limit.seconds;
  options.grace = limit.grace;
  const ProcessResult result = RunProcess({program}, options);
  // Status-log lines it could not write come on its stderr: they stay in the scheduler's mail.
  for (const std::string& line : platform::Split(result.err, "\n"))
    if (!line.empty()) Complain("QUORVASchedule: " + line);
  run.journal = ReadJournal();
  if (run.journal.pid != result.pid) run.journal = Journal{};  // an earlier run's, or another's
  const std::string after = " after " + DurationWords(result.seconds);
  int causes = 0;
  if (!result.started) {
    run.program = "could not be started: " + result.startError;
    causes = exitProgramEnded;
  } else if (result.timedOut || result.stoppedBy) {
    run.program = (result.timedOut ? "stopped at the time limit (MaxMinutes)" + after
                                    : "stopped" + after + " by signal " + std::to_string(result.stoppedBy) +
                                          " to quorva-nightly") +
                  (run.journal.stoppedLine ? ": it wrote its \"Stopped by signal\" line"
                                           : ": it ended without writing its \"Stopped by signal\" line" +
                                                 std::string(result.signal == SIGKILL ? " (killed)" : ""));
    causes = exitStopped;
  } else if (result.signal) {
    run.program = "died of signal " + std::to_string(result.signal) + " (" + strsignal(result.signal) + ")" + after;
    causes = exitProgramEnded;
  } else if (result.exitCode == 0 && !run.journal.found) {
    run.program = "did not run: another run of it was going (a refused second start writes one status-log line)";
    causes = exitProgramEnded;
  } else if (result.exitCode == 0) {
    run.program = "ended normally" + after;
    run.programOk = true;
  } else if (result.exitCode == 2) {
    run.program = "ended" + after + ", but could not write some status-log lines (exit code 2; they went to stderr)";
    causes = exitStatusLogUnwritten;
  } else {
    run.program = "ended early with exit code " + std::to_string(result.exitCode) + after +
                  (result.exitCode == 1 ? ": a step that ends the program failed, see the status log" : "");
    causes = exitProgramEnded;
  }
  if (!run.programOk) Complain("QUORVASchedule " + run.program);
  if (!run.journal.found && result.started)
    Complain("QUORVASchedule wrote no journal of this run (Log/QUORVARun.jsonl): its jobs are not on the page");
  return causes;
}

}  // namespace

int RunCommand(const std::vector<std::string>& args) {
  if (!args.empty()) {
    Complain("run takes no arguments, not \"" + args[0] + "\" (see quorva-nightly run --help)");
    return exitUsage;
  }
  const auto clock = std::chrono::steady_clock::now();
  RunRecord run;
  run.started = platform::Now();
  run.stamp = Stamp(run.started);
  const Sources sources = ReadSources();
  int status = exitOk;

  if (!sources.sources.empty() && !StopSignal()) {
    run.fetched = true;
    run.fetches = FetchSources(sources, {});
    for (const FetchResult& f : run.fetches)
      if (f.outcome == FetchResult::Outcome::Failed) status |= exitFetchFailed;
  }
  run.problems = CheckSchedule(sources);
  for (const Problem& problem : run.problems) Complain(problem.Format());
  if (!run.problems.empty()) status |= exitProblems;

  status |= RunTheProgram(run, ProgramLimit(sources.options));
  if (run.journal.errorLines) status |= exitStatusLogErrors;

  std::vector<std::string> changed;
  for (const FetchResult& f : run.fetches)
    if (f.outcome == FetchResult::Outcome::Changed) changed.push_back(f.server);
  if (!changed.empty() && !StopSignal()) {
    run.drifted = true;
    run.drift = RunDrift(changed);
  }
  if (StopSignal()) status |= exitStopped;

  run.exitStatus = status;
  run.ended = platform::Now();
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - clock).count();
  try {
    const std::string page = WriteRunPages(run, sources.options.keepDays);
    Say(page);
  } catch (const std::exception& error) {
    Complain("cannot write the run's page in " + platform::AppFolder() + "/Runs: " + error.what());
  }
  Say("exit status " + std::to_string(status) + ": " + ExitWords(status));
  return status;
}

}  // namespace nightly
