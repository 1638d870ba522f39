#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

bool AcquireSingleInstance() {
  static int fd = -1;
  if (fd >= 0) return true;
  int opened = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  if (opened < 0) return true;  // nothing to lock on: never refuse a run for that
  if (::flock(opened, LOCK_EX | LOCK_NB) != 0) {
    ::close(opened);
    return false;
  }
  fd = opened;  // held until the process ends
  return true;
}

}  // namespace platform
