#include "platform/Stop.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <thread>

#include "platform/Err.h"

namespace platform {

namespace {

// The main thread has this long to reach a safe point; the process ends by the deadline.
constexpr auto kGrace = std::chrono::milliseconds(1200);
constexpr auto kDeadline = std::chrono::milliseconds(1800);

volatile std::sig_atomic_t signalled = 0;
std::atomic<bool> stopping{false};  // the line is being written, by one thread only
bool mainStopping = false;          // by the main thread
void (*stopLine)(int) = nullptr;
int wake = -1;

void OnSignal(int signal) {
  if (signalled == 0) signalled = signal;
  const std::uint64_t one = 1;
  const int saved = errno;
  [[maybe_unused]] ssize_t n = ::write(wake, &one, sizeof one);
  errno = saved;
}

void WriteLine(int signal) {
  try {
    if (stopLine) stopLine(signal);
  } catch (...) {
    // The line went to stderr; the stop goes on.
  }
}

// Waits for a signal, then for the main thread; ends the process itself when that is late. It
// never touches a database: their handles belong to the main thread.
void Fallback() {
  std::uint64_t count = 0;
  while (::read(wake, &count, sizeof count) < 0 && errno == EINTR) {
  }
  const auto start = std::chrono::steady_clock::now();
  const int signal = signalled;
  std::this_thread::sleep_for(kGrace);
  if (!stopping.exchange(true)) {
    // Even writing the line may hang (a log that is a pipe nobody reads): the deadline holds.
    std::thread([signal] {
      std::this_thread::sleep_until(std::chrono::steady_clock::now() + (kDeadline - kGrace));
      std::_Exit(128 + signal);
    }).detach();
    WriteLine(signal);
    std::_Exit(128 + signal);
  }
  std::this_thread::sleep_until(start + kDeadline);
  std::_Exit(128 + signal);
}

}  // namespace

void StopOnSignals(void (*line)(int)) {
  if (wake >= 0) return;
  stopLine = line;
  wake = ::eventfd(0, EFD_CLOEXEC);
  if (wake < 0) return;  // no fallback, no handlers: a signal ends the run as it always did
  std::thread(Fallback).detach();
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

void StopPoint() {
  if (signalled == 0 || stopping.exchange(true)) return;
  const int signal = signalled;
  mainStopping = true;
  WriteLine(signal);
  EndProgram(128 + signal);
}

bool Stopping() { return mainStopping; }

}  // namespace platform
