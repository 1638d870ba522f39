// One run at a time per application folder.
#pragma once

namespace platform {

// Takes the run's lock: the file .QUORVASchedule.lock in the application folder, whatever the
// program file is called or replaced by, so that one folder has one run and different folders
// never block each other. Where the folder cannot hold that file (read-only), the program file
// itself is locked instead. False when another process holds the lock. The lock dies with the
// process, so a crashed run never blocks the next.
bool AcquireSingleInstance();

}  // namespace platform
