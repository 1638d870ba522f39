#include "Cli.h"

#include <csignal>
#include <cstdio>
#include <mutex>

#include "QuorvaVersion.h"

namespace nightly {

namespace {

std::mutex outputMutex;
volatile std::sig_atomic_t stopSignal = 0;

void NoteStop(int signal) { stopSignal = signal; }

}  // namespace

void Complain(const std::string& text) {
  std::lock_guard<std::mutex> lock(outputMutex);
  std::fprintf(stderr, "quorva-nightly: %s\n", text.c_str());
  std::fflush(stderr);
}

void Say(const std::string& text) {
  std::lock_guard<std::mutex> lock(outputMutex);
  std::fprintf(stdout, "%s\n", text.c_str());
  std::fflush(stdout);
}

void WatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = NoteStop;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

int StopSignal() { return stopSignal; }

std::string Stamp(const platform::DateTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d-%02d-%02d", time.Year, time.Month, time.Day, time.Hour,
                time.Minute, time.Second);
  return text;
}

bool IsStamp(const std::string& name) {
  static const std::string shape = "0000-00-00_00-00-00";
  if (name.size() != shape.size()) return false;
  for (size_t i = 0; i < shape.size(); ++i)
    if (shape[i] == '0' ? (name[i] < '0' || name[i] > '9') : name[i] != shape[i]) return false;
  return true;
}

const char* Version() { return QUORVA_VERSION; }

}  // namespace nightly
