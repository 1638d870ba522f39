// Run-time errors and the one way every procedure handles them.
//
// A fault anywhere below a procedure is a RuntimeError carrying the classic error number and a
// description. A procedure names its module and itself in an OnError and then runs its statements
// through it in one of three ways: go on with the next statement, leave the procedure, or end the
// program. Every way reports the error to the status log first.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// The classic run-time error numbers the program raises and reports.
enum ErrNumber : long {
  errInvalidArgument = 5,     // invalid procedure call or argument
  errOverflow = 6,
  errOutOfMemory = 7,
  errSubscript = 9,           // an index outside a list
  errTypeMismatch = 13,       // a text that is not a number
  errFileNotFound = 53,
  errFileAlreadyExists = 58,
  errFileAlreadyOpen = 55,
  errBadFileMode = 54,
  errInputPastEnd = 62,
  errPermissionDenied = 70,
  errPathFileAccess = 75,
  errPathNotFound = 76,       // a missing folder
  errObjectNotSet = 91,
  errInvalidPropertyValue = 380,
  errCannotCreateObject = 429,
  errAutomation = 440,
};

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(long number, std::string description);
  long Number() const { return number_; }
  const std::string& Description() const { return description_; }

 private:
  long number_;
  std::string description_;
};

// The text the classic run-time gives for a number ("Subscript out of range" for 9, ...).
std::string DefaultDescription(long number);

// Raises a run-time error; an empty description takes the classic one for the number.
[[noreturn]] void Raise(long number, std::string description = {});

// The error last caught by a handler, as the classic Err object holds it.
struct ErrObject {
  long Number = 0;
  std::string Description;
  void Clear() {
    Number = 0;
    Description.clear();
  }
};
ErrObject& Err();

// Where an error report goes. The program sends them to the status log; set once at start-up.
using ErrorReporter = std::function<void(const std::string& description, const std::string& module,
                                         const std::string& procedure, long number)>;
void SetErrorReporter(ErrorReporter reporter);

// The exit codes of the process: a normal end (also a refused second start), an end through a
// procedure that ends the program, and an end after status-log lines that could not be written.
enum ExitCode : int { exitNormal = 0, exitEnded = 1, exitStatusLogUnwritten = 2 };

// Ends the process at once, as the classic End statement does, after the work registered with
// AtEndProgram. A normal end after a lost status-log line ends with exitStatusLogUnwritten instead.
[[noreturn]] void EndProgram(int exitCode);
// Work a layer must finish before the process ends (writes it still holds back); it runs once,
// in EndProgram, and must not raise.
void AtEndProgram(void (*work)());

// A status-log line that could not be written: it goes to stderr instead, and the process's exit
// code will say so.
void StatusLineLost(const std::string& line);
// How many status-log lines were lost since the process started.
long StatusLinesLost();

// How many errors handlers have reported since the process started (a work that saw none added
// may trust what it wrote).
long ErrorsReported();

// The error handler a procedure installs at its start.
class OnError {
 public:
  // Installing a handler clears the Err object, as the classic On Error statement does.
  OnError(std::string_view module, std::string_view procedure) : module_(module), procedure_(procedure) {
    Err().Clear();
  }

  // Runs one statement; an error in it is reported and the procedure goes on after it.
  // Returns false when the statement failed.
  template <class F>
  bool Next(F&& statement) noexcept {
    try {
      statement();
      return true;
    } catch (...) {
      ReportCurrent();
      return false;
    }
  }

  // Runs the body of a procedure; an error in it is reported and the procedure is left, its
  // result keeping whatever value it had. Returns false when the body was left on an error.
  template <class F>
  bool Leave(F&& body) noexcept {
    return Next(std::forward<F>(body));
  }

  // Runs the body of a procedure; an error in it is reported and then ends the program.
  template <class F>
  void End(F&& body) noexcept {
    if (!Next(std::forward<F>(body))) EndProgram(exitEnded);
  }

  // Reports an error that the procedure meets without an exception (for example a bad answer
  // from a component).
  void Report(const std::string& description, long number) const;

  const std::string& Module() const { return module_; }
  const std::string& Procedure() const { return procedure_; }

 private:
  // Reports the exception being handled; call only inside a catch block.
  void ReportCurrent() const noexcept;

  std::string module_;
  std::string procedure_;
};

}  // namespace platform
