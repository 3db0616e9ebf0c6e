#include "plugin/ProcessSpawner.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "framework/SessionBus.h"

namespace {

// Everything the program's process needs, made ready before it exists: once the processes that
// share our memory run, only system calls are made.
struct Start {
  const char* path;
  char* const* arguments;
  char* const* environment;
  sigset_t mask;            // the caller's signal mask, which the program gets
  char* programStack;       // the top of the stack the program's process starts on
  volatile int failure;     // the errno of the step that failed, 0 when the program runs
};

void CloseFrom(int lowest) {
  if (syscall(SYS_close_range, lowest, ~0U, 0) == 0) return;
  rlimit limit{};
  const int highest = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536 ? int(limit.rlim_cur) : 65536;
  for (int fd = lowest; fd < highest; ++fd) close(fd);
}

// The program's process, still sharing our memory (even its errno is the caller's, which waits):
// a session of its own, standard input from /dev/null, none of our other descriptors, SIGPIPE
// back to its default (GIO's sockets ignore it in this process). Our handlers are set back to the default before any signal is let through,
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

// The program's process: becomes the program, or records why it could not.
int Program(void* start) {
  Start& launch = *static_cast<Start*>(start);
  launch.failure = BecomeProgram(launch);
  return 127;
}

// The go-between: starts the program's process and ends as soon as that has become the program
// (or failed), which makes the program init's child.
int GoBetween(void* start) {
  Start& launch = *static_cast<Start*>(start);
  if (clone(&Program, launch.programStack, CLONE_VM | CLONE_VFORK | SIGCHLD, start) < 0) launch.failure = errno;
  return 0;
}

// Two stacks, each above a guard page, for the two processes; kept for every launch (one at a
// time: the caller waits until both are done with them).
class Stacks {
 public:
  static constexpr size_t kGuard = 4096;
  static constexpr size_t kSize = 128 * 1024;

  Stacks() {
    void* memory = mmap(nullptr, 2 * (kGuard + kSize), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK,
                        -1, 0);
    if (memory == MAP_FAILED) return;
    fBase = static_cast<char*>(memory);
    mprotect(fBase, kGuard, PROT_NONE);
    mprotect(fBase + kGuard + kSize, kGuard, PROT_NONE);
  }
  bool Ready() const { return fBase != nullptr; }
  char* FirstTop() const { return fBase + kGuard + kSize; }
  char* SecondTop() const { return fBase + 2 * (kGuard + kSize); }
  std::mutex& Lock() { return fLock; }

 private:
  char* fBase = nullptr;
  std::mutex fLock;
};

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

  // The user's own environment, even when this process keeps off a silent session bus.
  SessionBus::LaunchEnvironment environment;
  static Stacks stacks;
  std::lock_guard<std::mutex> holding(stacks.Lock());
  int result = stacks.Ready() ? 0 : ENOMEM;
  if (result == 0) {
    // Two processes in a row, each sharing our memory until it has done its part (as
    // posix_spawn's does), so nothing of this process is copied: the go-between only starts the
    // program and ends at once, and we collect it right here. The program is then init's child,
    // never ours: it leaves no zombie, needs no descriptor or watch of ours however long it
    // runs, and nothing waits on an event loop. Every signal stays blocked in both until the
    // program's own mask is set; a failed step comes back through the shared memory.
    Start start{arguments[0], arguments.data(), environment.Get(), {}, stacks.SecondTop(), 0};
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &start.mask);
    // The go-between also shares our descriptors, folders and handlers, which it never changes,
    // so that making it copies none of them; the program gets copies of its own.
    const pid_t goBetween = clone(&GoBetween, stacks.FirstTop(),
                                  CLONE_VM | CLONE_VFORK | CLONE_FILES | CLONE_FS | CLONE_SIGHAND | SIGCHLD, &start);
    result = goBetween < 0 ? errno : 0;
    pthread_sigmask(SIG_SETMASK, &start.mask, nullptr);
    if (goBetween > 0) {
      while (waitpid(goBetween, nullptr, 0) < 0 && errno == EINTR) {
      }
      result = start.failure;
    }
  }
  if (result != 0) {
    error = "Failed to execute child process \xe2\x80\x9c" + argv[0] + "\xe2\x80\x9d (" + std::strerror(result) + ")";
    return false;
  }
  return true;
}

