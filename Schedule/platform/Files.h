// The application folder and the file layer.
//
// The program's strings keep Windows names ("Log\QUORVALog.Log"); this layer turns "\" into the
// native separator whenever it touches the file system. The program came from a file system that
// ignores case: where a part of a path is not there in its exact spelling, the layer takes the one
// entry of its folder that matches without regard to case (none when several do); the names of a
// folder looked in are kept in an index that follows what any process changes there, so a look-up
// costs the same in a folder of ten files or of twenty thousand. Every open and every existence
// test of the program goes through here, the data-access layer's included. Text is written byte
// for byte as the strings hold it, every line ended by CR LF.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// The folder that holds the running program file, without a trailing separator.
const std::string& AppFolder();
// Lets a test stand in a scratch folder for the program's folder.
void SetAppFolder(const std::string& folder);

// The running program file's own name without its extension ("QUORVASchedule").
const std::string& ProgramName();

// A path of the program turned into a native one: every "\" becomes "/".
std::string NativePath(const std::string& path);
// The native path the layer opens for a path of the program, and the one messages show: the
// native path with each part that is not there spelt as the one entry that matches it without
// regard to case. Parts that nothing matches stay as written (a file about to be made).
std::string FilePath(const std::string& path);

// What a directory search finds at a path: the native path searched (FilePath), whether a normal
// file or a folder is there (neither when nothing is), and for a file which one it is (device
// and inode), its modification time in nanoseconds and its size.
struct FileInfo {
  std::string path;
  bool normalFile = false;
  bool folder = false;
  unsigned long long device = 0, inode = 0;
  long long modified = 0, size = 0;
};
FileInfo FindFile(const std::string& path);
// True when a directory search for this path finds a normal file; IsFolder, a folder.
bool IsNormalFile(const std::string& path);
bool IsFolder(const std::string& path);

// How many times this process has deleted a file or put another in a name's place through this
// layer: a file found at a path is still the one there while the count stays the same, unless
// another process changed it.
unsigned long long FilesReplaced();

// Creates one folder; raises 75 when it exists already, 76 when its parent is missing.
void MkDir(const std::string& path);
// Deletes a file; raises 53 when it is missing.
void Kill(const std::string& path);
// Gives a file a new name; raises 53 when it is missing, 58 when the new name is taken.
void Name(const std::string& oldPath, const std::string& newPath);

// OutputInPlace replaces a file's content where it is, as Output did before report files were
// written under another name: for logs that are rewritten at every step or appended to later, a
// new file per write would only churn through the folder.
enum class FileMode { Input, Output, OutputInPlace, Append };

// A sequential text file, opened and closed within one procedure.
class TextFile {
 public:
  TextFile() = default;
  TextFile(const std::string& path, FileMode mode) { Open(path, mode); }
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Output and OutputInPlace replace the file, Append adds to it (all create it); Input needs it
  // to exist.
  // Output writes a plain file under its name + ".part" and gives it its own name at Close, so
  // nobody ever sees it half-written; a process killed while writing leaves only the ".part".
  void Open(const std::string& path, FileMode mode);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  // Writes the text and a CR LF.
  void WriteLine(const std::string& text);
  // Writes several lines with one call to the file system.
  void WriteLines(const std::vector<std::string>& lines);
  // Writes the bytes as they are, no line break added.
  void Write(const std::string& bytes);
  // Hands what was written so far to the system, so that a process killed later keeps it.
  void Flush();

  // Reads one line without its line break (CR LF, LF or CR).
  std::string ReadLine();
  // Reads one item in free format: an item ends at a comma or at the end of a line; blanks
  // around it and quotes around a quoted item are dropped.
  std::string ReadItem();
  bool Eof();

 private:
  int Peek();
  std::FILE* file_ = nullptr;
  FileMode mode_ = FileMode::Input;
  std::string path_;     // native
  std::string partial_;  // native, while Output writes under another name
  bool replaces_ = false;  // a file of that name was there at Open
};

// Reads a whole file as bytes; raises 53 when it is missing.
std::string ReadAllBytes(const std::string& path);
// Replaces a file with these bytes as Output does: nobody sees it half-written.
void WriteAllBytes(const std::string& path, const std::string& bytes);
// Copies a file's bytes and permission bits (a program stays runnable) as WriteAllBytes writes.
void CopyFile(const std::string& from, const std::string& to);

// The names in a folder, sorted, without "." and ".."; raises 76 when it is not a folder.
std::vector<std::string> FolderEntries(const std::string& folder);
// Makes a folder and every missing folder above it; a folder already there is no error. Raises
// 76 when a part of the path is a file, 70 when a parent refuses new names.
void MakeFolders(const std::string& path);
// Removes a folder and everything below it, links as links (never what they point at). A
// folder that is not there is no error.
void RemoveFolder(const std::string& path);

}  // namespace platform
