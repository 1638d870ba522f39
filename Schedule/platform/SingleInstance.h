// One run at a time per program file.
#pragma once

namespace platform {

// Takes the run's lock on the program file. False when another process started from the same
// program file holds it. The lock dies with the process, so a crashed run never blocks the next.
bool AcquireSingleInstance();

}  // namespace platform
