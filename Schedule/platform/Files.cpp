#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "platform/Err.h"

namespace platform {

namespace {

std::string& AppFolderSlot() {
  static std::string folder;
  return folder;
}

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<size_t>(n));
}

// Raises the classic error for a failed open of a path.
[[noreturn]] void RaiseOpenError(const std::string& path, int error) {
  switch (error) {
    case ENOENT: {
      auto slash = path.find_last_of('/');
      std::string parent = slash == std::string::npos ? "." : path.substr(0, slash);
      if (!parent.empty() && !IsFolder(parent)) Raise(errPathNotFound);
      Raise(errFileNotFound);
    }
    case ENOTDIR: Raise(errPathNotFound);
    case EACCES:
    case EPERM:
    case EROFS: Raise(errPermissionDenied);
    default: Raise(errPathFileAccess);
  }
}

}  // namespace

const std::string& AppFolder() {
  std::string& folder = AppFolderSlot();
  if (folder.empty()) {
    std::string exe = ExecutablePath();
    auto slash = exe.find_last_of('/');
    folder = slash == std::string::npos ? "." : exe.substr(0, slash);
    if (folder.empty()) folder = "/";
  }
  return folder;
}

void SetAppFolder(const std::string& folder) { AppFolderSlot() = folder; }

const std::string& ProgramName() {
  static const std::string name = [] {
    std::string exe = ExecutablePath();
    auto slash = exe.find_last_of('/');
    std::string file = slash == std::string::npos ? exe : exe.substr(slash + 1);
    auto dot = file.find_last_of('.');
    if (dot != std::string::npos && dot > 0) file.resize(dot);
    return file.empty() ? std::string("QUORVASchedule") : file;
  }();
  return name;
}

std::string NativePath(const std::string& path) {
  std::string native = path;
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

namespace {

bool Exists(const std::string& native) {
  struct stat st {};
  return ::lstat(native.c_str(), &st) == 0;
}

// Names are compared without regard to ASCII letter case only, whatever the locale.
std::string AsciiLower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// The one entry of a folder whose name matches part without regard to case, read from the folder
// itself; "" when none or several do.
std::string ScanFolder(const char* folder, const std::string& part) {
  DIR* dir = ::opendir(folder);
  if (dir == nullptr) return {};
  const std::string lower = AsciiLower(part);
  std::string found;
  int matches = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strlen(entry->d_name) != part.size() || AsciiLower(entry->d_name) != lower) continue;
    found = entry->d_name;
    ++matches;
  }
  ::closedir(dir);
  return matches == 1 ? found : std::string();
}

// ---- Folder indexes ----
//
// Reading a whole folder for every new name would make a level that writes thousands of reports
// into one folder cost the square of their number. So a folder looked in gets an index of its
// names by their lower-case spelling, kept exact by the kernel's change notices (inotify), which
// report what other processes do as well. The watch is set before the folder is read: a change
// made meanwhile is in the listing, in a notice after it, or both, and applying a notice twice
// does no harm. Pending notices are applied before every look-up, so a change finished before the
// look-up began is always seen. A folder is known by its device and inode: one replaced under the
// same path is read afresh, one renamed keeps its index. Where notices cannot be had (no inotify,
// the system's watch limit, a network file system whose other clients send none) the folder is
// read at every look-up as before.
class FolderIndexes {
 public:
  // Looks part up in the folder (st: its stat); false when the folder has no index and cannot get
  // one, else match is the one entry that matches, "" when none or several do.
  bool Find(const char* folder, const struct stat& st, const std::string& part, std::string& match) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Ready()) return false;
    // After the caller's stat: a folder deleted before it has its notice in the queue by now.
    Drain();
    if (notices_ < 0) return false;
    auto found = folders_.find(Key{st.st_dev, st.st_ino});
    Index* index = found != folders_.end() ? &found->second : Read(folder);
    if (index == nullptr) return false;
    index->used = ++clock_;
    auto names = index->names.find(AsciiLower(part));
    match = names != index->names.end() && names->second.size() == 1 ? names->second.front() : std::string();
    return true;
  }

 private:
  // Enough for the folders a run writes into; beyond, the one looked in longest ago gives way.
  static constexpr size_t kMaxFolders = 64;
  // IN_ATTRIB: a folder whose permissions change is read afresh, as a search would find it.
  static constexpr uint32_t kEvents =
      IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ATTRIB | IN_ONLYDIR;

  struct Key {
    dev_t device;
    ino_t inode;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& key) const { return std::hash<unsigned long long>()(key.inode * 31 + key.device); }
  };
  struct Index {
    int watch = -1;
    unsigned long long used = 0;
    std::unordered_map<std::string, std::vector<std::string>> names;  // lower case -> as spelt

    void Add(const char* name) {
      auto& spellings = names[AsciiLower(name)];
      if (std::find(spellings.begin(), spellings.end(), name) == spellings.end()) spellings.emplace_back(name);
    }
    void Remove(const char* name) {
      auto found = names.find(AsciiLower(name));
      if (found == names.end()) return;
      std::erase(found->second, std::string(name));
      if (found->second.empty()) names.erase(found);
    }
  };

  // Opens the notice queue once per process; a child of a fork makes its own, so that it never
  // takes the parent's notices.
  bool Ready() {
    if (owner_ != ::getpid()) {
      if (notices_ >= 0) ::close(notices_);
      folders_.clear();
      watches_.clear();
      owner_ = ::getpid();
      notices_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    }
    return notices_ >= 0;
  }

  void Drain() {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
      ssize_t n = ::read(notices_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) {
        // The queue cannot be read: no index can be trusted from here on.
        DropAll();
        ::close(notices_);
        notices_ = -1;
      }
      if (n <= 0) return;
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        Apply(*event);
      }
    }
  }

  void Apply(const inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) return DropAll();  // notices were lost
    auto watch = watches_.find(event.wd);
    if (watch == watches_.end()) return;  // a folder dropped since
    if (event.len == 0) {
      if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_UNMOUNT | IN_ATTRIB)) Drop(event.wd);
      return;
    }
    Index& index = folders_[watch->second];
    if (event.mask & (IN_CREATE | IN_MOVED_TO)) index.Add(event.name);
    if (event.mask & (IN_DELETE | IN_MOVED_FROM)) index.Remove(event.name);
  }

  void Drop(int watch) {
    auto found = watches_.find(watch);
    if (found == watches_.end()) return;
    ::inotify_rm_watch(notices_, watch);
    folders_.erase(found->second);
    watches_.erase(found);
  }

  void DropAll() {
    for (const auto& [watch, key] : watches_) ::inotify_rm_watch(notices_, watch);
    folders_.clear();
    watches_.clear();
  }

  // Watches the folder, then reads it into a new index; nullptr when it cannot be watched.
  Index* Read(const char* folder) {
    int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct statfs fs {};
    struct stat st {};
    if (::fstatfs(fd, &fs) != 0 || Remote(fs.f_type) || ::fstat(fd, &st) != 0) {
      ::close(fd);
      return nullptr;
    }
    if (folders_.size() >= kMaxFolders) {
      auto oldest = std::min_element(folders_.begin(), folders_.end(),
                                     [](const auto& a, const auto& b) { return a.second.used < b.second.used; });
      Drop(oldest->second.watch);
    }
    // Through the open folder, so that the watch and the listing are of the same folder even if
    // its path changes meanwhile.
    int watch = ::inotify_add_watch(notices_, ("/proc/self/fd/" + std::to_string(fd)).c_str(), kEvents);
    DIR* dir = watch < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
      if (watch >= 0) ::inotify_rm_watch(notices_, watch);
      ::close(fd);
      return nullptr;
    }
    const Key key{st.st_dev, st.st_ino};
    // An index of this inode that is still here belongs to a folder deleted since the drain.
    if (auto stale = folders_.find(key); stale != folders_.end() && stale->second.watch != watch)
      Drop(stale->second.watch);
    Index& index = folders_[key];
    index = Index{};
    index.watch = watch;
    watches_[watch] = key;
    while (const dirent* entry = ::readdir(dir)) index.Add(entry->d_name);
    ::closedir(dir);
    return &index;
  }

  // File systems whose changes made by other machines send no notices here.
  static bool Remote(__fsword_t type) {
    switch (static_cast<unsigned long>(type) & 0xffffffffUL) {
      case NFS_SUPER_MAGIC:
      case SMB_SUPER_MAGIC:
      case CIFS_SUPER_MAGIC:
      case SMB2_SUPER_MAGIC:
      case FUSE_SUPER_MAGIC:
      case V9FS_MAGIC:
      case CEPH_SUPER_MAGIC:
        return true;
      default:
        return false;
    }
  }

  std::mutex mutex_;
  pid_t owner_ = 0;
  int notices_ = -1;
  unsigned long long clock_ = 0;
  std::unordered_map<Key, Index, KeyHash> folders_;
  std::unordered_map<int, Key> watches_;
};

// The one entry of a folder whose name matches part without regard to case; "" when none or
// several do. seen is the folder's lstat when the caller has it.
std::string OneMatch(const std::string& folder, const std::string& part, const struct stat* seen = nullptr) {
  static FolderIndexes indexes;
  const char* path = folder.empty() ? "." : folder.c_str();
  struct stat st {};
  if (seen != nullptr && S_ISDIR(seen->st_mode))
    st = *seen;
  else if (::stat(path, &st) != 0 || !S_ISDIR(st.st_mode))
    return {};
  std::string match;
  return indexes.Find(path, st, part, match) ? match : ScanFolder(path, part);
}

}  // namespace

namespace {

// FilePath for a native path that is not there as spelt.
std::string MatchedPath(const std::string& native) {
  // Most often the folder is there and only the last part is not (a file about to be made).
  size_t last = native.find_last_of('/');
  struct stat folder {};
  if (last != std::string::npos && last > 0 && last + 1 < native.size() &&
      ::lstat(native.substr(0, last).c_str(), &folder) == 0) {
    std::string match = OneMatch(native.substr(0, last), native.substr(last + 1), &folder);
    return match.empty() ? native : native.substr(0, last + 1) + match;
  }
  // Part by part: the parts that are there as spelt cost one test each; a part that is not is
  // looked for in its folder; from the first part that nothing matches on, the rest stays as is.
  std::string resolved = native[0] == '/' ? "/" : "";
  size_t start = resolved.size();
  bool matching = true;
  while (start <= native.size()) {
    size_t slash = native.find('/', start);
    std::string part = native.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    std::string folder = resolved;
    if (!part.empty()) {
      std::string next = folder + part;
      if (matching && part != "." && part != ".." && !Exists(next)) {
        std::string match = OneMatch(folder, part);
        if (match.empty())
          matching = false;
        else
          next = folder + match;
      }
      resolved = next;
    }
    if (slash == std::string::npos) break;
    if (!resolved.empty() && resolved.back() != '/') resolved += '/';
    start = slash + 1;
  }
  return resolved;
}

}  // namespace

std::string FilePath(const std::string& path) {
  std::string native = NativePath(path);
  if (native.empty() || Exists(native)) return native;
  return MatchedPath(native);
}

FileInfo FindFile(const std::string& path) {
  FileInfo info;
  if (path.empty()) return info;
  // The exact spelling is tried first: it is what is there nearly always.
  info.path = NativePath(path);
  struct stat st {};
  if (::stat(info.path.c_str(), &st) != 0) {
    // Not there as spelt (a link to nothing is its own one match).
    info.path = MatchedPath(info.path);
    if (::stat(info.path.c_str(), &st) != 0) return info;
  }
  info.normalFile = S_ISREG(st.st_mode);
  info.folder = S_ISDIR(st.st_mode);
  info.device = static_cast<unsigned long long>(st.st_dev);
  info.inode = static_cast<unsigned long long>(st.st_ino);
  info.modified = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  info.size = static_cast<long long>(st.st_size);
  return info;
}

bool IsNormalFile(const std::string& path) { return FindFile(path).normalFile; }

bool IsFolder(const std::string& path) { return FindFile(path).folder; }

void MkDir(const std::string& path) {
  std::string native = FilePath(path);
  if (::mkdir(native.c_str(), 0777) == 0) return;
  if (errno == EEXIST) Raise(errPathFileAccess);
  if (errno == ENOENT || errno == ENOTDIR) Raise(errPathNotFound);
  if (errno == EACCES || errno == EPERM || errno == EROFS) Raise(errPermissionDenied);
  Raise(errPathFileAccess);
}

namespace {
std::atomic<unsigned long long> filesReplaced{0};
}  // namespace

unsigned long long FilesReplaced() { return filesReplaced; }

void Kill(const std::string& path) {
  std::string native = FilePath(path);
  if (::unlink(native.c_str()) == 0) {
    ++filesReplaced;
    return;
  }
  if (errno == ENOENT) Raise(errFileNotFound);
  if (errno == EACCES || errno == EPERM || errno == EROFS) Raise(errPermissionDenied);
  Raise(errPathFileAccess);
}

void Name(const std::string& oldPath, const std::string& newPath) {
  std::string from = FilePath(oldPath), to = FilePath(newPath);
  if (!Exists(from)) Raise(errFileNotFound);
  if (Exists(to)) Raise(errFileAlreadyExists);
  if (::rename(from.c_str(), to.c_str()) == 0) {
    ++filesReplaced;
    return;
  }
  if (errno == ENOENT || errno == ENOTDIR) Raise(errPathNotFound);
  if (errno == EACCES || errno == EPERM || errno == EROFS) Raise(errPermissionDenied);
  Raise(errPathFileAccess);
}

TextFile::~TextFile() {
  try {
    Close();
  } catch (const RuntimeError&) {
    // Left by an error: the procedure that was writing has reported that one already.
  }
}

void TextFile::Open(const std::string& path, FileMode mode) {
  if (file_) Raise(errFileAlreadyOpen);
  std::string native = FilePath(path);
  const char* how = mode == FileMode::Input ? "rb" : mode == FileMode::Append ? "ab" : "wb";
  std::string partial;
  if (mode == FileMode::Output) {
    // Only a plain file is replaced by a rename; a pipe or a link is written where it is.
    struct stat st {};
    replaces_ = ::lstat(native.c_str(), &st) == 0;
    bool plain = replaces_ ? S_ISREG(st.st_mode) : errno == ENOENT;
    if (plain && ::access(native.c_str(), F_OK) == 0 && ::access(native.c_str(), W_OK) != 0)
      RaiseOpenError(native, EACCES);
    if (plain) partial = native + ".part";
  }
  if (mode == FileMode::OutputInPlace) {
    // Written over and cut to its new length at Close: a file emptied and written again is
    // flushed to the disk at its close by some file systems (ext4), which a log rewritten for
    // every report cannot afford.
    int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    file_ = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (fd >= 0 && !file_) ::close(fd);
  } else {
    file_ = std::fopen(partial.empty() ? native.c_str() : partial.c_str(), how);
  }
  if (!file_ && !partial.empty() && (errno == EACCES || errno == EPERM)) {
    // A folder closed to new names may still let its files be written.
    partial.clear();
    file_ = std::fopen(native.c_str(), how);
  }
  if (!file_) RaiseOpenError(native, errno);
  mode_ = mode;
  path_ = native;
  partial_ = partial;
}

void TextFile::Close() {
  if (!file_) return;
  std::FILE* f = file_;
  file_ = nullptr;
  bool written = true;
  if (mode_ == FileMode::OutputInPlace) {
    const long length = std::ftell(f);
    written = std::fflush(f) == 0 && length >= 0 && ::ftruncate(::fileno(f), length) == 0;
  }
  written = std::fclose(f) == 0 && written;
  // What was written takes the file's name also after a write error, as it would in place.
  if (!partial_.empty() && ::rename(partial_.c_str(), path_.c_str()) != 0) {
    written = false;
    ::unlink(partial_.c_str());
  } else if (!partial_.empty() && replaces_) {
    ++filesReplaced;
  }
  partial_.clear();
  if (!written && mode_ != FileMode::Input) Raise(errPathFileAccess, "Disk full or write error");
}

void TextFile::WriteLine(const std::string& text) {
  if (!file_ || mode_ == FileMode::Input) Raise(errBadFileMode);
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fwrite("\r\n", 1, 2, file_) != 2)
    Raise(errPathFileAccess, "Disk full or write error");
}

void TextFile::WriteLines(const std::vector<std::string>& lines) {
  std::string all;
  size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  all.reserve(size);
  for (const auto& line : lines) {
    all += line;
    all += "\r\n";
  }
  if (!file_ || mode_ == FileMode::Input) Raise(errBadFileMode);
  if (std::fwrite(all.data(), 1, all.size(), file_) != all.size()) Raise(errPathFileAccess, "Disk full or write error");
}

void TextFile::Write(const std::string& bytes) {
  if (!file_ || mode_ == FileMode::Input) Raise(errBadFileMode);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Raise(errPathFileAccess, "Disk full or write error");
}

void TextFile::Flush() {
  if (!file_ || mode_ == FileMode::Input) Raise(errBadFileMode);
  if (std::fflush(file_) != 0) Raise(errPathFileAccess, "Disk full or write error");
}

int TextFile::Peek() {
  int c = std::fgetc(file_);
  if (c != EOF) std::ungetc(c, file_);
  return c;
}

bool TextFile::Eof() {
  if (!file_ || mode_ != FileMode::Input) Raise(errBadFileMode);
  return Peek() == EOF;
}

std::string TextFile::ReadLine() {
  if (!file_ || mode_ != FileMode::Input) Raise(errBadFileMode);
  if (Peek() == EOF) Raise(errInputPastEnd);
  std::string line;
  for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) {
    if (c == '\n') break;
    if (c == '\r') {
      if (Peek() == '\n') std::fgetc(file_);
      break;
    }
    line.push_back(static_cast<char>(c));
  }
  return line;
}

std::string TextFile::ReadItem() {
  if (!file_ || mode_ != FileMode::Input) Raise(errBadFileMode);
  if (Peek() == EOF) Raise(errInputPastEnd);
  int c = std::fgetc(file_);
  while (c == ' ' || c == '\t') c = std::fgetc(file_);
  std::string item;
  auto endOfLine = [&](int ch) {
    if (ch == '\r' && Peek() == '\n') std::fgetc(file_);
  };
  if (c == '"') {
    for (c = std::fgetc(file_); c != EOF && c != '"' && c != '\r' && c != '\n'; c = std::fgetc(file_))
      item.push_back(static_cast<char>(c));
    if (c == '"') {
      // Skip to the delimiter after the closing quote.
      for (c = std::fgetc(file_); c == ' ' || c == '\t'; c = std::fgetc(file_)) {
      }
      if (c != ',' && c != '\r' && c != '\n' && c != EOF) std::ungetc(c, file_);
    }
    endOfLine(c);
    return item;
  }
  for (; c != EOF && c != ',' && c != '\r' && c != '\n'; c = std::fgetc(file_)) item.push_back(static_cast<char>(c));
  endOfLine(c);
  while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.pop_back();
  return item;
}

std::string ReadAllBytes(const std::string& path) {
  std::string native = FilePath(path);
  std::FILE* f = std::fopen(native.c_str(), "rb");
  if (!f) RaiseOpenError(native, errno);
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

void WriteAllBytes(const std::string& path, const std::string& bytes) {
  TextFile file(path, FileMode::Output);
  file.Write(bytes);
  file.Close();
}

void CopyFile(const std::string& from, const std::string& to) {
  WriteAllBytes(to, ReadAllBytes(from));
  struct stat st {};
  if (::stat(FilePath(from).c_str(), &st) == 0) ::chmod(FilePath(to).c_str(), st.st_mode & 07777);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::string native = FilePath(folder);
  DIR* dir = ::opendir(native.c_str());
  if (!dir) Raise(errno == EACCES ? errPermissionDenied : errPathNotFound);
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

void MakeFolders(const std::string& path) {
  std::string native = FilePath(path);
  for (size_t slash = native.find('/', 1);; slash = native.find('/', slash + 1)) {
    std::string part = native.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
      if (errno == EACCES || errno == EPERM || errno == EROFS) Raise(errPermissionDenied);
      Raise(errPathNotFound);
    }
    if (slash == std::string::npos) break;
  }
  if (!IsFolder(native)) Raise(errPathNotFound);
}

void RemoveFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(FilePath(path), error);
  ++filesReplaced;
  if (error) Raise(errPermissionDenied, FilePath(path) + ": " + error.message());
}

}  // namespace platform
