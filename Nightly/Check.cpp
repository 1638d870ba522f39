#include "Check.h"

#include <algorithm>
#include <map>
#include <optional>

#include "CheckFarm.h"
#include "Cli.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace nightly {

namespace {

using platform::LCase;

const char* const kFile = "ScheduleConfig.ini";

struct Level {
  short number;
  std::string section;
  const char* definitions;  // the custom report definition file of the level
  int lastTab;              // the level's tabs are 1 to lastTab
  std::string form;         // of a Server entry
};
const Level kLevels[] = {
    {1, "WebServer", "QUORVACustomReport_Server.cfg", 17, "a server's name"},
    {2, "WebSite", "QUORVACustomReport_Server.cfg", 17, "server\\site"},
    {3, "VirtualDirectory", "QUORVACustomReport_Directory.cfg", 14, "server\\site\\directory"},
    {4, "WebSiteComp", "", 0, "name(prefix\\server\\site,prefix\\server\\site)"},
    {5, "VirtualDirectoryComp", "", 0, "name(prefix\\server\\site\\directory,prefix\\server\\site\\directory)"}};

// The keys in the order the run reads them.
const std::vector<std::string> kKeys = {"Printername", "Server", "Tab", "Format", "Option", "Path", "Custom", "Time"};
enum Key { kPrinter, kServer, kTab, kFormat, kOption, kPath, kCustom, kTime };

// The widest Web Site Name an export table holds.
constexpr size_t kExportSiteWidth = 25;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool SameName(const std::string& a, const std::string& b) { return LCase(a) == LCase(b); }

// One key line as the file holds it.
struct KeyLine {
  long line = 0;
  std::string value;
  bool hasEquals = false;
};

// A section the run reads: the first of its name.
struct Section {
  long line = 0;
  std::map<std::string, KeyLine> keys;  // the first line of each key, by the key's own spelling
};

// One list of a level: where it stands, as written, and what the run's list holds.
struct List {
  long line = 0;  // the key's line; the section's when the key is absent
  bool present = false;
  std::string written;
  std::vector<std::string> entries;
};

// What a job reports on: a server, and for the levels below it a web site and directories.
struct Item {
  std::string server, site;
  std::vector<std::string> directories;
};

// Trimmed, then cut at the first NUL, as the run takes a value out of its buffer.
std::string FromBuffer(const std::string& buffer) {
  std::string text = platform::Trim(buffer);
  return text.substr(0, text.find('\0'));
}

// A key's value as the run reads it: into a buffer of 2,000 characters, and a value that fills
// it once more into one of the length [Length] gives for the key plus 10.
std::string RunValue(const std::string& path, const std::string& section, const std::string& key) {
  std::string buffer;
  long copied = platform::GetPrivateProfileString(section, key, "", buffer, 2000, path);
  if (copied == 1999) {
    std::string lengthBuffer;
    long length = platform::GetPrivateProfileString("Length", key, "", lengthBuffer, 125, path);
    try {
      length = platform::WholePart(platform::CDbl(FromBuffer(lengthBuffer)));
    } catch (const platform::RuntimeError&) {
      // Not a number: the length stays the count of characters read, as in the run.
    }
    copied = platform::GetPrivateProfileString(section, key, "", buffer, length + 10, path);
  }
  return copied != 0 ? FromBuffer(buffer) : std::string();
}

// The entries of a list value: its last character dropped, whatever it is, then split at "|".
std::vector<std::string> Entries(std::string value) {
  if (!value.empty()) value.pop_back();
  return platform::Split(value, "|");
}

std::string JobsText(const std::vector<long>& jobs) {
  if (jobs.size() == 1) return "job " + std::to_string(jobs[0]);
  const size_t shown = std::min<size_t>(jobs.size(), 5);
  std::string text = "jobs ";
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) text += i + 1 == shown && shown == jobs.size() ? " and " : ", ";
    text += std::to_string(jobs[i]);
  }
  if (shown < jobs.size()) text += " and " + std::to_string(jobs.size() - shown) + " more";
  return text;
}

class Checker {
 public:
  explicit Checker(const Sources& sources) : farm_(sources) {}
  std::vector<Problem> Run();

 private:
  void Note(long line, const std::string& where, long job, const std::string& text);
  void ReadSections(const std::string& text);
  void CheckLevel(const Level& level);
  void CheckLists(const Level& level, const std::vector<List>& lists);
  void CheckJob(const Level& level, const std::vector<List>& lists, size_t job);
  std::vector<Item> Items(const Level& level, const std::string& entry, std::string& problem);

  Farm farm_;
  std::string path_;
  std::map<std::string, Section> sections_;  // by the program's name of the section
  std::map<std::string, size_t> longest_;    // per key, the longest list of 1,999 characters or more
  struct Finding {
    long line;
    std::string where;
    std::string text;
    std::vector<long> jobs;  // from 1; empty for a problem of a whole list or line
  };
  std::vector<Finding> findings_;
  std::map<std::string, size_t> findingIndex_;
};

void Checker::Note(long line, const std::string& where, long job, const std::string& text) {
  // The same problem of one line in several jobs is said once, naming the jobs.
  const std::string key = std::to_string(line) + "\n" + where + "\n" + text;
  auto [found, added] = findingIndex_.try_emplace(key, findings_.size());
  if (added) findings_.push_back({line, where, text, {}});
  if (job > 0) findings_[found->second].jobs.push_back(job);
}

void Checker::ReadSections(const std::string& text) {
  std::vector<std::string> known;
  for (const Level& level : kLevels) known.push_back(level.section);
  known.push_back("Length");
  Section* section = nullptr;
  std::string name;
  for (const platform::ProfileLine& line : platform::ScanProfile(text)) {
    if (line.kind == platform::ProfileLine::Kind::Section) {
      section = nullptr;
      auto match = std::find_if(known.begin(), known.end(), [&](const std::string& s) { return SameName(s, line.name); });
      if (match == known.end()) {
        const std::string nearest = NearestName(line.name, known);
        Note(line.number, "[" + line.name + "]", 0,
             "unknown section, its lines are not read; " +
                 (nearest.empty() ? "the sections are [" + platform::Join(known, "], [") + "]" : "write [" + nearest + "]"));
      } else if (sections_.count(*match)) {
        Note(line.number, "[" + *match + "]", 0,
             "a second [" + *match + "] section is not read; move its lines into the first one (line " +
                 std::to_string(sections_[*match].line) + ")");
      } else {
        name = *match;
        section = &sections_[name];
        section->line = line.number;
      }
      continue;
    }
    if (line.kind != platform::ProfileLine::Kind::Key || !section) continue;
    auto key = std::find_if(kKeys.begin(), kKeys.end(), [&](const std::string& k) { return SameName(k, line.name); });
    const std::string where = "[" + name + "] " + (key == kKeys.end() ? line.name : *key);
    if (key == kKeys.end()) {
      const std::string nearest = NearestName(line.name, kKeys);
      Note(line.number, where, 0,
           "unknown key, not read; " +
               (nearest.empty() ? "the keys are " + platform::Join(kKeys, ", ") : "write " + nearest + "="));
    } else if (section->keys.count(*key)) {
      Note(line.number, where, 0,
           "a second " + *key + " line is not read; keep one (line " + std::to_string(section->keys[*key].line) + ")");
    } else {
      section->keys[*key] = {line.number, line.value, line.hasEquals};
      if (!line.hasEquals) Note(line.number, where, 0, "the line has no \"=\", so its list is empty; write " + *key + "=");
    }
  }
}

void Checker::CheckLevel(const Level& level) {
  std::vector<List> lists(kKeys.size());
  auto section = sections_.find(level.section);
  for (size_t k = 0; k < kKeys.size(); ++k) {
    List& list = lists[k];
    if (section != sections_.end()) {
      list.line = section->second.line;
      auto key = section->second.keys.find(kKeys[k]);
      if (key != section->second.keys.end()) list.line = key->second.line, list.present = true, list.written = key->second.value;
    }
    list.entries = Entries(RunValue(path_, level.section, kKeys[k]));
  }
  CheckLists(level, lists);
  for (size_t job = 0; job < lists[kServer].entries.size(); ++job) CheckJob(level, lists, job);
}

void Checker::CheckLists(const Level& level, const std::vector<List>& lists) {
  const size_t jobs = lists[kServer].entries.size();
  // Whether job j reads a key: Time is never read; a custom report (any Custom entry but No,
  // also a missing one) reads neither Tab nor Option and is never printed; only printing jobs
  // read Printername; the comparison levels read no Tab and no Custom.
  const std::vector<std::string>&options = lists[kOption].entries, &customs = lists[kCustom].entries;
  auto reads = [&](size_t k, size_t j) {
    const bool custom = level.number <= 3 && !(j < customs.size() && customs[j] == "No");
    const bool prints = !custom && j < options.size() && (options[j] == "1" || options[j] == "2");
    return k == kPrinter ? prints
           : k == kTab   ? level.number <= 3 && !custom
           : k == kOption ? !custom
           : k == kCustom ? level.number <= 3
                          : k != kTime;
  };
  for (size_t k = 0; k < kKeys.size(); ++k) {
    const List& list = lists[k];
    const std::string where = "[" + level.section + "] " + kKeys[k];
    if (!list.written.empty() && list.written.back() != '|') {
      std::vector<std::string> read = Entries(list.written);
      Note(list.line, where, 0,
           "the list does not end with \"|\": the run drops its last character whatever it is, so its last entry reads " +
               Quoted(read.empty() ? "" : read.back()) + "; write \"|\" after the last entry");
    }
    if (list.written.size() >= 1999 && Entries(list.written) != list.entries) {
      const size_t read = platform::Join(list.entries, "|").size() + 1;
      Note(list.line, where, 0,
           "the list has " + std::to_string(list.written.size()) +
               " characters; of a list of 1,999 or more the run reads only as many as [Length] " + kKeys[k] +
               " gives, plus 9, so it reads " + std::to_string(read) + " and loses the jobs after them; write " + kKeys[k] +
               "=" + std::to_string(longest_[kKeys[k]]) + " in the [Length] section");
    }
    if (k == kServer || k == kTime || list.entries.size() == jobs) continue;
    // The jobs that read the key and find no entry: a list no job reads may be short.
    std::vector<long> lacking;
    bool readByAny = false;
    for (size_t j = 0; j < jobs; ++j) {
      readByAny = readByAny || reads(k, j);
      if (j >= list.entries.size() && reads(k, j)) lacking.push_back(static_cast<long>(j) + 1);
    }
    const std::string n = std::to_string(list.entries.size()), m = std::to_string(jobs);
    const std::string count = n + (list.entries.size() == 1 ? " entry for " : " entries for ") + m +
                              (jobs == 1 ? " job" : " jobs") + " (Server has " + m + "): ";
    if (jobs == 0)
      Note(list.line, where, 0,
           n + " entries, but Server lists no job, so they are not read; add the jobs to Server, or remove the entries");
    else if (!list.present && !lacking.empty())
      Note(list.line, where, 0,
           "there is no " + kKeys[k] + " line, so " + JobsText(lacking) + " of the " + m + " " +
               (lacking.size() == 1 ? "has" : "have") + " none; write " + kKeys[k] +
               "= with one entry per job, each followed by \"|\"");
    else if (!lacking.empty())
      Note(list.line, where, 0,
           count + JobsText(lacking) + (lacking.size() == 1 ? " has" : " have") + " no " + kKeys[k] +
               "; write one entry per job, each followed by \"|\"");
    else if (list.entries.size() > jobs && readByAny)
      Note(list.line, where, 0, count + "the entries after job " + m + " belong to no job; remove them, or add the jobs to Server");
  }
}

std::vector<Item> Checker::Items(const Level& level, const std::string& entry, std::string& problem) {
  if (entry.empty()) {
    problem = "the job names nothing to report on; write " + level.form;
    return {};
  }
  // server[\site[\directory...]] with at least and at most so many parts.
  auto item = [&](const std::string& text, size_t least, size_t most) -> std::optional<Item> {
    std::vector<std::string> parts = platform::Split(text, "\\");
    if (parts.size() < least || parts.size() > most || parts[0].empty() || (least > 1 && parts[1].empty()))
      return std::nullopt;
    Item read{parts[0], least > 1 ? parts[1] : "", {}};
    for (size_t i = 2; i < parts.size(); ++i)
      if (!parts[i].empty()) read.directories.push_back(parts[i]);
    return read;
  };
  if (level.number <= 3) {
    std::optional<Item> read = item(entry, level.number == 1 ? 1 : 2, level.number == 1 ? 1 : level.number == 2 ? 2 : 99);
    if (read) return {*read};
    problem = Quoted(entry) + " is not " + level.form + "; " +
              (level.number == 1                               ? "for a web site, move the job to [WebSite]"
               : platform::Split(entry, "\\").size() > 2 ? "for a directory, move the job to [VirtualDirectory]"
                                                               : "write " + level.form);
    return {};
  }
  auto wrong = [&](const std::string& why) {
    problem = Quoted(entry) + " is not " + level.form + ": " + why;
    return std::vector<Item>();
  };
  const size_t open = entry.find('('), comma = entry.find(','), close = entry.find(')');
  if (open == std::string::npos || comma == std::string::npos || close == std::string::npos)
    return wrong("it has no " + std::string(open == std::string::npos ? "\"(\"" : comma == std::string::npos ? "\",\"" : "\")\""));
  if (!(open < comma && comma < close))
    return wrong("the first \"(\", \",\" and \")\" are its delimiters, so the report name may hold none of them");
  if (open == 0) return wrong("it has no report name before \"(\"; the name names the report's file");
  if (close + 1 != entry.size()) return wrong("the text after \")\" is not read; remove it");
  // Each item loses everything up to its first "\": the prefix.
  const std::string texts[] = {entry.substr(open + 1, comma - open - 1), entry.substr(comma + 1, close - comma - 1)};
  const std::string& itemForm = kLevels[level.number - 3].form;
  std::vector<Item> items;
  std::string kept[2];
  for (int i = 0; i < 2; ++i) {
    const size_t slash = texts[i].find('\\');
    kept[i] = slash == std::string::npos ? texts[i] : texts[i].substr(slash + 1);
    std::optional<Item> read = item(kept[i], 2, level.number == 4 ? 2 : 99);
    if (!read) {
      const bool noPrefix = item(texts[i], 2, level.number == 4 ? 2 : 99).has_value();
      return wrong("the item " + Quoted(texts[i]) + " loses its first part up to \"\\\" and is then not " + itemForm +
                   "; write " + (noPrefix ? Quoted("1\\" + texts[i]) : "prefix\\" + itemForm));
    }
    items.push_back(*read);
  }
  if (LCase(kept[0]) == LCase(kept[1]))
    problem = Quoted(entry) + " compares " + Quoted(kept[0]) + " with itself; name two different items";
  return items;
}

void Checker::CheckJob(const Level& level, const std::vector<List>& lists, size_t index) {
  const long job = static_cast<long>(index) + 1;
  auto at = [&](Key key) -> const std::string* {
    const std::vector<std::string>& entries = lists[key].entries;
    return index < entries.size() ? &entries[index] : nullptr;
  };
  auto note = [&](Key key, const std::string& text) {
    if (!text.empty()) Note(lists[key].line, "[" + level.section + "] " + kKeys[key], job, text);
  };
  const std::string& server = *at(kServer);
  const std::string *custom = level.number <= 3 ? at(kCustom) : nullptr, *format = at(kFormat), *option = at(kOption),
                    *path = at(kPath), *printer = at(kPrinter), *tab = at(kTab);
  const bool isCustom = custom && *custom != "No";
  const bool writes = isCustom || (option && (*option == "0" || *option == "2"));
  const bool prints = !isCustom && option && (*option == "1" || *option == "2");

  std::string problem;
  std::vector<Item> items = Items(level, server, problem);
  note(kServer, problem);
  bool known = !items.empty();
  for (const Item& item : items) {
    std::string wrong = farm_.ServerProblem(item.server);
    if (wrong.empty() && level.number > 1) wrong = farm_.SiteProblem(item.server, item.site, item.directories);
    note(kServer, wrong);
    known = known && wrong.empty();
  }

  if (format && *format != "HTML" && *format != "CSV" && *format != "MDB") {
    const std::string upper = platform::UCase(platform::Trim(*format));
    const bool near = upper == "HTML" || upper == "CSV" || upper == "MDB";
    note(kFormat, Quoted(*format) + " writes no file: the formats are HTML, CSV and MDB, exactly so, in capitals; write " +
                      (near ? upper : "one of them"));
  }
  if (option && isCustom && (*option == "1" || *option == "2"))
    note(kOption, "a custom report is never printed, only written to its file; write 0");
  else if (option && *option != "0" && *option != "1" && *option != "2")
    note(kOption, Quoted(*option) + " neither writes nor prints; write 0 (a file), 1 (the printer) or 2 (both)");

  if (level.number <= 3 && !isCustom && tab) {
    if (tab->empty()) note(kTab, "the job has no tab, so it makes no report; write tab numbers joined by \"\\\", such as 1\\7");
    for (const std::string& element : platform::Split(*tab, "\\")) {
      const bool number = !element.empty() && element.size() <= 2 && element[0] != '0' &&
                          std::all_of(element.begin(), element.end(), [](char c) { return c >= '0' && c <= '9'; });
      if (!number || std::stoi(element) > level.lastTab)
        note(kTab, "tab " + Quoted(element) + " is not one of the level's tabs; write a number from 1 to " +
                       std::to_string(level.lastTab) + " (docs/schedule.md lists them)");
    }
  }
  if (path && *path != "No" && (writes || (format && *format == "MDB"))) note(kPath, farm_.FolderProblem(*path));
  if (printer && prints && !printer->empty()) note(kPrinter, farm_.PrinterProblem(*printer));
  if (isCustom) note(kCustom, farm_.CustomProblem(level.definitions, *custom));

  // An export table's Web Site Name holds 25 characters: the insert of a longer name fails, and
  // the rows after it are not inserted either.
  if (known && level.number <= 2 && format && *format == "MDB" && writes) {
    std::vector<std::string> names = level.number == 1 ? farm_.LongSiteNames(items[0].server, kExportSiteWidth)
                                                       : std::vector<std::string>();
    if (level.number == 2 && items[0].site.size() > kExportSiteWidth) names.push_back(items[0].site);
    if (!names.empty())
      note(kFormat, std::string(names.size() == 1 ? "the web site " : "the web sites ") + Listed(names) + " of " +
                        items[0].server + (names.size() == 1 ? " is" : " are") +
                        " longer than the 25 characters an MDB export table keeps in Web Site Name: each table of the "
                        "job keeps the rows before that site and loses its rows and every row after them; write CSV or "
                        "HTML, or give the site a shorter name");
  }
}

std::vector<Problem> Checker::Run() {
  const platform::FileInfo file = platform::FindFile(platform::AppFolder() + "/ScheduleInfo/ScheduleConfig.ini");
  std::string text;
  try {
    if (!file.normalFile) platform::Raise(platform::errFileNotFound, "it is not there");
    text = platform::ReadAllBytes(file.path);
  } catch (const platform::RuntimeError& error) {
    return {{kFile, 0, "", "ScheduleInfo/ScheduleConfig.ini cannot be read (" + error.Description() +
                               "), so the run has no jobs; write the schedule there (docs/schedule.md)"}};
  }
  path_ = file.path;
  ReadSections(text);
  for (auto& [name, section] : sections_)
    for (auto& [key, line] : section.keys)
      if (name != "Length" && line.value.size() >= 1999) longest_[key] = std::max(longest_[key], line.value.size());
  for (const Level& level : kLevels) CheckLevel(level);

  std::stable_sort(findings_.begin(), findings_.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
  std::vector<Problem> problems;
  for (const Finding& f : findings_)
    problems.push_back({kFile, f.line, f.where + (f.jobs.empty() ? "" : ", " + JobsText(f.jobs)), f.text});
  return problems;
}

}  // namespace

std::vector<Problem> CheckSchedule(const Sources& sources) {
  std::vector<Problem> problems = Checker(sources).Run();
  problems.insert(problems.end(), sources.problems.begin(), sources.problems.end());
  return problems;
}

int CheckCommand(const std::vector<std::string>& args) {
  if (!args.empty()) {
    Complain("check takes no arguments, not \"" + args[0] + "\" (see quorva-nightly check --help)");
    return exitUsage;
  }
  const std::vector<Problem> problems = CheckSchedule(ReadSources());
  for (const Problem& problem : problems) Say(problem.Format());
  if (problems.empty()) return exitOk;
  Complain("check: " + std::to_string(problems.size()) + (problems.size() == 1 ? " problem" : " problems") +
           "; docs/schedule.md says how each list is written");
  return exitProblems;
}

}  // namespace nightly
