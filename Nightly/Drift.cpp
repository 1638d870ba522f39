#include "Drift.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "Cli.h"
#include "DriftPages.h"
#include "Fetch.h"
#include "History.h"
#include "Problems.h"
#include "Process.h"
#include "Sources.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace nightly {

namespace {

using platform::AppFolder;

// The scratch run that makes the side-by-side reports may take this long.
constexpr double kReportSeconds = 30 * 60;

// The snapshot file a history entry holds, "" when it holds none.
std::string SnapshotIn(const std::string& entry) {
  try {
    for (const std::string& name : platform::FolderEntries(entry))
      if (::strcasecmp(name.c_str(), "applicationHost.config") == 0 || ::strcasecmp(name.c_str(), "MetaBase.xml") == 0)
        return entry + "/" + name;
  } catch (const platform::RuntimeError&) {
  }
  return "";
}

std::vector<std::string> HistoryServers() {
  std::vector<std::string> servers;
  try {
    for (const std::string& name : platform::FolderEntries(HistoryFolder()))
      if (IsServerName(name) && platform::IsFolder(HistoryFolder() + "/" + name)) servers.push_back(name);
  } catch (const platform::RuntimeError&) {
  }
  return servers;
}

// The QUORVASchedule of the application folder, else the one beside this program; "" when neither.
std::string ReportProgram() {
  std::string program = AppFolder() + "/QUORVASchedule";
  if (platform::IsNormalFile(program)) return program;
  char self[4096];
  ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "";
  std::string own(self, static_cast<size_t>(length));
  program = own.substr(0, own.rfind('/')) + "/QUORVASchedule";
  return platform::IsNormalFile(program) ? program : "";
}

// The schedule of the scratch run: one comparison job per entry at level 4, each list with its
// [Length] entry when the program's 2,000-character read would cut it.
std::string ComparisonSchedule(const std::vector<std::string>& entries) {
  auto list = [&](const std::string& value) {
    std::string text;
    for (size_t i = 0; i < entries.size(); ++i) text += value + "|";
    return text;
  };
  const std::pair<std::string, std::string> keys[] = {
      {"Printername", list("NONE")}, {"Server", platform::Join(entries, "|") + "|"}, {"Tab", list("1")},
      {"Format", list("HTML")},      {"Option", list("0")},                          {"Path", list("No")},
      {"Custom", list("No")},        {"Time", list("0")}};
  std::string text = "[WebServer]\r\n[WebSite]\r\n[VirtualDirectory]\r\n[WebSiteComp]\r\n", lengths;
  for (const auto& [key, value] : keys) {
    text += key + "=" + value + "\r\n";
    if (value.size() >= 1999) lengths += key + "=" + std::to_string(value.size()) + "\r\n";
  }
  return text + "[VirtualDirectoryComp]\r\n[Length]\r\n" + lengths;
}

std::string HowItEnded(const ProcessResult& ran) {
  if (!ran.started) return "could not be started: " + ran.startError;
  if (ran.timedOut) return "was stopped after " + std::to_string(static_cast<long>(kReportSeconds)) + " s";
  if (ran.stoppedBy) return "was stopped by signal " + std::to_string(ran.stoppedBy);
  if (ran.signal) return "was ended by signal " + std::to_string(ran.signal);
  if (ran.exitCode != 0) return "ended with exit code " + std::to_string(ran.exitCode);
  return "";
}

// The side-by-side reports of the changed sites: QUORVASchedule's level 4 in a scratch application
// folder of its own under the change folder, the older snapshot as server "<server>@<stamp>".
SideBySideRun MakeSideBySide(const std::string& folder, const std::vector<ServerDrift>& servers) {
  SideBySideRun run;
  std::vector<std::string> entries;
  std::map<std::string, size_t> jobOf;  // report name -> site
  for (const ServerDrift& server : servers) {
    for (const std::string& site : server.changes.changedSites) {
      run.sites.push_back({server.server, site, "", ""});
      if (site.find_first_of("(),\\|\r\n") != std::string::npos) {
        run.sites.back().note = "no side-by-side report: a comparison entry cannot carry a site name that holds "
                                "( ) , \\ | or a line break";
        continue;
      }
      const std::string name = "D" + std::to_string(entries.size() + 1);
      jobOf[name] = run.sites.size() - 1;
      entries.push_back(name + "(1\\" + server.server + "@" + server.older + "\\" + site + ",1\\" + server.server +
                        "\\" + site + ")");
    }
  }
  if (entries.empty()) return run;
  auto fail = [&](const std::string& problem) {
    run.problem = problem;
    for (const auto& [name, index] : jobOf) run.sites[index].note = "no side-by-side report (see below)";
    return run;
  };
  const std::string program = ReportProgram();
  if (program.empty())
    return fail("no side-by-side reports: there is no QUORVASchedule in " + AppFolder() + " nor beside quorva-nightly");
  const std::string scratch = folder + "/side-by-side";
  try {
    platform::MakeFolders(scratch + "/Log");
    platform::CopyFile(program, scratch + "/QUORVASchedule");
    for (const ServerDrift& server : servers) {
      if (server.changes.changedSites.empty()) continue;
      const std::string file = server.newerFile.substr(server.newerFile.rfind('/'));
      platform::MakeFolders(scratch + "/Servers/" + server.server + "@" + server.older);
      platform::MakeFolders(scratch + "/Servers/" + server.server);
      platform::CopyFile(server.olderFile, scratch + "/Servers/" + server.server + "@" + server.older +
                                               server.olderFile.substr(server.olderFile.rfind('/')));
      platform::CopyFile(server.newerFile, scratch + "/Servers/" + server.server + file);
    }
    platform::MakeFolders(scratch + "/ScheduleInfo");
    platform::WriteAllBytes(scratch + "/ScheduleInfo/ScheduleConfig.ini", ComparisonSchedule(entries));
  } catch (const platform::RuntimeError& e) {
    return fail("no side-by-side reports: " + scratch + " could not be made: " + e.Description());
  }
  ProcessOptions options;
  options.folder = scratch;
  options.environment = {"QT_QPA_PLATFORM=offscreen"};  // never a window on the operator's screen
  options.timeout = kReportSeconds;
  const ProcessResult ran = RunProcess({scratch + "/QUORVASchedule"}, options);
  if (const std::string ended = HowItEnded(ran); !ended.empty()) run.problem = "QUORVASchedule " + ended;
  try {
    for (std::string line : platform::Split(platform::ReadAllBytes(scratch + "/Log/QUORVALog.Log"), "\n")) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) run.statusLog.push_back(line);
    }
    for (const std::string& name : platform::FolderEntries(scratch)) {
      auto job = jobOf.find(platform::TextBefore(name, "_"));
      if (job != jobOf.end() && name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0)
        run.sites[job->second].report = "side-by-side/" + name;
    }
    // The copies of the program, of the snapshots (which may hold the servers' encrypted
    // secrets) and the settings database have done their work.
    platform::RemoveFolder(scratch + "/Servers");
    platform::Kill(scratch + "/QUORVASchedule");
    if (platform::IsNormalFile(scratch + "/VelmoraDatabase.mdb")) platform::Kill(scratch + "/VelmoraDatabase.mdb");
  } catch (const platform::RuntimeError&) {
  }
  for (const auto& [name, index] : jobOf)
    if (run.sites[index].report.empty()) run.sites[index].note = "QUORVASchedule made no side-by-side report (see its status log below)";
  return run;
}

}  // namespace

DriftResult RunDrift(const std::vector<std::string>& named) {
  DriftResult result;
  auto problem = [&](const std::string& text) {
    Complain(text);
    result.problems.push_back(text);
  };
  std::vector<ServerDrift> servers;
  std::vector<std::string> notes;
  const std::string last = named.empty() ? LastFetchStamp() : "";
  if (named.empty() && last.empty()) {
    problem("drift: no fetch has been made yet (" + HistoryFolder() + "/last-fetch is missing): run quorva-nightly fetch first");
    return result;
  }
  for (const std::string& server : named.empty() ? HistoryServers() : named) {
    std::vector<std::string> stamps;
    try {
      stamps = HistoryEntries(server);
    } catch (const platform::RuntimeError& e) {
      problem("drift: " + server + ": History/" + server + " cannot be read: " + e.Description());
      continue;
    }
    if (named.empty() && (stamps.empty() || stamps.back() != last)) continue;  // not changed by the last fetch
    if (stamps.size() < 2) {
      notes.push_back(server + ": its first snapshot" + (stamps.empty() ? "" : " (" + stamps.back() + ")") +
                      ", nothing to compare it with");
      continue;
    }
    ServerDrift drift;
    drift.server = server;
    drift.older = stamps[stamps.size() - 2];
    drift.newer = stamps.back();
    drift.olderFile = SnapshotIn(HistoryFolder() + "/" + server + "/" + drift.older);
    drift.newerFile = SnapshotIn(HistoryFolder() + "/" + server + "/" + drift.newer);
    servers.push_back(drift);
  }
  for (const std::string& note : notes) Say(note);
  if (servers.empty()) {
    if (named.empty()) Say("drift: no server with an earlier snapshot was changed by the last fetch (" + last + ")");
    return result;
  }

  std::string stamp = Stamp(platform::Now());
  while (platform::IsFolder(AppFolder() + "/Drift/" + stamp)) {  // one change folder a second
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stamp = Stamp(platform::Now());
  }
  result.folder = "Drift/" + stamp;
  const std::string folder = AppFolder() + "/" + result.folder;

  for (ServerDrift& server : servers) {
    if (StopSignal()) {
      server.problem = "quorva-nightly was asked to stop first";
      continue;
    }
    result.servers.push_back(server.server);
    try {
      if (server.olderFile.empty() || server.newerFile.empty())
        platform::Raise(platform::errFileNotFound, "History/" + server.server + "/" +
                                                       (server.olderFile.empty() ? server.older : server.newer) +
                                                       " holds no applicationHost.config or MetaBase.xml");
      // Both under the server's own name: the readers derive defaults from it (IUSR_<server>).
      auto before = iis::LoadSnapshotFile(server.server, server.olderFile);
      auto after = iis::LoadSnapshotFile(server.server, server.newerFile);
      server.changes = CompareSnapshots(*before, *after);
    } catch (const platform::RuntimeError& e) {
      server.problem = e.Description();
      problem("drift: " + server.server + ": not compared: " + e.Description());
      continue;
    }
    if (!server.changes.changes.empty()) result.changed.push_back(server.server);
    result.changes += static_cast<long>(server.changes.changes.size());
    Say(server.server + ": " +
        (server.changes.changes.empty() ? "no change" : std::to_string(server.changes.changes.size()) + " changes") +
        " since " + server.older);
  }
  if (StopSignal()) problem("drift: stopped by signal " + std::to_string(StopSignal()) + " before every server was compared");

  try {
    platform::MakeFolders(folder);
    SideBySideRun sideBySide;
    if (!StopSignal()) sideBySide = MakeSideBySide(folder, servers);
    if (!sideBySide.problem.empty()) problem("drift: " + sideBySide.problem);
    WriteChangePages(folder, stamp, servers, sideBySide, notes, result.problems);
  } catch (const platform::RuntimeError& e) {
    problem("drift: the change list could not be written to " + folder + ": " + e.Description());
    return result;
  }
  Say(folder + "/changes.html");
  return result;
}

int DriftCommand(const std::vector<std::string>& args) {
  std::vector<std::string> servers;
  for (const std::string& arg : args) {
    if (arg.rfind("-", 0) == 0) {
      Complain("drift: unknown option " + arg + " (see quorva-nightly drift --help)");
      return exitUsage;
    }
    if (!IsServerName(arg) || !platform::IsFolder(HistoryFolder() + "/" + arg)) {
      const std::string nearest = NearestName(arg, HistoryServers());
      Complain("drift: no history of a server \"" + arg + "\" in " + HistoryFolder() +
               (nearest.empty() ? "" : "; did you mean " + nearest + "?"));
      return exitUsage;
    }
    if (std::find(servers.begin(), servers.end(), arg) == servers.end()) servers.push_back(arg);
  }
  RunDrift(servers);
  return StopSignal() ? exitStopped : exitOk;
}

}  // namespace nightly
