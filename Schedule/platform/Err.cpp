#include "platform/Err.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <unistd.h>

#include <vector>

namespace platform {

RuntimeError::RuntimeError(long number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

std::string DefaultDescription(long number) {
  switch (number) {
    case 5: return "Invalid procedure call or argument";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript out of range";
    case 13: return "Type mismatch";
    case 53: return "File not found";
    case 54: return "Bad file mode";
    case 55: return "File already open";
    case 58: return "File already exists";
    case 62: return "Input past end of file";
    case 70: return "Permission denied";
    case 75: return "Path/File access error";
    case 76: return "Path not found";
    case 91: return "Object variable or With block variable not set";
    case 380: return "Invalid property value";
    case 429: return "ActiveX component can't create object";
    case 440: return "Automation error";
    default: return "Application-defined or object-defined error";
  }
}

void Raise(long number, std::string description) {
  if (description.empty()) description = DefaultDescription(number);
  throw RuntimeError(number, std::move(description));
}

ErrObject& Err() {
  static ErrObject err;
  return err;
}

namespace {
ErrorReporter& Reporter() {
  static ErrorReporter reporter;
  return reporter;
}
}  // namespace

void SetErrorReporter(ErrorReporter reporter) { Reporter() = std::move(reporter); }

namespace {
long linesLost = 0;
}  // namespace

void StatusLineLost(const std::string& line) {
  ++linesLost;
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

long StatusLinesLost() { return linesLost; }

namespace {
std::vector<void (*)()>& EndWork() {
  static std::vector<void (*)()> work;
  return work;
}
}  // namespace

void AtEndProgram(void (*work)()) { EndWork().push_back(work); }

void EndProgram(int exitCode) {
  for (void (*work)() : EndWork()) work();
  if (exitCode == exitNormal && linesLost > 0) exitCode = exitStatusLogUnwritten;
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

namespace {
long errorsReported = 0;
}  // namespace

long ErrorsReported() { return errorsReported; }

void OnError::Report(const std::string& description, long number) const {
  ++errorsReported;
  Err().Number = number;
  Err().Description = description;
  const std::string line = module_ + "." + procedure_ + " " + std::to_string(number) + " - " + description;
  if (!Reporter()) {
    std::fprintf(stderr, "%s\n", line.c_str());
    return;
  }
  const long lostBefore = linesLost;
  try {
    Reporter()(description, module_, procedure_, number);
  } catch (...) {
    // The status log itself cannot be written; a reporter that did not hand its line to stderr
    // has it written there now.
    if (linesLost == lostBefore) StatusLineLost(line);
  }
}

void OnError::ReportCurrent() const noexcept {
  long number = errAutomation;
  std::string description;
  try {
    throw;
  } catch (const RuntimeError& e) {
    number = e.Number();
    description = e.Description();
  } catch (const std::out_of_range&) {
    number = errSubscript;
    description = DefaultDescription(number);
  } catch (const std::invalid_argument&) {
    number = errTypeMismatch;
    description = DefaultDescription(number);
  } catch (const std::bad_alloc&) {
    number = errOutOfMemory;
    description = DefaultDescription(number);
  } catch (const std::exception& e) {
    number = errInvalidArgument;
    description = e.what();
  } catch (...) {
    description = DefaultDescription(number);
  }
  try {
    Report(description, number);
  } catch (...) {
  }
}

}  // namespace platform
