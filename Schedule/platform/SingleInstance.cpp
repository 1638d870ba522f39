#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Files.h"

namespace platform {

namespace {

// The folder's lock file, made when missing; -1 when the folder cannot hold one (read-only) or a
// link or anything but a plain file stands under its name.
int OpenFolderLock() {
  const std::string path = AppFolder() + "/.QUORVASchedule.lock";
  int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd);
    fd = -1;
  }
  return fd;
}

}  // namespace

bool AcquireSingleInstance() {
  static int fd = -1;
  if (fd >= 0) return true;
  int opened = OpenFolderLock();
  // Rather than refuse a run, the program file's own lock, as before the folder had one.
  if (opened < 0) opened = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  if (opened < 0) return true;  // nothing to lock on: never refuse a run for that
  if (::flock(opened, LOCK_EX | LOCK_NB) != 0) {
    ::close(opened);
    return false;
  }
  fd = opened;  // held until the process ends
  return true;
}

}  // namespace platform
