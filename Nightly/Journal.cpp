#include "Journal.h"

#include <nlohmann/json.hpp>

#include "platform/Files.h"

namespace nightly {

namespace {

using Json = nlohmann::json;

std::string Text(const Json& event, const char* key) {
  auto it = event.find(key);
  return it != event.end() && it->is_string() ? it->get<std::string>() : std::string();
}

long Number(const Json& event, const char* key, long none) {
  auto it = event.find(key);
  return it != event.end() && it->is_number_integer() ? it->get<long>() : none;
}

}  // namespace

Journal ParseJournal(const std::string& text) {
  Journal journal;
  size_t from = 0;
  while (from < text.size()) {
    size_t to = text.find('\n', from);
    if (to == std::string::npos) to = text.size();
    const Json event = Json::parse(text.begin() + static_cast<long>(from), text.begin() + static_cast<long>(to),
                                   nullptr, false);
    from = to + 1;
    if (!event.is_object()) continue;
    const std::string name = Text(event, "event");
    if (name == "start") {
      journal.found = true;
      journal.start = Text(event, "time");
      journal.version = Text(event, "version");
      journal.pid = Number(event, "pid", 0);
      continue;
    }
    if (!journal.found) continue;
    if (name == "end") {
      journal.end = Text(event, "time");
      continue;
    }
    const int level = static_cast<int>(Number(event, "level", 0));
    const long index = Number(event, "job", -1);
    JournalJob* job = nullptr;
    if (level > 0 && index >= 0) {
      job = &journal.jobs[{level, index}];
      job->level = level;
      job->job = index;
    }
    if ((name == "collect" || name == "export") && job) {
      job->section = Text(event, "section");
      job->entry = Text(event, "entry");
      if (name == "collect") continue;
      job->exported = true;
      for (auto [key, field] : {std::pair{"kind", &JournalJob::kind}, {"tab", &JournalJob::tab},
                                {"format", &JournalJob::format}, {"option", &JournalJob::option},
                                {"path", &JournalJob::path}, {"custom", &JournalJob::custom},
                                {"printer", &JournalJob::printer}})
        (*job).*field = Text(event, key);
    } else if (name == "status") {
      JournalLine line{level, index, Text(event, "phase"), Number(event, "number", 0), Text(event, "line")};
      ++journal.lines;
      if (line.number != 0) ++journal.errorLines;
      if (line.number == 0 && line.text.find(" Stopped by signal ") != std::string::npos) journal.stoppedLine = true;
      (job ? job->lines : journal.loose).push_back(std::move(line));
    } else if (name == "file") {
      JournalFile file{Text(event, "kind"), Text(event, "path")};
      if (file.kind != "activity-log") ++journal.reports;
      (job ? job->files : journal.looseFiles).push_back(std::move(file));
    }
  }
  return journal;
}

Journal ReadJournal() {
  try {
    return ParseJournal(platform::ReadAllBytes(platform::AppFolder() + "\\Log\\QUORVARun.jsonl"));
  } catch (...) {
    return {};
  }
}

}  // namespace nightly
