// Ending a run on a stop signal (SIGTERM, SIGINT, SIGHUP): what a service manager sends at a stop
// or a time-out.
//
// The program is single-threaded and its database handles take no mutex, so the signal handler
// only notes the signal; the run stops at the next safe point on the main thread, which the file
// layer's writes and the data layer's statements are. A main thread that reaches none in time
// (stuck in a long wait) is ended by a fallback all the same, within two seconds of the signal.
#pragma once

namespace platform {

// Installs the handlers. line writes the status-log line of a stop (it may raise); it runs once,
// on the main thread at a safe point, or on the fallback's thread when the main thread is late.
void StopOnSignals(void (*line)(int signal));

// A safe point: after a stop signal, writes the stop's line, finishes the work registered with
// AtEndProgram (what the databases hold is committed, a transaction left open is undone) and ends
// the process with 128 + the signal. Does nothing otherwise, or while the stop is under way.
void StopPoint();

// True once the main thread has begun to stop on a signal.
bool Stopping();

}  // namespace platform
