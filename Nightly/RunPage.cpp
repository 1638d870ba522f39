#include "RunPage.h"

#include <algorithm>
#include <ctime>
#include <map>

#include "Cli.h"
#include "Html.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace nightly {

namespace {

using platform::HtmlEscape;

std::string Count(long n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "2026-12-07 01:00:00" of a stamp or a journal time.
std::string Shown(std::string time) {
  if (time.size() == 19) time[10] = ' ', time[13] = time[16] = ':';
  return time;
}

// A link from Runs/ to a file: relative inside the application folder, file:// outside it; every
// byte a URL cannot hold as it is percent-encoded.
std::string Href(const std::string& path) {
  std::string folder = platform::AppFolder() + "/", target = "../";
  if (path.rfind(folder, 0) == 0)
    target += path.substr(folder.size());
  else
    target = "file://" + path;
  std::string url;
  static const char* hex = "0123456789ABCDEF";
  for (unsigned char c : target) {
    if (std::isalnum(c) || std::string_view("/-._~:").find(static_cast<char>(c)) != std::string_view::npos) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return HtmlEscape(url);
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

std::string Row(const std::vector<std::string>& cells, const char* tag = "td", const std::string& id = "") {
  std::string row = id.empty() ? "<tr>" : "<tr id=\"" + id + "\">";
  for (const std::string& cell : cells) row += std::string("<") + tag + ">" + cell + "</" + tag + ">";
  return row + "</tr>\n";
}

// A file linked; an HTML file can be opened inside the page, in a frame that runs no script
// whatever the file holds.
std::string FileItem(const JournalFile& file) {
  const std::string href = Href(file.path);
  std::string item = "<li><a href=\"" + href + "\">" + HtmlEscape(FileName(file.path)) +
                     "</a> <span class=\"muted\">" + HtmlEscape(file.kind) + "</span>";
  const std::string name = platform::LCase(FileName(file.path));
  if (name.ends_with(".html") || name.ends_with(".htm"))
    item += " <details class=\"view\"><summary>[view here]</summary><iframe sandbox=\"\" loading=\"lazy\" src=\"" + href +
            "\"></iframe></details>";
  return item + "</li>\n";
}

std::string Lines(const std::vector<JournalLine>& lines) {
  std::string text = "<pre class=\"mono lines\">";
  for (const JournalLine& line : lines)
    text += "<span class=\"muted\">" + HtmlEscape(line.phase) + ":</span> " +
            (line.number ? "<span class=\"bad\">" + HtmlEscape(line.text) + "</span>" : HtmlEscape(line.text)) + "\n";
  return text + "</pre>";
}

std::string FetchSection(const RunRecord& run) {
  std::string h = "<h2>Fetch</h2>\n";
  if (!run.fetched) return h + "<p>Sources.ini names no sources: the snapshots in Servers/ were used as they were.</p>\n";
  h += "<table>\n" + Row({"Server", "Source", "Result", "Details"}, "th");
  for (const FetchResult& f : run.fetches) {
    const bool failed = f.outcome == FetchResult::Outcome::Failed;
    const char* result = failed ? "failed" : f.outcome == FetchResult::Outcome::Changed ? "changed" : "unchanged";
    h += Row({HtmlEscape(f.server), "<code>" + HtmlEscape(f.source) + "</code>",
              std::string("<span class=\"") + (failed ? "bad" : "ok") + "\">" + result + "</span>",
              HtmlEscape(failed ? f.reason : f.entry)});
  }
  return h + "</table>\n";
}

std::string JobsSection(const Journal& journal) {
  std::string h = "<h2>Jobs</h2>\n";
  if (journal.jobs.empty()) return h + "<p>The journal names no job.</p>\n";
  int level = 0;
  for (const auto& [key, job] : journal.jobs) {
    if (job.level != level) {
      if (level) h += "</table>\n";
      level = job.level;
      h += "<h3>" + HtmlEscape(job.section) + " (level " + std::to_string(level) + ")</h3>\n<table>\n" +
           Row({"Job", "Entry", "Kind", "Tabs", "Format", "Option", "Folder", "Custom", "Printer"}, "th");
    }
    std::vector<std::string> cells = {std::to_string(job.job + 1), HtmlEscape(job.entry)};
    if (job.exported)
      for (const std::string* field : {&job.kind, &job.tab, &job.format, &job.option, &job.path, &job.custom, &job.printer})
        cells.push_back(HtmlEscape(*field));
    else {
      cells.push_back("<span class=\"warn\">collected; the run ended before its export</span>");
      cells.resize(9);
    }
    // The anchor Runs/<stamp>.html#job-2-3 names job 3 of level 2.
    h += Row(cells, "td", "job-" + std::to_string(job.level) + "-" + std::to_string(job.job + 1));
    if (job.files.empty() && job.lines.empty()) continue;
    h += "<tr><td></td><td colspan=\"8\">";
    if (!job.files.empty()) {
      h += "<ul class=\"files\">\n";
      for (const JournalFile& file : job.files) h += FileItem(file);
      h += "</ul>\n";
    }
    if (!job.lines.empty()) h += Lines(job.lines);
    h += "</td></tr>\n";
  }
  return h + "</table>\n";
}

std::string LooseSection(const Journal& journal) {
  std::string h = "<h2 id=\"no-job\">Status-log lines of no job</h2>\n<table>\n" + Row({"Level", "Phase", "Line"}, "th");
  for (const JournalLine& line : journal.loose)
    h += Row({line.level ? std::to_string(line.level) : "", HtmlEscape(line.phase),
              std::string("<pre class=\"mono lines") + (line.number ? " bad" : "") + "\">" + HtmlEscape(line.text) +
                  "</pre>"});
  h += "</table>\n";
  if (journal.looseFiles.empty()) return h;
  h += "<h3>Files of no job</h3>\n<ul>\n";
  for (const JournalFile& file : journal.looseFiles) h += FileItem(file);
  return h + "</ul>\n";
}

std::string DriftSection(const RunRecord& run) {
  std::string h = "<h2>Changes</h2>\n";
  if (!run.drifted) return h + "<p>No fetch changed a server: there is nothing to compare.</p>\n";
  const DriftResult& d = run.drift;
  if (!d.folder.empty()) {
    const std::string page = platform::AppFolder() + "/" + d.folder + "/changes.html";
    h += "<p>" + Count(d.changes, "change", "changes") + " on " + HtmlEscape(platform::Join(d.changed, ", ")) +
         " (compared: " + HtmlEscape(platform::Join(d.servers, ", ")) + "): <a href=\"" + Href(page) + "\">" +
         HtmlEscape(d.folder) + "/changes.html</a></p>\n<iframe sandbox=\"\" src=\"" + Href(page) + "\"></iframe>\n";
  } else {
    h += "<p>No server had two snapshots to compare.</p>\n";
  }
  for (const std::string& problem : d.problems) h += "<p class=\"bad\">" + HtmlEscape(problem) + "</p>\n";
  return h;
}

std::string Page(const RunRecord& run) {
  const Journal& j = run.journal;
  long failed = 0, logs = 0;
  for (const FetchResult& f : run.fetches) failed += f.outcome == FetchResult::Outcome::Failed;
  for (const auto& [key, job] : j.jobs)
    for (const JournalFile& file : job.files) logs += file.kind == "activity-log";
  const std::string when = Shown(run.stamp);
  std::string h = PageStart("Night run " + when);
  h += "<h1>Night run " + when + "</h1>\n<p class=\"muted\">quorva-nightly " + std::string(Version()) +
       " in <code>" + HtmlEscape(platform::AppFolder()) + "</code> &middot; <a href=\"index.html\">all runs</a></p>\n";
  h += "<table class=\"summary\">\n";
  h += Row({"Start", when});
  h += Row({"End", Shown(Stamp(run.ended))});
  h += Row({"Duration", DurationWords(run.seconds)});
  h += Row({"Exit status", std::string("<span class=\"") + (run.exitStatus ? "bad" : "ok") + "\">" +
                               std::to_string(run.exitStatus) + ": " + ExitWords(run.exitStatus) + "</span>"});
  h += Row({"QUORVASchedule", std::string("<span class=\"") + (run.programOk ? "ok" : "bad") + "\">" +
                                  HtmlEscape(run.program) + "</span>" +
                                  (j.found ? " &middot; its run from " + HtmlEscape(Shown(j.start)) + " to " +
                                                 (j.end.empty() ? "no end" : HtmlEscape(Shown(j.end)))
                                           : "")});
  h += Row({"Jobs", Count(static_cast<long>(j.jobs.size()), "job", "jobs") + ": " +
                        Count(j.reports, "report", "reports") + " (files and export databases), " +
                        Count(logs, "activity log", "activity logs")});
  h += Row({"Status log", Count(j.lines, "line", "lines") + " written by this run, " +
                              Count(j.errorLines, "error line", "error lines") + " &middot; <a href=\"" +
                              Href(platform::AppFolder() + "/Log/QUORVALog.Log") + "\">Log/QUORVALog.Log</a>"});
  h += Row({"Fetch", run.fetched ? Count(static_cast<long>(run.fetches.size()), "source", "sources") + ", " +
                                       std::to_string(failed) + " failed"
                                 : "no sources"});
  h += Row({"Schedule problems", std::to_string(run.problems.size())});
  h += Row({"Changes", run.drifted ? std::to_string(run.drift.changes) : "none compared"});
  h += "</table>\n";
  h += FetchSection(run);
  h += "<h2>Schedule problems</h2>\n";
  if (run.problems.empty()) h += "<p>check found none.</p>\n";
  for (const Problem& p : run.problems) h += "<div class=\"mono\">" + HtmlEscape(p.Format()) + "</div>\n";
  h += JobsSection(j) + LooseSection(j) + DriftSection(run);
  return h + PageEnd();
}

// One row of Runs/index.csv, the index's data.
struct IndexRow {
  std::string stamp;
  long seconds = 0, exitStatus = 0, jobs = 0, reports = 0, errorLines = 0, fetchFailures = 0, changes = 0;
  std::vector<std::string> Fields() const {
    std::vector<std::string> fields = {stamp};
    for (long n : {seconds, exitStatus, jobs, reports, errorLines, fetchFailures, changes})
      fields.push_back(std::to_string(n));
    return fields;
  }
};
const std::vector<std::string> kIndexHeadings = {"start",       "seconds",    "exit_status",    "jobs",
                                                 "reports",     "error_lines", "fetch_failures", "changes"};

std::vector<IndexRow> ReadIndex(const std::string& path) {
  std::vector<IndexRow> rows;
  std::string text;
  try {
    text = platform::ReadAllBytes(path);
  } catch (...) {
    return rows;
  }
  for (std::string line : platform::Split(text, "\n")) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f = platform::Split(line, ",");
    if (f.size() != kIndexHeadings.size() || !IsStamp(f[0])) continue;
    IndexRow row{f[0]};
    long* numbers[] = {&row.seconds, &row.exitStatus, &row.jobs, &row.reports, &row.errorLines, &row.fetchFailures,
                       &row.changes};
    for (size_t i = 0; i < 7; ++i) *numbers[i] = std::strtol(f[i + 1].c_str(), nullptr, 10);
    rows.push_back(row);
  }
  return rows;
}

std::string IndexPage(const std::vector<IndexRow>& rows) {
  std::string h = PageStart("Night runs") + "<h1>Night runs</h1>\n<p class=\"muted\">" +
                  HtmlEscape(platform::AppFolder()) + ", newest first &middot; <a href=\"index.csv\">index.csv</a></p>\n";
  h += "<table>\n" +
       Row({"When", "How long", "Exit status", "Jobs", "Reports", "Error lines", "Fetch failures", "Changes"}, "th");
  for (const IndexRow& r : rows)
    h += Row({"<a href=\"" + r.stamp + ".html\">" + Shown(r.stamp) + "</a>", DurationWords(static_cast<double>(r.seconds)),
              std::string("<span class=\"") + (r.exitStatus ? "bad" : "ok") + "\">" + std::to_string(r.exitStatus) +
                  ": " + ExitWords(static_cast<int>(r.exitStatus)) + "</span>",
              std::to_string(r.jobs), std::to_string(r.reports), std::to_string(r.errorLines),
              std::to_string(r.fetchFailures), std::to_string(r.changes)});
  return h + "</table>\n" + PageEnd();
}

// The stamp of the moment keepDays days ago: runs that started before it go.
std::string OldestKept(int keepDays) {
  const std::time_t then = std::time(nullptr) - static_cast<std::time_t>(keepDays) * 86400;
  std::tm t{};
  ::localtime_r(&then, &t);
  return Stamp({t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec});
}

}  // namespace

std::string DurationWords(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  if (s < 60) return std::to_string(s) + " s";
  if (s < 3600) return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
  return std::to_string(s / 3600) + " h " + std::to_string(s / 60 % 60) + " min";
}

std::string ExitWords(int status) {
  static const std::pair<int, const char*> causes[] = {
      {exitProblems, "problems in the schedule or sources files"},
      {exitFetchFailed, "a fetch failed"},
      {exitStatusLogErrors, "error lines in the status log"},
      {exitProgramEnded, "QUORVASchedule did not run to its end"},
      {exitStatusLogUnwritten, "QUORVASchedule could not write its status log"},
      {exitStopped, "the run was stopped"}};
  std::vector<std::string> words;
  for (auto [bit, text] : causes)
    if (status & bit) words.push_back(text);
  return words.empty() ? "nothing went wrong" : platform::Join(words, "; ");
}

std::string WriteRunPages(const RunRecord& run, int keepDays) {
  const std::string folder = platform::AppFolder() + "/Runs";
  platform::MakeFolders(folder);
  const std::string page = folder + "/" + run.stamp + ".html";
  platform::WriteAllBytes(page, Page(run));

  IndexRow row{run.stamp, static_cast<long>(run.seconds + 0.5), run.exitStatus,
               static_cast<long>(run.journal.jobs.size()), run.journal.reports, run.journal.errorLines};
  for (const FetchResult& f : run.fetches) row.fetchFailures += f.outcome == FetchResult::Outcome::Failed;
  row.changes = run.drift.changes;
  const std::string oldest = OldestKept(keepDays);
  std::vector<IndexRow> rows = {row};
  for (const IndexRow& r : ReadIndex(folder + "/index.csv"))
    if (r.stamp != run.stamp && r.stamp >= oldest) rows.push_back(r);
  std::sort(rows.begin(), rows.end(), [](const IndexRow& a, const IndexRow& b) { return a.stamp > b.stamp; });
  for (const std::string& name : platform::FolderEntries(folder)) {
    const std::string stamp = name.substr(0, name.size() - 5);
    if (name.ends_with(".html") && IsStamp(stamp) && stamp < oldest) {
      try {
        platform::Kill(folder + "/" + name);
      } catch (...) {
        Complain("cannot remove the old run page " + folder + "/" + name);
      }
    }
  }
  std::string csv = CsvLine(kIndexHeadings);
  for (const IndexRow& r : rows) csv += CsvLine(r.Fields());
  platform::WriteAllBytes(folder + "/index.csv", csv);
  platform::WriteAllBytes(folder + "/index.html", IndexPage(rows));
  return page;
}

}  // namespace nightly
