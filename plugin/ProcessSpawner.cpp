#include "plugin/ProcessSpawner.h"

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cstring>

#include "framework/SessionBus.h"

namespace {

// The program has ended and GLib has collected its exit status: nothing more to do.
void Reaped(GPid, gint, gpointer) {}

// The spawn attributes and file actions, freed however the start ends.
class SpawnSettings {
 public:
  SpawnSettings() {
    posix_spawnattr_init(&fAttributes);
    posix_spawn_file_actions_init(&fActions);
  }
  ~SpawnSettings() {
    posix_spawn_file_actions_destroy(&fActions);
    posix_spawnattr_destroy(&fAttributes);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;

  // As GLib's spawning did: a session of its own, standard input from /dev/null, none of our
  // other descriptors, and SIGPIPE back to its default (GIO's sockets ignore it in this process).
  int Prepare() {
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    int result = posix_spawnattr_setflags(&fAttributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF);
    if (result == 0) result = posix_spawnattr_setsigdefault(&fAttributes, &defaults);
    if (result == 0) result = posix_spawn_file_actions_addopen(&fActions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    if (result == 0) result = posix_spawn_file_actions_addclosefrom_np(&fActions, STDERR_FILENO + 1);
#endif
    return result;
  }

  posix_spawnattr_t* Attributes() { return &fAttributes; }
  posix_spawn_file_actions_t* Actions() { return &fActions; }

 private:
  posix_spawnattr_t fAttributes;
  posix_spawn_file_actions_t fActions;
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

  SpawnSettings settings;
  int result = settings.Prepare();
  // The user's own environment, even when this process keeps off a silent session bus.
  SessionBus::LaunchEnvironment environment;
  pid_t child = -1;
  // glibc's posix_spawn shares our memory with the new process until it has called exec (no copy
  // of this process is made), and reports a failed exec (ENOENT, EACCES, ENOEXEC…) as its result.
  if (result == 0) {
    result = posix_spawn(&child, arguments[0], settings.Actions(), settings.Attributes(), arguments.data(),
                         environment.Get());
  }
  if (result != 0) {
    error = "Failed to execute child process \xe2\x80\x9c" + argv[0] + "\xe2\x80\x9d (" + std::strerror(result) + ")";
    return false;
  }
  // The program is our child until it ends; the main loop (Qt's runs GLib's default context)
  // then collects it. Should we quit first, it passes to init, which collects it instead.
  g_child_watch_add(child, &Reaped, nullptr);
  return true;
}

void ProcessSpawner::ChildSetup(void*) { setsid(); }
