#include "History.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "Cli.h"
#include "Fetch.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace nightly {

namespace {

std::string StampOf(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return Stamp({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
}

// The local time a stamp names.
std::time_t TimeOf(const std::string& stamp) {
  std::tm local{};
  local.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
  local.tm_mon = std::stoi(stamp.substr(5, 2)) - 1;
  local.tm_mday = std::stoi(stamp.substr(8, 2));
  local.tm_hour = std::stoi(stamp.substr(11, 2));
  local.tm_min = std::stoi(stamp.substr(14, 2));
  local.tm_sec = std::stoi(stamp.substr(17, 2));
  local.tm_isdst = -1;
  return std::mktime(&local);
}

}  // namespace

std::string HistoryFolder() { return platform::AppFolder() + "/History"; }

std::string LastFetchStamp() {
  try {
    const std::string path = HistoryFolder() + "/last-fetch";
    if (!platform::IsNormalFile(path)) return {};
    std::string stamp = platform::Trim(platform::Replace(platform::ReadAllBytes(path), "\n", ""));
    return IsStamp(stamp) ? stamp : std::string();
  } catch (const std::exception&) {
    return {};
  }
}

std::string NewFetchStamp() {
  const std::string last = LastFetchStamp();
  // A fetch in the same second as the last one waits for the next; a clock set back (or an hour
  // repeated when summer time ends) continues after the last stamp instead.
  for (int waits = 0;; ++waits) {
    std::string now = StampOf(std::time(nullptr));
    if (now > last) return now;
    if (waits == 25) return StampOf(TimeOf(last) + 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

void WriteLastFetch(const std::string& stamp) {
  platform::MakeFolders(HistoryFolder());
  platform::WriteAllBytes(HistoryFolder() + "/last-fetch", stamp + "\n");
}

std::vector<std::string> HistoryEntries(const std::string& server) {
  const std::string folder = HistoryFolder() + "/" + server;
  if (!platform::IsFolder(folder)) return {};
  std::vector<std::string> entries;
  for (std::string& name : platform::FolderEntries(folder))
    if (IsStamp(name)) entries.push_back(std::move(name));
  return entries;  // stamps sort as their times do
}

std::string KeepInHistory(const std::string& server, const std::string& fileName, const std::string& bytes,
                          const std::string& stamp) {
  const std::string folder = HistoryFolder() + "/" + server;
  const std::vector<std::string> entries = HistoryEntries(server);
  if (!entries.empty()) {
    const std::string newest = folder + "/" + entries.back();
    const std::vector<std::string> files = platform::FolderEntries(newest);
    if (files.size() == 1 && files[0] == fileName && platform::ReadAllBytes(newest + "/" + fileName) == bytes) return {};
  }
  // Made beside its place and renamed whole: a stopped fetch never leaves an entry without its file.
  const std::string partial = folder + "/" + stamp + ".part";
  platform::RemoveFolder(partial);
  platform::MakeFolders(partial);
  platform::WriteAllBytes(partial + "/" + fileName, bytes);
  platform::Name(partial, folder + "/" + stamp);
  return "History/" + server + "/" + stamp;
}

int PruneHistory(const std::string& server, int keepDays) {
  const std::string folder = HistoryFolder() + "/" + server;
  if (!platform::IsFolder(folder)) return 0;
  for (const std::string& name : platform::FolderEntries(folder))
    if (name.size() > 5 && name.ends_with(".part")) platform::RemoveFolder(folder + "/" + name);
  const std::vector<std::string> entries = HistoryEntries(server);
  const std::string oldest = StampOf(std::time(nullptr) - static_cast<std::time_t>(keepDays) * 24 * 60 * 60);
  int removed = 0;
  for (size_t i = 0; i + 2 < entries.size() && entries[i] < oldest; ++i, ++removed)
    platform::RemoveFolder(folder + "/" + entries[i]);
  return removed;
}

}  // namespace nightly
