#include "Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "Cli.h"

extern char** environ;

namespace nightly {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> Environment(const std::vector<std::string>& added) {
  std::vector<std::string> result;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& a : added) replaced = replaced || a.substr(0, a.find('=')) == name;
    if (!replaced) result.push_back(entry);
  }
  result.insert(result.end(), added.begin(), added.end());
  return result;
}

void Keep(std::string& into, const char* data, size_t size, size_t keep) {
  into.append(data, size);
  if (into.size() > 2 * keep) into.erase(0, into.size() - keep);
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  ProcessResult result;
  if (argv.empty()) {
    result.startError = "no program named";
    return result;
  }
  // Everything the child needs is made before fork: after it, only calls that are safe there.
  std::vector<std::string> environment = Environment(options.environment);
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  int in[2], out[2], err[2], report[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
      ::pipe2(report, O_CLOEXEC) != 0) {
    result.startError = std::strerror(errno);
    return result;
  }
  const Clock::time_point start = Clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    // The parent ignores nothing the child should: signals start as the system sets them.
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) ::signal(s, SIG_DFL);
    if (options.folder.empty() || ::chdir(options.folder.c_str()) == 0) {
      if (std::strchr(args[0], '/'))
        ::execve(args[0], args.data(), envp.data());
      else
        ::execvpe(args[0], args.data(), envp.data());
    }
    int error = errno;
    (void)!::write(report[1], &error, sizeof error);
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  ::close(report[1]);
  if (pid < 0) {
    result.startError = std::strerror(errno);
    for (int fd : {in[1], out[0], err[0], report[0]}) ::close(fd);
    return result;
  }
  ::setpgid(pid, pid);  // also here, so that a stop right after fork reaches the group
  int childError = 0;
  bool execFailed = ::read(report[0], &childError, sizeof childError) == static_cast<ssize_t>(sizeof childError);
  ::close(report[0]);

  // The input is written as the child reads it, beside its output, so neither side waits on a full pipe.
  size_t written = 0;
  int inFd = in[1];
  if (options.input.empty()) ::close(inFd), inFd = -1;
  if (inFd >= 0) ::fcntl(inFd, F_SETFL, O_NONBLOCK);
  int fds[2] = {out[0], err[0]};
  std::string* into[2] = {&result.out, &result.err};
  bool exited = false;
  int status = 0;
  int stopStage = 0;  // 1 after SIGTERM, 2 after SIGKILL
  Clock::time_point stoppedAt;
  Clock::time_point exitedAt;
  while (true) {
    if (!exited && ::waitpid(pid, &status, WNOHANG) == pid) exited = true, exitedAt = Clock::now();
    bool open = fds[0] >= 0 || fds[1] >= 0;
    // A grandchild may keep the output open after the child is gone: it gets a second at most.
    if (exited && (!open || SecondsSince(exitedAt) > 1.0)) break;
    if (!exited && stopStage == 0) {
      bool late = options.timeout > 0 && SecondsSince(start) >= options.timeout;
      int asked = options.stopWithUs ? StopSignal() : 0;
      if (late || asked) {
        result.timedOut = late && !asked;
        result.stoppedBy = asked;
        ::kill(-pid, SIGTERM);
        stopStage = 1;
        stoppedAt = Clock::now();
      }
    }
    if (stopStage == 1 && SecondsSince(stoppedAt) >= options.grace) {
      ::kill(-pid, SIGKILL);
      stopStage = 2;
    }
    pollfd polls[3];
    int count = 0;
    for (int fd : fds)
      if (fd >= 0) polls[count++] = {fd, POLLIN, 0};
    if (inFd >= 0) polls[count++] = {inFd, POLLOUT, 0};
    if (count == 0) {
      ::usleep(20000);
      continue;
    }
    if (::poll(polls, static_cast<nfds_t>(count), 50) <= 0) continue;
    for (int i = 0; i < count; ++i) {
      if (!polls[i].revents) continue;
      if (polls[i].fd == inFd) {
        ssize_t n = ::write(inFd, options.input.data() + written, options.input.size() - written);
        if (n > 0) written += static_cast<size_t>(n);
        if (n < 0 && errno != EAGAIN) written = options.input.size();
        if (written >= options.input.size()) ::close(inFd), inFd = -1;
        continue;
      }
      int which = polls[i].fd == fds[0] ? 0 : 1;
      char buffer[65536];
      ssize_t n = ::read(fds[which], buffer, sizeof buffer);
      if (n > 0)
        Keep(*into[which], buffer, static_cast<size_t>(n), options.keep);
      else if (n == 0 || errno != EINTR)
        ::close(fds[which]), fds[which] = -1;
    }
  }
  for (int fd : {fds[0], fds[1], inFd})
    if (fd >= 0) ::close(fd);
  // Whatever the child left behind in its group goes with it.
  if (stopStage > 0) ::kill(-pid, SIGKILL);
  result.seconds = SecondsSince(start);
  for (std::string* text : into)
    if (text->size() > options.keep) text->erase(0, text->size() - options.keep);
  if (execFailed) {
    result.startError = std::string(argv[0]) + ": " + std::strerror(childError);
    return result;
  }
  result.started = true;
  result.pid = pid;
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

std::string LastLine(const std::string& output) {
  size_t end = output.find_last_not_of(" \t\r\n");
  if (end == std::string::npos) return {};
  size_t start = output.find_last_of("\r\n", end);
  return output.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

}  // namespace nightly
