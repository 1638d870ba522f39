#include "logs/RunJournal.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "QuorvaVersion.h"
#include "platform/DateTime.h"
#include "platform/Files.h"

namespace journal {

namespace {

using Json = nlohmann::ordered_json;

platform::TextFile file;
bool open = false;
short level = 0;
std::string section;
Phase phase = Phase::Start;
long job = -1;

const char* PhaseName(Phase p) {
  switch (p) {
    case Phase::Start: return "start";
    case Phase::Setup: return "setup";
    case Phase::Collect: return "collect";
    case Phase::Export: return "export";
    case Phase::End: return "end";
  }
  return "";
}

std::string Time() {
  const platform::DateTime t = platform::Now();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                t.Second);
  return text;
}

Json Event(const char* name) { return Json{{"event", name}}; }

// The level and job a line belongs to, null where it belongs to none.
void AddPlace(Json& event) {
  event["level"] = level > 0 ? Json(level) : Json(nullptr);
  event["job"] = job >= 0 ? Json(job) : Json(nullptr);
}

// One line, whole, handed to the system before the caller goes on. Text that is not UTF-8 (the
// program writes bytes as its inputs hold them) shows as U+FFFD.
void Write(const Json& event) {
  if (!open) return;
  try {
    file.Write(event.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n");
    file.Flush();
  } catch (...) {
    open = false;
    try {
      file.Close();
    } catch (...) {
    }
  }
}

Json JobEvent(const char* name, long index, const std::string& entry) {
  job = index;
  Json event = Event(name);
  event["level"] = level;
  event["section"] = section;
  event["job"] = index;
  event["entry"] = entry;
  return event;
}

}  // namespace

void Begin() {
  const std::string path = "Log\\QUORVARun.jsonl";
  try {
    const std::string full = platform::AppFolder() + "\\" + path;
    if (platform::FindFile(full).normalFile) platform::Kill(full);
    file.Open(full, platform::FileMode::Append);
    open = true;
  } catch (...) {
    open = false;
    return;
  }
  level = 0;
  phase = Phase::Start;
  job = -1;
  Json event = Event("start");
  event["time"] = Time();
  event["version"] = QUORVA_VERSION;
  event["pid"] = static_cast<long>(::getpid());
  Write(event);
}

void Level(short number, const std::string& name) {
  level = number;
  section = name;
  Place(Phase::Setup);
}

void Place(Phase where, long index) {
  phase = where;
  job = index;
  if (where == Phase::Start || where == Phase::End) level = 0;
}

void Collect(long index, const std::string& entry) {
  phase = Phase::Collect;
  Write(JobEvent("collect", index, entry));
}

void Export(long index, const char* kind, const JobLists& lists) {
  phase = Phase::Export;
  auto at = [&](const std::vector<std::string>* list) {
    return index >= 0 && static_cast<size_t>(index) < list->size() ? Json((*list)[static_cast<size_t>(index)])
                                                                    : Json(nullptr);
  };
  Json event = JobEvent("export", index, "");
  event["entry"] = at(lists.server);
  event["kind"] = kind;
  for (auto [key, list] : {std::pair{"tab", lists.tab}, {"format", lists.format}, {"option", lists.option},
                           {"path", lists.path}, {"custom", lists.custom}, {"printer", lists.printer}})
    event[key] = at(list);
  Write(event);
}

void StatusLine(const std::string& line, long number, bool written) {
  Json event = Event("status");
  AddPlace(event);
  event["phase"] = PhaseName(phase);
  event["number"] = number;
  event["line"] = line;
  if (!written) event["written"] = false;
  Write(event);
}

void File(const char* kind, const std::string& path) {
  if (!open) return;
  Json event = Event("file");
  AddPlace(event);
  event["kind"] = kind;
  std::error_code error;
  const std::filesystem::path native = std::filesystem::absolute(platform::FilePath(path), error);
  event["path"] = error ? platform::FilePath(path) : native.lexically_normal().string();
  Write(event);
}

void End() {
  Json event = Event("end");
  event["time"] = Time();
  Write(event);
}

}  // namespace journal
