#pragma once
// ProgramRun: the built program started as a user would, in a clean environment, with its output
// in files. Every wait is bounded; a program still running when the object goes is killed by its
// process id.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"
#include "support/TestTime.h"


// Tells the program after how many milliseconds an unanswered message box or open dialog ends its
// run, with an error line that names it: a test that meets an unexpected box fails in seconds.
inline constexpr const char* kUnansweredBoxVariable = "TESSARINE_TEST_UNANSWERED_BOX_MS";

// The log entries (lines beginning with "Error:" or "Warning:") of a program's output.
inline std::vector<std::string> LogEntriesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(from, end - from);
    if (line.rfind("Error:", 0) == 0 || line.rfind("Warning:", 0) == 0) lines.push_back(line);
    from = end + 1;
  }
  return lines;
}

class ProgramRun {
 public:
  using Clock = std::chrono::steady_clock;

  ProgramRun(const std::string& executable, const std::vector<std::string>& documents,
             const std::map<std::string, std::string>& environment, const std::string& outputPath)
      : fOutputPath(outputPath) {
    std::vector<std::string> args{executable};
    args.insert(args.end(), documents.begin(), documents.end());
    std::vector<std::string> env;
    for (const auto& [name, value] : environment) env.push_back(name + "=" + value);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    fStarted = Clock::now();
    if (posix_spawn(&fPid, executable.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) fPid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }

  ~ProgramRun() {
    if (Running()) Kill();
  }

  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  bool Started() const { return fPid > 0; }
  pid_t Pid() const { return fPid; }

  bool Running() {
    if (fPid <= 0 || fExitCode) return false;
    int status = 0;
    const pid_t done = waitpid(fPid, &status, WNOHANG);
    if (done == fPid) {
      fExitedAt = Clock::now();
      fExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return false;
    }
    return done == 0;
  }

  // The exit code, or none when the program had not ended within the time (scaled to the
  // machine's load); it is then killed.
  std::optional<int> WaitForExit(int timeoutMs) {
    if (!TestTime::WaitUntil([this] { return !Running(); }, timeoutMs, 2)) {
      Kill();
      return std::nullopt;
    }
    return fExitCode;
  }

  std::string Output() const { return ReadFileBytes(fOutputPath); }
  // The log entries (lines beginning with "Error:" or "Warning:") of the output.
  std::vector<std::string> LogLines() const { return LogEntriesOf(Output()); }

  Clock::time_point StartedAt() const { return fStarted; }
  Clock::time_point ExitedAt() const { return fExitedAt; }

 private:
  void Kill() {
    kill(fPid, SIGKILL);
    int status = 0;
    waitpid(fPid, &status, 0);
    fExitCode = -1;
  }

  std::string fOutputPath;
  pid_t fPid = -1;
  Clock::time_point fStarted;
  Clock::time_point fExitedAt;
  std::optional<int> fExitCode;
};
