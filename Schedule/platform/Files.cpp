#include "platform/Files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The one entry of a folder whose name matches part without regard to case; "" when none or
// several do.
std::string OneMatch(const std::string& folder, const std::string& part) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return {};
  std::string found;
  int matches = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, part.c_str()) != 0) continue;
    found = entry->d_name;
    ++matches;
  }
  ::closedir(dir);
  return matches == 1 ? found : std::string();
}

}  // namespace

std::string FilePath(const std::string& path) {
  std::string native = NativePath(path);
  if (native.empty() || Exists(native)) return native;
  // Most often the folder is there and only the last part is not (a file about to be made).
  size_t last = native.find_last_of('/');
  if (last != std::string::npos && last > 0 && last + 1 < native.size() && Exists(native.substr(0, last))) {
    std::string match = OneMatch(native.substr(0, last), native.substr(last + 1));
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

FileInfo FindFile(const std::string& path) {
  FileInfo info;
  if (path.empty()) return info;
  // The exact spelling is tried first: it is what is there nearly always.
  info.path = NativePath(path);
  struct stat st {};
  if (::stat(info.path.c_str(), &st) != 0) {
    info.path = FilePath(path);
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

void Kill(const std::string& path) {
  std::string native = FilePath(path);
  if (::unlink(native.c_str()) == 0) return;
  if (errno == ENOENT) Raise(errFileNotFound);
  if (errno == EACCES || errno == EPERM || errno == EROFS) Raise(errPermissionDenied);
  Raise(errPathFileAccess);
}

void Name(const std::string& oldPath, const std::string& newPath) {
  std::string from = FilePath(oldPath), to = FilePath(newPath);
  if (!Exists(from)) Raise(errFileNotFound);
  if (Exists(to)) Raise(errFileAlreadyExists);
  if (::rename(from.c_str(), to.c_str()) == 0) return;
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
    bool plain = ::lstat(native.c_str(), &st) == 0 ? S_ISREG(st.st_mode) : errno == ENOENT;
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

}  // namespace platform
