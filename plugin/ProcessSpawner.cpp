#include "plugin/ProcessSpawner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

// Everything the program's process needs, made ready before it exists: from vfork to exec only
// system calls run, on memory that this process shares.
struct Start {
  const char* path;
  char* const* arguments;
  char* const* environment;
  sigset_t mask;  // the caller's signal mask, which the program gets
};

void CloseFrom(int lowest) {
  if (syscall(SYS_close_range, lowest, ~0U, 0) == 0) return;
  rlimit limit{};
  const int highest = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536 ? int(limit.rlim_cur) : 65536;
  for (int fd = lowest; fd < highest; ++fd) close(fd);
}

// The program's process, still sharing our memory: a session of its own, standard input from
// /dev/null, none of our other descriptors, SIGPIPE back to its default (GIO's sockets ignore it
// in this process). Our handlers are set back to the default before any signal is let through,
// so none of them runs on the shared memory; ignored signals stay ignored across the exec.
// Returns the errno of the step that failed; on success it does not return.
int BecomeProgram(const Start& start) {
  setsid();
  CloseFrom(STDERR_FILENO + 1);
  const int input = open("/dev/null", O_RDONLY);
  if (input < 0) return errno;
  if (input != STDIN_FILENO) {
    if (dup2(input, STDIN_FILENO) < 0) return errno;
    close(input);
  }
  for (int signal = 1; signal < NSIG; ++signal) {
    struct sigaction current {};
    if (signal == SIGKILL || signal == SIGSTOP || sigaction(signal, nullptr, &current) != 0) continue;
    if (current.sa_handler == SIG_DFL || (current.sa_handler == SIG_IGN && signal != SIGPIPE)) continue;
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigaction(signal, &standard, nullptr);
  }
  sigprocmask(SIG_SETMASK, &start.mask, nullptr);
  execve(start.path, start.arguments, start.environment);
  return errno;
}

}  // namespace

bool ProcessSpawner::SpawnDetached(const std::vector<std::string>& argv, std::string& error) {
  if (argv.empty()) {
    error = "no program to start";
    return false;
  }
  std::vector<char*> arguments;
  arguments.reserve(argv.size() + 1);
  for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  Start start{arguments[0], arguments.data(), environ, {}};

  // Two processes in a row, each made by vfork (which shares our memory, so nothing of this
  // process is copied): the first only starts the program and ends at once, and we collect it
  // right here. The program is then init's child, never ours: it leaves no zombie and needs no
  // descriptor or watch of ours however long it runs, and nothing depends on an event loop.
  // Every signal stays blocked in both until the program's own mask is set; the failure of a
  // step comes back through the shared memory, as the errno to report.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &start.mask);
  volatile int failure = 0;
  const pid_t middle = vfork();
  if (middle == 0) {
    const pid_t program = vfork();
    if (program == 0) {
      failure = BecomeProgram(start);
      _exit(127);
    }
    if (program < 0) failure = errno;
    _exit(0);
  }
  const int vforkError = errno;
  pthread_sigmask(SIG_SETMASK, &start.mask, nullptr);
  int result = middle < 0 ? vforkError : failure;
  if (middle > 0) {
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (result != 0) {
    error = "Failed to execute child process \xe2\x80\x9c" + argv[0] + "\xe2\x80\x9d (" + std::strerror(result) + ")";
    return false;
  }
  return true;
}

void ProcessSpawner::ChildSetup(void*) { setsid(); }
