// startup_phases: the program's own start, step by step, with the time each step ends at.
//
//   launch_timer LOG 1 OUTPUT -- .../StartupPhases.app/Contents/MacOS/startup_phases DOCUMENT
//
// Runs what the program's main runs before the first document's launch request, in the same order
// and with the same code (the hand-over probe, the hand-over socket, the program's start-up step
// by step, Open, the document), and writes one line per step to standard output: the step, the
// milliseconds since launch_timer spawned it (TESSARINE_BENCH_START_NS) and the milliseconds of the
// step itself, tab-separated. It stops after the launch request instead of running the event loop:
// the quit delay that follows is not part of the question. It lives in a bundle of its own, beside
// the program's Resources, so that the logo is found and loaded as in the program.
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/App.h"
#include "core/FileTypes1.h"
#include "framework/Application.h"
#include "framework/DocumentHandover.h"
#include "framework/FolderItem.h"
#include "framework/Runtime.h"
#include "plugin/ProcessSpawner.h"
#include "windows/MenuBar1.h"
#include "windows/WndLauncher.h"

extern char** environ;

namespace {

long long gStart = 0;
long long gLast = 0;

long long RealtimeNs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// One line per step: "<step>\t<ms since the spawn>\t<ms of this step>".
void Mark(const char* step) {
  const long long now = RealtimeNs();
  std::printf("%s\t%.3f\t%.3f\n", step, (now - gStart) / 1e6, (now - gLast) / 1e6);
  gLast = now;
}

}  // namespace

int main(int argc, char** argv) {
  const char* start = std::getenv("TESSARINE_BENCH_START_NS");
  gStart = start != nullptr ? std::atoll(start) : RealtimeNs();
  gLast = gStart;
  Mark("main entered (exec, loading, static init)");

  std::vector<std::string> documents(argv + 1, argv + argc);
  if (DocumentHandover::SendToRunningInstance(documents)) return 1;
  Mark("no running instance found");

  auto handover = std::make_unique<DocumentHandover>([](const std::shared_ptr<HandedOverDocuments>&) {});
  handover->Listen();
  Mark("hand-over socket listening");

  // The program's start-up, TessarineStartup's steps one by one.
  FileTypes1::Initialize();
  auto program = std::make_unique<App>();
  program->SetMenuBar(MenuBar1::Instance());
  Application::Register(std::move(program));
  Mark("start-up: types, application, menu bar");
  WndLauncher::Instance();
  Mark("start-up: configuration window (hidden)");

  Application* app = Application::Current();
  app->Event_Open();
  Mark("Open (logo, timer, preferences)");

  for (const std::string& document : documents) app->Event_OpenDocument(std::make_shared<FolderItem>(document));
  Mark("documents handled (launch requested)");

  // What one detached start costs this process on its own, and what a bare posix_spawn (which
  // vforks, with the new session asked of it) costs, for comparison.
  std::string error;
  ProcessSpawner::SpawnDetached({"/bin/true"}, error);
  Mark("(compare) one more detached start, ProcessSpawner");
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t child = -1;
  char* trueArgv[] = {const_cast<char*>("/bin/true"), nullptr};
  if (posix_spawn(&child, "/bin/true", nullptr, &attributes, trueArgv, environ) == 0) {
    Mark("(compare) the same start with bare posix_spawn");
    waitpid(child, nullptr, 0);
  }
  posix_spawnattr_destroy(&attributes);

  handover.reset();
  std::fflush(stdout);
  _exit(0);
}
