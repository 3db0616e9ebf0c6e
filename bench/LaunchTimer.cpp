// launch_timer: one timed start of a program that is to launch the recording application.
//
//   launch_timer LOG EXPECTED OUTPUT LIMIT -- PROGRAM [ARGUMENT...]
//
// Empties LOG, takes the start time (CLOCK_REALTIME, the recorder's clock) just before spawning
// PROGRAM, waits until the recorder has written EXPECTED lines to LOG, then reaps PROGRAM. Prints one
// line: "<ns to the last launch request> <peak RSS KiB> <ns to the program's exit> <exit status>".
// The end time is the recorder's own stamp of the last document, so how fast this program notices
// the lines does not enter the figure. PROGRAM's standard output and error go to OUTPUT.
//
// Exits 0 on success, 3 when PROGRAM had not both launched everything and ended LIMIT seconds after
// its start (it is then killed, after its threads' stacks were added to OUTPUT where gdb is
// installed), 1 on any other failure.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace {

long long RealtimeNs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

long long MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000LL + now.tv_nsec / 1000000;
}

std::string ReadAll(const char* path) {
  std::string content;
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return content;
  char chunk[65536];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    content.append(chunk, static_cast<size_t>(got));
  }
  close(fd);
  return content;
}

int Fail(const char* what) {
  std::fprintf(stderr, "launch_timer: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7 || std::strcmp(argv[5], "--") != 0) {
    std::fprintf(stderr, "usage: launch_timer LOG EXPECTED OUTPUT LIMIT -- PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  const char* logPath = argv[1];
  const long expected = std::strtol(argv[2], nullptr, 10);
  const std::string outputPath = argv[3];
  const long long limitMs = std::strtoll(argv[4], nullptr, 10) * 1000;
  char** command = argv + 6;

  const int logFd = open(logPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (logFd < 0) return Fail("cannot create the log");
  close(logFd);
  // Watching the log lets this program sleep instead of spinning beside the programs it measures.
  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (watch < 0 || inotify_add_watch(watch, logPath, IN_MODIFY) < 0) return Fail("cannot watch the log");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);

  // The start time also goes to the program, for startup_phases to measure from; the slot for it
  // is made ready before the clock is read.
  std::vector<char*> envp;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (std::strncmp(*variable, "TESSARINE_BENCH_START_NS=", 25) != 0) envp.push_back(*variable);
  }
  char startVariable[64];
  envp.push_back(startVariable);
  envp.push_back(nullptr);

  pid_t pid = -1;
  const long long started = RealtimeNs();
  std::snprintf(startVariable, sizeof startVariable, "TESSARINE_BENCH_START_NS=%lld", started);
  const int spawned = posix_spawn(&pid, command[0], &actions, nullptr, command, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return Fail("cannot start the program");

  // Counts the lines as they come; gives up 5 s after the program has ended without them all, or
  // at the limit.
  const int logRead = open(logPath, O_RDONLY | O_CLOEXEC);
  long lines = 0;
  bool exited = false;
  int status = 0;
  rusage usage{};
  long long exitedAt = 0;
  long long exitedMs = 0;
  const long long deadline = MonotonicMs() + limitMs;
  while (lines < expected) {
    char chunk[65536];
    ssize_t got;
    while ((got = read(logRead, chunk, sizeof chunk)) > 0) {
      for (ssize_t i = 0; i < got; ++i) lines += chunk[i] == '\n';
    }
    if (lines >= expected) break;
    if (!exited && wait4(pid, &status, WNOHANG, &usage) == pid) {
      exited = true;
      exitedAt = RealtimeNs();
      exitedMs = MonotonicMs();
    }
    const long long now = MonotonicMs();
    if (now > deadline || (exited && now > exitedMs + 5000)) break;
    pollfd entry{watch, POLLIN, 0};
    if (poll(&entry, 1, 20) > 0) {
      char events[4096];
      while (read(watch, events, sizeof events) > 0) {
      }
    }
  }
  close(logRead);
  close(watch);

  if (!exited) {
    // The program may go on by design (a quit delay); it must still end by itself.
    while (wait4(pid, &status, WNOHANG, &usage) != pid) {
      if (MonotonicMs() > deadline) {
        // Where it hangs is worth more than that it hangs.
        if (access("/usr/bin/gdb", X_OK) == 0) {
          const std::string stacks = "/usr/bin/gdb -batch -p " + std::to_string(pid) +
                                     " -ex 'thread apply all bt' >>'" + outputPath + "' 2>&1";
          if (std::system(stacks.c_str()) != 0) std::fprintf(stderr, "launch_timer: no stacks\n");
        }
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        std::fprintf(stderr, "launch_timer: %s hung: %ld of %ld launches, no exit after %s s\n", command[0],
                     lines, expected, argv[4]);
        return 3;
      }
      usleep(1000);
    }
    exitedAt = RealtimeNs();
  }

  // Every line names one document, each document once.
  const std::string log = ReadAll(logPath);
  long long last = 0;
  long count = 0;
  std::set<std::string> documents;
  size_t at = 0;
  while (at < log.size()) {
    const size_t end = log.find('\n', at);
    if (end == std::string::npos) break;
    const std::string line = log.substr(at, end - at);
    at = end + 1;
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    const long long stamp = std::atoll(line.c_str());
    if (stamp > last) last = stamp;
    documents.insert(line.substr(blank + 1));
    ++count;
  }
  if (count != expected || static_cast<long>(documents.size()) != expected) {
    std::fprintf(stderr, "launch_timer: %ld launch records (%zu documents), expected %ld; see %s\n", count,
                 documents.size(), expected, outputPath.c_str());
    return 1;
  }
  const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("%lld %ld %lld %d\n", last - started, usage.ru_maxrss, exitedAt - started, exitStatus);
  return 0;
}
