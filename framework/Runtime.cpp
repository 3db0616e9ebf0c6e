// The run: Open once, then the documents, batch by batch.
//
// The event loop is the main thread's GLib context. Timers, the hand-over socket and posted calls
// are its sources; once the window toolkit is ready, its events are sources of the same context,
// so the toolkit's own loops (message boxes, dialogs) run the framework's sources too, and the
// framework's loops run the toolkit's.
//
// Open and the command line's documents are delivered from the event loop's first turn, in one
// handler. A hand-over batch that arrives before that (the socket listens before start-up) waits
// and follows the command line's documents. Later batches are delivered where they arrive, nested
// loops included. The command line's documents are delivered whole, even when one of them quits
// the run: they were given to this process, and no other will handle them. A handed-over document
// is taken (and its sender told so) only as it is delivered, and none once the run quits: the
// sender then handles the rest itself.
//
// Quit ends every running loop: the framework's loops see the quitting state, the toolkit's are
// told to exit. Loops started while the run is quitting return at once; the state ends with the run.
//
// An exception that escapes the program's code is caught where the framework called that code
// (start-up, Open, documents, posted calls, timers, controls, and the toolkit's event delivery)
// and handed to UnhandledException, which ends the run.
#include "framework/Runtime.h"

#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "framework/Application.h"
#include "framework/DocumentHandover.h"
#include "framework/FolderItem.h"
#include "framework/UnhandledException.h"
#include "framework/WindowSystem.h"

namespace {

using Batch = std::vector<std::string>;
using HandedOver = std::shared_ptr<HandedOverDocuments>;

struct RunState {
  bool quitting = false;
  bool failed = false;              // an exception escaped the program: deliver nothing more
  int exitCode = 0;
  bool inRun = false;
  bool opened = false;       // Open delivered in this run
  int loopDepth = 0;         // the framework's loops now running, the run's main loop included
  uint64_t generation = 0;   // documents posted in one run are not delivered in the next
  std::deque<HandedOver> waiting;  // batches that came before Open
  std::unique_ptr<DocumentHandover> handover;
  std::string programName = "Tessarine";
};

RunState& State() {
  static RunState state;
  return state;
}

void SetProgramName(const char* name) {
  if (name != nullptr && *name != '\0') State().programName = name;
}

// One turn of the event loop; waits for an event when wait is set.
bool Iterate(bool wait) { return g_main_context_iteration(nullptr, wait ? TRUE : FALSE); }

// Runs the event loop until done or the run quits.
void RunLoopUntil(const std::function<bool()>& done) {
  RunState& state = State();
  ++state.loopDepth;
  while (!state.quitting && !done()) Iterate(true);
  --state.loopDepth;
}

void DeliverDocuments(const Batch& documents) {
  for (const std::string& path : documents) {
    Application* app = Application::Current();
    if (State().failed) return;
    if (app != nullptr) {
      UnhandledException::Guard([&] { app->Event_OpenDocument(std::make_shared<FolderItem>(path)); });
    }
  }
}

// A failure or a quit stops the taking: the rest stays with the sender.
void DeliverHandedOver(const HandedOver& documents) {
  for (;;) {
    const std::optional<std::string> path = documents->Take();
    if (!path) return;
    if (Application* app = Application::Current()) {
      UnhandledException::Guard([&] { app->Event_OpenDocument(std::make_shared<FolderItem>(*path)); });
    }
  }
}

// Where every batch after the command line's goes.
void DeliverBatch(HandedOver documents) {
  RunState& state = State();
  if (!state.opened) {
    state.waiting.push_back(std::move(documents));
    return;
  }
  DeliverHandedOver(documents);
}

// A document posted within the process, taken as the hand-over takes one: not once the run quits.
class PostedDocument : public HandedOverDocuments {
 public:
  explicit PostedDocument(std::string path) : fPath(std::move(path)) {}
  std::optional<std::string> Take() override {
    if (fTaken || State().quitting) return std::nullopt;
    fTaken = true;
    return fPath;
  }

 private:
  std::string fPath;
  bool fTaken = false;
};

void DeliverOpen(const Batch& documents) {
  RunState& state = State();
  state.opened = true;
  if (Application* app = Application::Current()) UnhandledException::Guard([app] { app->Event_Open(); });
  DeliverDocuments(documents);
  while (!state.waiting.empty()) {
    HandedOver next = std::move(state.waiting.front());
    state.waiting.pop_front();
    DeliverHandedOver(next);
  }
}

// The quitting state belongs to the run (or, outside a run, to the stretch of events) that saw
// the quit: only at the outermost level, since inside a loop the quit still has loops to end.
void EndQuitting() {
  RunState& state = State();
  if (state.loopDepth > 0) return;
  WindowSystem* windows = WindowSystem::Loaded();
  if (windows != nullptr && windows->InLoop()) return;
  state.quitting = false;
  state.failed = false;
  if (windows != nullptr) windows->ClearExit();
}

int RunLoop(const std::function<void()>& startup, const Batch& documents) {
  RunState& state = State();
  EndQuitting();
  state.inRun = true;
  state.quitting = false;
  state.failed = false;
  state.exitCode = 0;
  state.opened = false;
  state.waiting.clear();
  if (startup) UnhandledException::Guard(startup);
  if (!state.quitting) {
    const uint64_t generation = state.generation;
    Runtime::Post([documents, generation] {
      if (State().generation == generation) DeliverOpen(documents);
    });
    RunLoopUntil([] { return false; });
  }
  const int exitCode = state.exitCode;
  ++state.generation;
  state.inRun = false;
  state.opened = false;
  state.waiting.clear();
  EndQuitting();  // also a quit from a loop run during start-up, when the main loop never ran
  return exitCode;
}

std::string CurrentFolder() {
  std::string buffer(4096, '\0');
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.c_str();
}

Batch DocumentsFromArguments(int argc, char** argv) {
  Batch documents;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    std::string path = argv[i];
    if (path.empty() || path[0] != '/') {
      if (folder.empty()) folder = CurrentFolder();
      path = (folder == "/" ? folder : folder + "/") + path;
    }
    documents.push_back(std::move(path));
  }
  return documents;
}

// Hands documents to a running instance and keeps those it did not take.
DocumentHandover::Outcome HandOver(Batch& documents) {
  const DocumentHandover::Handed handed = DocumentHandover::HandToRunningInstance(documents);
  documents.erase(documents.begin(), documents.begin() + std::ptrdiff_t(handed.taken));
  return handed.outcome;
}

}  // namespace

namespace Runtime {

int FrameworkMain(int argc, char** argv, const std::function<void()>& startup) {
  SetProgramName(argc > 0 ? argv[0] : nullptr);
  Batch documents = DocumentsFromArguments(argc, argv);
  // A second start only passes its documents on; what the running instance did not take (it was
  // quitting, or died on the way) stays here.
  DocumentHandover::Outcome handedOver = HandOver(documents);
  if (handedOver == DocumentHandover::Outcome::Acknowledged) return 0;

  RunState& state = State();
  state.handover = std::make_unique<DocumentHandover>(DeliverBatch);
  bool listening = false;
  for (int attempt = 0; attempt < 5 && !listening; ++attempt) {
    listening = state.handover->Listen();
    // An instance that did not answer (stopped, or stuck) is not asked again: this start then
    // handles its documents itself, beside it. One that refused was quitting, and another start
    // may have won the race to listen in its place: that one takes the documents, unless it is
    // quitting already.
    if (listening || handedOver == DocumentHandover::Outcome::Unanswered) break;
    handedOver = HandOver(documents);
    if (handedOver == DocumentHandover::Outcome::Acknowledged) return 0;
  }
  if (!listening) state.handover.reset();
  const int exitCode = RunLoop(startup, documents);
  state.handover.reset();
  return exitCode;
}

void Initialize(int argc, char** argv) {
  SetProgramName(argc > 0 ? argv[0] : nullptr);
  WindowSystem::Load();
}

int Run(const std::function<void()>& startup, const std::vector<std::string>& documents) {
  return RunLoop(startup, documents);
}

void PostOpenDocument(const std::string& path) {
  const uint64_t generation = State().generation;
  Post([path, generation] {
    if (State().generation != generation) return;
    DeliverBatch(std::make_shared<PostedDocument>(path));
  });
}

void ProcessEvents(int milliseconds) {
  RunState& state = State();
  // Outside a run, a quit ends only what was running then; the next stretch of events starts afresh.
  if (!state.inRun) EndQuitting();
  if (milliseconds <= 0) {
    while (!state.quitting && Iterate(false)) {
    }
    return;
  }
  bool done = false;
  const guint deadline = g_timeout_add_full(
      G_PRIORITY_DEFAULT, static_cast<guint>(milliseconds),
      [](gpointer data) -> gboolean {
        *static_cast<bool*>(data) = true;
        return G_SOURCE_REMOVE;
      },
      &done, nullptr);
  RunLoopUntil([&done] { return done; });
  if (!done) g_source_remove(deadline);
}

bool IsQuitting() { return State().quitting; }

void RequestQuit(int exitCode) {
  RunState& state = State();
  state.quitting = true;
  if (!state.failed) state.exitCode = exitCode;
  // At once, not when the loops have ended: a later start must not be acknowledged any more.
  if (state.handover) state.handover->Close();
  if (WindowSystem* windows = WindowSystem::Loaded()) windows->ExitLoops(exitCode);
  g_main_context_wakeup(nullptr);
}

const std::string& ProgramName() { return State().programName; }

void Post(std::function<void()> call) {
  auto* posted = new std::function<void()>(std::move(call));
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        UnhandledException::Guard(*static_cast<std::function<void()>*>(data));
        return G_SOURCE_REMOVE;
      },
      posted, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

void EndAfterFailure(int exitCode) {
  RunState& state = State();
  if (!state.failed) state.exitCode = exitCode;
  state.failed = true;
  RequestQuit(exitCode);
}

}  // namespace Runtime
