#include "platform/Files.h"

#include <cerrno>
#include <climits>
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

bool IsNormalFile(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void MkDir(const std::string& path) {
  std::string native = NativePath(path);
  if (::mkdir(native.c_str(), 0777) == 0) return;
  if (errno == EEXIST) Raise(errPathFileAccess);
  if (errno == ENOENT || errno == ENOTDIR) Raise(errPathNotFound);
  if (errno == EACCES || errno == EPERM || errno == EROFS) Raise(errPermissionDenied);
  Raise(errPathFileAccess);
}

void Kill(const std::string& path) {
  std::string native = NativePath(path);
  if (::unlink(native.c_str()) == 0) return;
  if (errno == ENOENT) Raise(errFileNotFound);
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
  std::string native = NativePath(path);
  const char* how = mode == FileMode::Input ? "rb" : mode == FileMode::Output ? "wb" : "ab";
  std::string partial;
  if (mode == FileMode::Output) {
    // Only a plain file is replaced by a rename; a pipe or a link is written where it is.
    struct stat st {};
    bool plain = ::lstat(native.c_str(), &st) == 0 ? S_ISREG(st.st_mode) : errno == ENOENT;
    if (plain && ::access(native.c_str(), F_OK) == 0 && ::access(native.c_str(), W_OK) != 0)
      RaiseOpenError(native, EACCES);
    if (plain) partial = native + ".part";
  }
  file_ = std::fopen(partial.empty() ? native.c_str() : partial.c_str(), how);
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
  bool written = std::fclose(f) == 0;
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
  std::string native = NativePath(path);
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
