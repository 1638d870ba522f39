// Shared handles: every connection on a database file runs on the file's one store (its SQLite
// handle, its prepared statements, its batch and its kept answers), found by the file's key and
// shared only on the same file (device and inode). Here too are the lists of scratch stores and of
// files found locked, and the stores' letting go of their files: when idle, at program end, and
// when a file made by this process is given back to other processes.
#include "platform/AdoInternal.h"

#include <filesystem>

#include "platform/Files.h"

namespace platform::ado {

namespace internal {

std::string CanonicalPath(const std::string& native) {
  static std::unordered_map<std::string, std::string> known;
  auto found = known.find(native);
  if (found != known.end()) return found->second;
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(native, ec);
  return known.emplace(native, ec ? native : canonical.string()).first->second;
}

std::map<std::string, std::pair<dev_t, ino_t>>& MadeFiles() {
  static std::map<std::string, std::pair<dev_t, ino_t>> files;
  return files;
}

std::set<std::string>& ScratchPaths() {
  static std::set<std::string> paths;
  return paths;
}

std::set<std::string>& LockedFiles() {
  static std::set<std::string> files;
  return files;
}

void Store::Release() {
  if (!db) return;
  Commit();
  for (auto& entry : cache) sqlite3_finalize(entry.second.stmt);
  cache.clear();
  sqlite3_close_v2(db);  // a journal kept between transactions goes with the handle
  db = nullptr;
}

void Store::LetJournalGo() {
  if (!keptJournal) return;
  keptJournal = false;
  sqlite3_exec(db, "PRAGMA locking_mode=NORMAL; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
}

std::map<std::string, std::shared_ptr<Store>>& Stores() {
  static auto* stores = new std::map<std::string, std::shared_ptr<Store>>;
  return *stores;
}

void ReleaseAllStores() {
  for (auto& entry : Stores()) entry.second->Release();
}

void CloseIdleStores() {
  for (auto it = Stores().begin(); it != Stores().end();)
    if (!it->second->scratch && it->second->users == 0)
      it = Stores().erase(it);
    else
      ++it;
}

}  // namespace internal

using namespace internal;

void RegisterScratchDatabase(const std::string& path) { ScratchPaths().insert(CanonicalPath(FilePath(path))); }

void ForgetLocks() { LockedFiles().clear(); }

void ReleaseHeldFiles() {
  for (auto& entry : Stores()) entry.second->LetJournalGo();
}

bool IsDamagedDatabase(const std::string& path) {
  const FileInfo file = FindFile(path);
  const std::string& native = file.path;
  if (!file.normalFile) return false;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    return false;
  }
  sqlite3_busy_timeout(db, kLockWaitMs);
  // Every page is read once: a file cut short shows only where its tables are.
  std::string verdict;
  auto first = [](void* out, int, char** values, char**) {
    if (values[0] != nullptr) *static_cast<std::string*>(out) = values[0];
    return 1;
  };
  int rc = sqlite3_exec(db, "PRAGMA quick_check(1)", first, &verdict, nullptr);
  sqlite3_close_v2(db);
  int primary = rc & 0xff;
  if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) return true;
  return (rc == SQLITE_OK || rc == SQLITE_ABORT) && !verdict.empty() && verdict != "ok";
}

bool IsScratchDatabase(const std::string& path) { return ScratchPaths().count(CanonicalPath(FilePath(path))) != 0; }

}  // namespace platform::ado
