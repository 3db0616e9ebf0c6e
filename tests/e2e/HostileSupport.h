#pragma once
// What the hostile-input and load tests need beyond ProgramRun: a child process with a working
// folder of its own, optionally run as an unprivileged user, whose peak memory is watched; a
// virtual X display on which the program's message boxes are answered from the keyboard, as a
// user would; and a recording application that keeps its argument's exact bytes together with a
// tag naming the process that launched it.
//
// Every wait is bounded, and every process started here is ended by its own process id.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "../core/TestDocuments.h"
#include "ProgramRun.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

namespace HostileSupport {

using Clock = std::chrono::steady_clock;

// The user that the tests for unreadable files run as when the tests themselves run as root, who
// may read anything.
constexpr uid_t kUnprivilegedId = 65534;

// Sanitizer builds run the program several times larger (and slower, which TestTime allows for);
// bounds on memory are scaled by this.
constexpr int kSlowdown = TestTime::kBuildSlowdown;

inline int64_t Milliseconds(Clock::duration d) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

inline void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The bounds below are stated for an idle machine and scaled to this one's load and build.
using TestTime::Scaled;

struct ChildLaunch {
  std::vector<std::string> argv;  // argv[0] is the executable's path
  std::map<std::string, std::string> environment;
  std::string outputPath;     // standard output and error are appended here
  std::string workingFolder;  // empty: the test's own
  bool unprivileged = false;  // run as kUnprivilegedId
  int passFd = -1;            // given to the child as descriptor 3
  rlim_t fileLimit = 0;       // a soft limit on open files for the child; 0: ours
};

// A child process. The only calls between fork and exec are system calls, so forking from the
// test program, which has threads of Qt's, is safe.
class Child {
 public:
  explicit Child(const ChildLaunch& launch) : fOutputPath(launch.outputPath) {
    std::vector<std::string> args = launch.argv;
    std::vector<std::string> env;
    for (const auto& [name, value] : launch.environment) env.push_back(name + "=" + value);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const char* folder = launch.workingFolder.empty() ? nullptr : launch.workingFolder.c_str();

    // Every descriptor the child keeps is first moved above the ones it is given, so that no dup2
    // below overwrites another's source.
    const int in = Above(open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int out = Above(open(launch.outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    const int pass = launch.passFd >= 0 ? Above(fcntl(launch.passFd, F_DUPFD_CLOEXEC, 0)) : -1;
    int status[2] = {-1, -1};
    if (pipe2(status, O_CLOEXEC) == 0) status[1] = Above(status[1]);
    if (in < 0 || out < 0 || status[0] < 0 || status[1] < 0 || (launch.passFd >= 0 && pass < 0)) {
      for (int fd : {in, out, pass, status[0], status[1]}) {
        if (fd >= 0) close(fd);
      }
      return;
    }
    // The exec's outcome comes back through a pipe that the exec closes: the child has become the
    // program by the time the constructor returns, so nothing measured belongs to the fork's copy
    // of the test program.
    const int statusFd = pass >= 0 ? 4 : 3;
    rlimit fileLimits{};
    getrlimit(RLIMIT_NOFILE, &fileLimits);
    fStarted = Clock::now();
    fPid = fork();
    if (fPid == 0) {
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      signal(SIGPIPE, SIG_DFL);
      dup2(in, 0);
      dup2(out, 1);
      dup2(out, 2);
      if (pass >= 0) dup2(pass, 3);
      dup2(status[1], statusFd);
      fcntl(statusFd, F_SETFD, FD_CLOEXEC);
      if (syscall(SYS_close_range, statusFd + 1, ~0U, 0) != 0) {
        for (int fd = statusFd + 1; fd < 1024; ++fd) close(fd);
      }
      int failure = 0;
      if (folder != nullptr && chdir(folder) != 0) failure = 126;
      const rlimit files{launch.fileLimit, fileLimits.rlim_max};
      if (launch.fileLimit != 0 && setrlimit(RLIMIT_NOFILE, &files) != 0) failure = 124;
      if (failure == 0 && launch.unprivileged &&
          (setgroups(0, nullptr) != 0 || setresgid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0 ||
           setresuid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0)) {
        failure = 125;
      }
      // Should the test program die, its children go with it (set after the switch of user, which
      // clears it).
      if (failure == 0) prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (failure == 0) {
        execve(argv[0], argv.data(), envp.data());
        failure = 127;
      }
      [[maybe_unused]] const ssize_t ignored = write(statusFd, &failure, sizeof failure);
      _exit(failure);
    }
    for (int fd : {in, out, pass, status[1]}) {
      if (fd >= 0) close(fd);
    }
    if (fPid > 0) {
      int failure = 0;
      ssize_t got;
      do {
        got = read(status[0], &failure, sizeof failure);
      } while (got < 0 && errno == EINTR);
      fExecFailed = got == sizeof failure;
    }
    close(status[0]);
  }

  ~Child() {
    if (Running()) Kill();
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return fPid > 0 && !fExecFailed; }
  pid_t Pid() const { return fPid; }

  bool Running() {
    if (fPid <= 0 || fExitCode) return false;
    SamplePeak();
    int status = 0;
    const pid_t done = waitpid(fPid, &status, WNOHANG);
    if (done == fPid) {
      Ended(status);
      return false;
    }
    return done == 0;
  }

  // The exit code, or none when the process had not ended within the time (scaled); it is then
  // killed.
  std::optional<int> WaitForExit(int timeoutMs) {
    if (!TestTime::WaitUntil([this] { return !Running(); }, timeoutMs, 2)) {
      Kill();
      return std::nullopt;
    }
    return fKilled ? std::nullopt : fExitCode;
  }

  void Kill() {
    if (fPid <= 0 || fExitCode) return;
    kill(fPid, SIGKILL);
    int status = 0;
    if (waitpid(fPid, &status, 0) == fPid) Ended(status);
    fKilled = true;
  }

  // Asks the process to end (SIGTERM), so that it can clean up after itself; killed when it has
  // not ended within the time (scaled).
  void Terminate(int timeoutMs) {
    if (!Running()) return;
    kill(fPid, SIGTERM);
    TestTime::WaitUntil([this] { return !Running(); }, timeoutMs, 2);
    Kill();
  }

  bool Killed() const { return fKilled; }
  // The largest resident set the process was seen to reach, in KiB. It is sampled whenever the
  // process is asked whether it runs, from the kernel's high-water mark, which keeps the peak
  // between samples. (wait4's maximum would not do: it counts the size of the test program, of
  // which the child was a copy until its exec.)
  long PeakResidentKiB() const { return fPeakKiB; }
  Clock::duration Elapsed() const { return fExitedAt - fStarted; }
  Clock::time_point ExitedAt() const { return fExitedAt; }

  std::string Output() const { return ReadFileBytes(fOutputPath); }
  // The log entries (lines beginning with "Error:" or "Warning:") of the output.
  std::vector<std::string> LogLines() const { return LogEntriesOf(Output()); }

 private:
  static int Above(int fd) {
    if (fd < 0) return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    close(fd);
    return moved;
  }

  void SamplePeak() {
    const std::string status = ReadFileBytes("/proc/" + std::to_string(fPid) + "/status");
    const size_t at = status.find("VmHWM:");
    if (at == std::string::npos) return;
    fPeakKiB = std::max(fPeakKiB, std::strtol(status.c_str() + at + 6, nullptr, 10));
  }

  void Ended(int status) {
    fExitedAt = Clock::now();
    fExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  std::string fOutputPath;
  pid_t fPid = -1;
  Clock::time_point fStarted;
  Clock::time_point fExitedAt;
  std::optional<int> fExitCode;
  bool fKilled = false;
  bool fExecFailed = false;
  long fPeakKiB = 0;
};

struct CommandResult {
  std::optional<int> exitCode;
  std::string output;
};

// Runs a command to its end (killed after the time) and returns its exit code and output.
inline CommandResult RunCommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                                const std::string& outputPath, int timeoutMs = 10000) {
  unlink(outputPath.c_str());
  Child child(ChildLaunch{argv, env, outputPath, "", false, -1});
  CommandResult result;
  result.exitCode = child.WaitForExit(timeoutMs);
  result.output = child.Output();
  return result;
}

// Gives a folder tree to the unprivileged user, so that a program run as that user can use it
// as its home and reach the documents in it.
inline void GiveToUnprivilegedUser(const std::string& root) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  lchown(root.c_str(), kUnprivilegedId, kUnprivilegedId);
  for (auto it = fs::recursive_directory_iterator(root, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored)) {
    lchown(it->path().c_str(), kUnprivilegedId, kUnprivilegedId);
  }
}

// Gives the tree at root to the unprivileged user and tells whether that user can run the program
// on it: the program and the tree must lie in folders that everyone may enter.
inline bool PrepareUnprivilegedRun(const std::string& root, const std::string& executable) {
  if (geteuid() != 0) return true;  // a test run as a normal user is unprivileged already
  GiveToUnprivilegedUser(root);
  Child probe(ChildLaunch{{"/usr/bin/test", "-x", executable, "-a", "-x", root}, {}, root + "/probe.txt", "", true, -1});
  return probe.WaitForExit(10000) == 0;
}

// ---- Names ----

// Document names with a line break, a leading "-", quotes, command substitutions and bytes that
// are not UTF-8: each must reach the application exactly as it is, and none may run as code.
inline const std::vector<std::string> kHostileNames = {
    "line\nbreak.indd",
    "carriage\rreturn.indd",
    "-leading dash.indd",
    "quotes 'single' \"double\".indd",
    "$(touch pwned-dollar).indd",
    "`touch pwned-backtick`.indd",
    "invalid \xff\xfe\xc3\x28 utf-8.indd",
    "back\\slash\ttab *?~#&;|<>!%^,=[]{}.indd",
};

// Every file whose name begins with "pwned" below a folder: a name run by a shell would have made one.
inline std::vector<std::string> PwnedFiles(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ignored;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->path().filename().string().rfind("pwned", 0) == 0) found.push_back(it->path().string());
  }
  return found;
}

// ---- Recording application ----

// A launch as the recording application saw it: the tag of the environment it inherited (which
// names the program process that launched it) and its one argument, byte for byte. Its process id
// tells when it was launched (see LaunchOrder); it is not compared.
struct Record {
  std::string tag;
  std::string argument;
  pid_t pid = 0;
  bool operator<(const Record& other) const {
    return std::tie(tag, argument) < std::tie(other.tag, other.argument);
  }
  bool operator==(const Record& other) const { return tag == other.tag && argument == other.argument; }
  friend void PrintTo(const Record& record, std::ostream* out) {
    *out << "{" << ::testing::PrintToString(record.tag) << ", " << ::testing::PrintToString(record.argument) << "}";
  }
};

inline constexpr const char* kTagVariable = "TESSARINE_TEST_LAUNCHER";

// The recording application's script: one write per launch of tag (the environment variable
// named), argument and process id, each followed by a NUL byte, which no argument can hold;
// appends of one write do not interleave.
inline std::string RecorderScript(const std::string& recordFile, const std::string& tagVariable = kTagVariable) {
  return "#!/bin/sh\nprintf '%s\\0%s\\0%s\\0' \"${" + tagVariable + "-}\" \"$1\" \"$$\" >> '" + recordFile + "'\n";
}

// Writes the recording application at an exact path (any bytes but '/' and NUL in its name).
inline std::string WriteRecorder(const std::string& path, const std::string& recordFile) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
  if (fd >= 0) {
    const std::string script = RecorderScript(recordFile);
    if (write(fd, script.data(), script.size()) != static_cast<ssize_t>(script.size())) unlink(path.c_str());
    close(fd);
  }
  return path;
}

// The launches recorded so far; an incomplete last entry (a write in progress) is left out.
inline std::vector<Record> ReadRecords(const std::string& recordFile) {
  const std::string bytes = ReadFileBytes(recordFile);
  std::vector<std::string> fields;
  size_t from = 0;
  for (size_t nul = bytes.find('\0'); nul != std::string::npos; nul = bytes.find('\0', from)) {
    fields.push_back(bytes.substr(from, nul - from));
    from = nul + 1;
  }
  std::vector<Record> records;
  for (size_t i = 0; i + 2 < fields.size(); i += 3) {
    records.push_back({fields[i], fields[i + 1], static_cast<pid_t>(std::atol(fields[i + 2].c_str()))});
  }
  return records;
}

// The records in the order of their launches. Launched applications run side by side, so they
// append in any order; but a launch returns only once its application's process exists, so the
// process ids follow the launches. Ids wrap around at the system's limit: the order is the
// circle of ids cut at its widest gap, since one test's launches take only a small arc of it.
inline std::vector<Record> LaunchOrder(std::vector<Record> records) {
  std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) { return a.pid < b.pid; });
  if (records.size() < 2) return records;
  // The limit the system wraps at; the largest it can be when it cannot be read.
  long limit = std::atol(ReadFileBytes("/proc/sys/kernel/pid_max").c_str());
  if (limit <= 0) limit = 4194304;
  size_t first = 0;
  long widest = records.front().pid + (limit - records.back().pid);
  for (size_t i = 1; i < records.size(); ++i) {
    if (records[i].pid - records[i - 1].pid > widest) {
      widest = records[i].pid - records[i - 1].pid;
      first = i;
    }
  }
  std::rotate(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(first), records.end());
  return records;
}

// Waits until at least count launches are recorded (launched applications run on their own),
// then a little longer so that a launch too many would show. Returns them sorted.
inline std::vector<Record> WaitForRecords(const std::string& recordFile, size_t count, int timeoutMs = 10000) {
  TestTime::WaitUntil([&] { return ReadRecords(recordFile).size() >= count; }, timeoutMs, 10);
  TestTime::Pause(count == 0 ? 300 : 150);
  std::vector<Record> records = ReadRecords(recordFile);
  std::sort(records.begin(), records.end());
  return records;
}

// ---- Virtual display ----

// An X server of its own (Xvfb on a free display number) and xdotool to look at and answer the
// program's windows. Message boxes are modal and wait for a user; here the "user" presses Return.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    if (access("/usr/bin/Xvfb", X_OK) != 0 || access("/usr/bin/xdotool", X_OK) != 0) return;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    fServer = std::make_unique<Child>(ChildLaunch{
        {"/usr/bin/Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-noreset", "-screen", "0", "1024x768x24"},
        {{"PATH", "/usr/bin:/bin"}},
        fFolder.Path("xvfb.txt"),
        "",
        false,
        fds[1]});
    close(fds[1]);
    // Xvfb writes the display number it chose once it accepts connections.
    std::string number;
    bool closed = false;
    TestTime::WaitUntil(
        [&] {
          if (closed || number.find('\n') != std::string::npos) return true;
          pollfd entry{fds[0], POLLIN, 0};
          if (poll(&entry, 1, 100) <= 0) return false;
          char buffer[32];
          const ssize_t got = read(fds[0], buffer, sizeof buffer);
          if (got <= 0) closed = true;
          else number.append(buffer, static_cast<size_t>(got));
          return false;
        },
        15000, 0);
    close(fds[0]);
    if (number.empty() || number.find('\n') == std::string::npos) {
      fServer.reset();
      return;
    }
    fName = ":" + number.substr(0, number.find('\n'));
  }

  // Xvfb removes its socket and lock file when it is asked to end.
  ~VirtualDisplay() {
    if (fManager) fManager->Terminate(3000);
    if (fServer) fServer->Terminate(3000);
  }

  // Runs openbox on the display, as a desktop would; true once it manages windows (it has named
  // itself on the root window). False without openbox and xprop.
  bool StartWindowManager() {
    if (!Available() || access("/usr/bin/openbox", X_OK) != 0 || access("/usr/bin/xprop", X_OK) != 0) return false;
    fManager = std::make_unique<Child>(ChildLaunch{{"/usr/bin/openbox", "--sm-disable"},
                                                   {{"DISPLAY", fName}, {"PATH", "/usr/bin:/bin"},
                                                    {"HOME", fFolder.path()}, {"XDG_CONFIG_HOME", fFolder.Path("config")},
                                                    {"XDG_CACHE_HOME", fFolder.Path("cache")}},
                                                   fFolder.Path("openbox.txt"),
                                                   "",
                                                   false,
                                                   -1});
    return TestTime::WaitUntil(
        [this] {
          return !fManager->Running() ||
                 Properties("-root", {"_NET_SUPPORTING_WM_CHECK"}).find("window id") != std::string::npos;
        },
        10000, 20) &&
           fManager->Running();
  }

  // What xprop says of the named properties of a window (an id, or "-root" for the root window).
  std::string Properties(const std::string& window, std::vector<std::string> names) {
    std::vector<std::string> arguments{"/usr/bin/xprop"};
    if (window == "-root") arguments.push_back("-root");
    else arguments.insert(arguments.end(), {"-id", window});
    arguments.insert(arguments.end(), names.begin(), names.end());
    return RunCommand(arguments, {{"DISPLAY", fName}, {"PATH", "/usr/bin:/bin"}}, fFolder.Path("xprop.txt"), 10000)
        .output;
  }

  bool Available() const { return !fName.empty(); }
  const std::string& Name() const { return fName; }

  // The visible top-level windows of a process with the given title. (Qt names its windows in
  // _NET_WM_NAME only, which xdotool's search does not read, so the titles are asked one by one.)
  std::vector<std::string> Windows(pid_t pid, const std::string& title) {
    const CommandResult found = Xdotool({"search", "--onlyvisible", "--pid", std::to_string(pid)});
    std::vector<std::string> ids;
    if (found.exitCode != 0) return ids;
    size_t from = 0;
    while (from < found.output.size()) {
      size_t end = found.output.find('\n', from);
      if (end == std::string::npos) end = found.output.size();
      const std::string id = found.output.substr(from, end - from);
      from = end + 1;
      if (id.empty() || !std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
      const CommandResult name = Xdotool({"getwindowname", id});
      if (name.exitCode == 0 && name.output == title + "\n") ids.push_back(id);
    }
    return ids;
  }

  // Whether a window with the title came up before the program ended or the time (scaled) was up.
  // Any process with Pid() and Running() will do.
  template <class Process>
  bool WaitForWindow(Process& program, const std::string& title, int timeoutMs) {
    bool shown = false;
    TestTime::WaitUntil(
        [&] {
          if (!program.Running()) return true;
          shown = !Windows(program.Pid(), title).empty();
          return shown;
        },
        timeoutMs, 20);
    return shown;
  }

  // Answers every message box of the program with Return until the program ends, the time is up
  // or more boxes than maxBoxes came. Returns how many boxes were answered.
  int AnswerBoxesUntilExit(Child& program, int timeoutMs, int maxBoxes = 8) {
    int answered = 0;
    TestTime::WaitUntil(
        [&] {
          if (!program.Running() || answered > maxBoxes) return true;
          const std::vector<std::string> boxes = Windows(program.Pid(), kBoxTitle);
          if (boxes.empty()) return false;
          const std::string box = boxes.front();
          Xdotool({"windowfocus", "--sync", box, "key", "Return"});
          ++answered;
          // The same box is not answered twice: wait until it has gone.
          TestTime::WaitUntil(
              [&] {
                if (!program.Running()) return true;
                const std::vector<std::string> now = Windows(program.Pid(), kBoxTitle);
                return std::find(now.begin(), now.end(), box) == now.end();
              },
              5000, 20);
          return false;
        },
        timeoutMs, 20);
    return answered;
  }

  // Presses Return in a window, as a user answers it; gives the times just before and just after,
  // between which the program got the key.
  struct Answer {
    Clock::time_point before;
    Clock::time_point after;
  };
  Answer PressReturn(const std::string& window) {
    Answer answer;
    answer.before = Clock::now();
    Xdotool({"windowfocus", "--sync", window, "key", "Return"});
    answer.after = Clock::now();
    return answer;
  }

  // Message boxes carry the application's name as their title.
  static constexpr const char* kBoxTitle = "Tessarine";
  static constexpr const char* kConfigurationTitle = "Halvorn Tessarine Configuration";
  static constexpr const char* kChooserTitle = "Open With InDesign/InCopy Version";

  // Runs xdotool on the display.
  CommandResult Xdotool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/bin/xdotool");
    return RunCommand(arguments, {{"DISPLAY", fName}, {"PATH", "/usr/bin:/bin"}},
                      fFolder.Path("xdotool.txt"), 10000);
  }

 private:
  TempDir fFolder;
  std::unique_ptr<Child> fServer;
  std::unique_ptr<Child> fManager;
  std::string fName;
};

// The run whose last document waited for the user's answer ends with exit code 0 a quarter of a
// second after it: not before its quit timer, and not much later. The quarter second is the
// program's own and is not scaled; the margin for its ending (some 20 ms when idle) is.
inline void ExpectQuitAQuarterSecondAfter(Child& run, const VirtualDisplay::Answer& answer) {
  constexpr int kQuitMs = 250;
  constexpr int kEndingMs = 150;
  ASSERT_EQ(run.WaitForExit(10000), 0) << run.Output();
  EXPECT_GE(Milliseconds(run.ExitedAt() - answer.before), kQuitMs);
  EXPECT_LE(Milliseconds(run.ExitedAt() - answer.after), kQuitMs + Scaled(kEndingMs));
}

// A socket that takes connections in and never answers, as a stuck bus, program or display
// server does; or, given serve, one that runs it on each connection in a process of its own, which
// holds the connection afterwards. A path that begins with "@" names a socket in the abstract
// namespace (where X clients look first), without the "@". It runs in a process of its own that
// does nothing else (the program watches what its peer does); the children make system calls only.
class SilentListener {
 public:
  using Serve = std::function<void(int peer)>;

  explicit SilentListener(const std::string& path, const Serve& serve = nullptr) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socklen_t length = sizeof address;
    if (!path.empty() && path[0] == '@') {
      const size_t size = std::min(path.size() - 1, sizeof address.sun_path - 1);
      std::memcpy(address.sun_path + 1, path.data() + 1, size);
      length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
    } else {
      std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    }
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 || listen(fd, 64) != 0) {
      if (fd >= 0) close(fd);
      return;
    }
    fPid = fork();
    if (fPid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      for (;;) {
        const int peer = accept(fd, nullptr, nullptr);
        if (peer < 0) pause();
        if (peer < 0 || !serve) continue;
        if (fork() == 0) {
          prctl(PR_SET_PDEATHSIG, SIGKILL);
          serve(peer);
          for (;;) pause();
        }
        close(peer);
      }
    }
    close(fd);
  }
  ~SilentListener() {
    if (fPid <= 0) return;
    kill(fPid, SIGKILL);
    waitpid(fPid, nullptr, 0);
  }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  bool Listening() const { return fPid > 0; }

 private:
  pid_t fPid = -1;
};

// An X display that takes connections and never answers: a silent listener where X clients look
// for display :number, on a number no X server uses.
class SilentDisplay {
 public:
  SilentDisplay() {
    for (int number = 600 + getpid() % 300; number < 1000 && !fListener; ++number) {
      if (access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) == 0) continue;
      auto listener = std::make_unique<SilentListener>("@/tmp/.X11-unix/X" + std::to_string(number));
      if (!listener->Listening()) continue;
      fListener = std::move(listener);
      fName = ":" + std::to_string(number);
    }
  }
  bool Available() const { return fListener != nullptr; }
  const std::string& Name() const { return fName; }

 private:
  std::unique_ptr<SilentListener> fListener;
  std::string fName;
};

// ---- The program in a private home ----

enum Slot { IDCS, IDCS2, IDCS3, IDCS4, ICCS, ICCS2, ICCS3, ICCS4 };

inline const std::string kPreferencesName = "com.mirelund.quelbrast.prefs.v103";

struct RunOptions {
  std::string tag = "first";            // the recording application's tag for this process's launches
  VirtualDisplay* display = nullptr;    // none: headless (offscreen), where no box can be answered
  bool unprivileged = false;
  std::string workingFolder;            // empty: the documents folder
  std::string busAddress;               // empty: an address where no bus listens
  rlim_t fileLimit = 0;                 // a soft limit on open files; 0: the test's own
  // How long a message box may wait for an answer before it ends the run, naming the box (scaled);
  // 0: long enough for AnswerBoxesUntilExit on a display, and a few seconds headless, where none
  // is answered.
  int unansweredBoxMs = 0;
  // Set after the fixture's own variables; a variable given none is removed.
  std::map<std::string, std::optional<std::string>> environment;
};

// Everything of one test below one folder: home (with config, data and runtime), the recording
// applications, the documents, a temporary folder and the record of launches.
class ProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder :
         {"home", "home/config", "home/data", "home/runtime", "apps", "documents", "output", "tmp"}) {
      mkdir(Path(folder).c_str(), 0700);
    }
    for (size_t i = 0; i < 8; ++i) prefs.paths[i] = Path("apps/missing " + std::to_string(i));
  }

  std::string Path(const std::string& name) const { return root.Path(name); }
  std::string PreferencesPath() const { return Path("home/config/" + kPreferencesName); }

  std::map<std::string, std::string> Environment(const RunOptions& options) const {
    std::map<std::string, std::string> env = {
        {"HOME", Path("home")},
        {"XDG_CONFIG_HOME", Path("home/config")},
        {"XDG_DATA_HOME", Path("home/data")},
        {"XDG_RUNTIME_DIR", Path("home/runtime")},
        // Where a start without a usable runtime folder puts its socket: the test's own.
        {"TMPDIR", Path("tmp")},
        {"PATH", "/usr/local/bin:/usr/bin:/bin"},
        {"LANG", "C.UTF-8"},
        // No session bus: GIO must not start one (on X it would, and it would outlive the test).
        {"DBUS_SESSION_BUS_ADDRESS", options.busAddress.empty() ? "unix:path=" + Path("no-bus") : options.busAddress},
        {kTagVariable, options.tag},
        {kUnansweredBoxVariable,
         std::to_string(Scaled(options.unansweredBoxMs > 0 ? options.unansweredBoxMs
                                                           : options.display ? 10000 : 3000))},
    };
    if (options.display) {
      env["QT_QPA_PLATFORM"] = "xcb";
      env["DISPLAY"] = options.display->Name();
    } else {
      env["QT_QPA_PLATFORM"] = "offscreen";
    }
    for (const auto& [name, value] : options.environment) {
      if (value) {
        env[name] = *value;
      } else {
        env.erase(name);
      }
    }
    return env;
  }

  std::unique_ptr<Child> Start(const std::vector<std::string>& documents, const RunOptions& options = {},
                               const std::string& executable = TESSARINE_EXECUTABLE) {
    ChildLaunch launch;
    launch.argv = {executable};
    launch.argv.insert(launch.argv.end(), documents.begin(), documents.end());
    launch.environment = Environment(options);
    launch.outputPath = Path("output/" + options.tag + "-" + std::to_string(++fRuns) + ".txt");
    launch.workingFolder = options.workingFolder.empty() ? Path("documents") : options.workingFolder;
    launch.unprivileged = options.unprivileged;
    launch.fileLimit = options.fileLimit;
    auto child = std::make_unique<Child>(launch);
    EXPECT_TRUE(child->Started());
    return child;
  }

  // A recording application in a slot, at its default place or at the given path.
  std::string Configure(Slot slot, const std::string& path = "") {
    const std::string at = path.empty() ? Path("apps/recorder " + std::to_string(slot)) : path;
    prefs.paths[slot] = WriteRecorder(at, RecordFile());
    return at;
  }
  void WritePreferences() const { WritePreferencesText(prefs.Text()); }
  void WritePreferencesText(const std::string& text) const { root.Write("home/config/" + kPreferencesName, text); }
  std::string Document(const std::string& name, const std::string& content) const {
    return root.Write("documents/" + name, content);
  }
  std::string RecordFile() const { return Path("record.bin"); }

  // A copy of the built bundle without one of the files beside its executable (a library it loads
  // when needed); returns the copy's executable.
  std::string BundleWithout(const std::string& file) const {
    namespace fs = std::filesystem;
    const fs::path copy = fs::path(Path("bundle")) / "Tessarine.app";
    fs::create_directories(copy.parent_path());
    fs::copy(TESSARINE_BUNDLE_DIR, copy, fs::copy_options::recursive);
    fs::remove(copy / "Contents" / "MacOS" / file);
    return (copy / "Contents" / "MacOS" / "Tessarine").string();
  }

  // Makes the run unprivileged (when the tests run as root, who may read anything); false when
  // that cannot be done here.
  bool MakeUnprivileged(RunOptions& options) {
    if (!PrepareUnprivilegedRun(root.path(), TESSARINE_EXECUTABLE)) return false;
    options.unprivileged = geteuid() == 0;
    return true;
  }

  TempDir root;
  TestDocuments::PreferencesText prefs;  // fDontAddIcon set: no stamps

 private:
  int fRuns = 0;
};

}  // namespace HostileSupport
