// The run: Open once, then the documents, batch by batch.
//
// Open and the command line's documents are delivered from the event loop's first turn, in one
// handler. A hand-over batch that arrives before that (the socket listens before start-up) waits
// and follows the command line's documents. Later batches are delivered where they arrive, nested
// loops included. A batch is delivered whole, even when one of its documents quits the run: its
// documents were given to this process, and no other will handle them.
//
// An exception that escapes the program's code is caught where the framework called that code
// and handed to UnhandledException, which ends the run; the application's event delivery
// (notify) catches for every event, timer, control, menu and queued call at once.
//
// Quit ends every running loop through QCoreApplication::exit, which in Qt 6 also makes loops
// started afterwards return at once, until the main loop is back. Outside a run's main loop that
// state would stick, so the next run, or ProcessEvents at the outermost level, clears it.
#include "framework/Runtime.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <memory>
#include <unistd.h>

#include "framework/Application.h"
#include "framework/DocumentHandover.h"
#include "framework/FolderItem.h"
#include "framework/UnhandledException.h"
#include "framework/SessionBus.h"

namespace {

using Batch = std::vector<std::string>;

struct RunState {
  bool quitting = false;
  bool failed = false;              // an exception escaped the program: deliver nothing more
  int exitCode = 0;
  bool inRun = false;
  bool inMainLoop = false;
  bool opened = false;              // Open delivered in this run
  bool qtExitOutsideMain = false;   // QCoreApplication::exit called with no main loop to reset it
  uint64_t generation = 0;          // documents posted in one run are not delivered in the next
  std::deque<Batch> waiting;        // batches that came before Open
  std::unique_ptr<DocumentHandover> handover;
};

RunState& State() {
  static RunState state;
  return state;
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

// Where every batch after the command line's goes.
void DeliverBatch(const Batch& documents) {
  RunState& state = State();
  if (!state.opened) {
    state.waiting.push_back(documents);
    return;
  }
  DeliverDocuments(documents);
}

void DeliverOpen(const Batch& documents) {
  RunState& state = State();
  state.opened = true;
  if (Application* app = Application::Current()) UnhandledException::Guard([app] { app->Event_Open(); });
  DeliverDocuments(documents);
  while (!state.waiting.empty()) {
    Batch next = std::move(state.waiting.front());
    state.waiting.pop_front();
    DeliverDocuments(next);
  }
}

// Makes Qt's event loops usable again after an exit that no main loop has taken back. Only at
// the outermost level: inside a loop the exit still has loops to end.
void ClearQtExit() {
  RunState& state = State();
  if (!state.qtExitOutsideMain || QThread::currentThread()->loopLevel() > 0) return;
  state.qtExitOutsideMain = false;
  QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  QApplication::exec();
}

// The application's event delivery, where every call into the program's code from an event starts.
class GuardedApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (...) {
      UnhandledException::Handle(std::current_exception());
      return true;
    }
  }
};

void PrepareApplication() {
  QApplication::setApplicationName(QStringLiteral("Tessarine"));
  // Hiding the last window (a modal window's OK) must not end the run; only Quit does.
  QApplication::setQuitOnLastWindowClosed(false);
}

int RunLoop(const std::function<void()>& startup, const Batch& documents) {
  RunState& state = State();
  state.inRun = true;
  state.quitting = false;
  state.failed = false;
  state.exitCode = 0;
  state.opened = false;
  state.waiting.clear();
  ClearQtExit();
  if (startup) UnhandledException::Guard(startup);
  if (!state.quitting) {
    const uint64_t generation = state.generation;
    QMetaObject::invokeMethod(
        qApp,
        [documents, generation] {
          if (State().generation == generation) DeliverOpen(documents);
        },
        Qt::QueuedConnection);
    state.inMainLoop = true;
    QApplication::exec();
    state.inMainLoop = false;
  }
  const int exitCode = state.exitCode;
  ++state.generation;
  state.inRun = false;
  state.quitting = false;
  state.failed = false;
  state.opened = false;
  state.waiting.clear();
  ClearQtExit();  // a quit from a loop run during start-up, when the main loop never ran
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

}  // namespace

namespace Runtime {

int FrameworkMain(int argc, char** argv, const std::function<void()>& startup) {
  const Batch documents = DocumentsFromArguments(argc, argv);
  // Before any GUI: a second start only passes its documents on.
  DocumentHandover::Outcome handedOver = DocumentHandover::HandToRunningInstance(documents);
  if (handedOver == DocumentHandover::Outcome::Acknowledged) return 0;

  // Before Qt, which would wait for good on a session bus that never answers.
  SessionBus::KeepOffSilentBus();

  // Qt sees only the program's name: every argument is a document, even one that looks like a
  // Qt option. The application object lives until the process ends, so that windows still
  // around at exit are destroyed while it exists.
  static int qtArgc = 1;
  static char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("Tessarine"), nullptr};
  new GuardedApplication(qtArgc, qtArgv);
  PrepareApplication();

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
    handedOver = DocumentHandover::HandToRunningInstance(documents);
    if (handedOver == DocumentHandover::Outcome::Acknowledged) return 0;
  }
  if (!listening) state.handover.reset();

  const int exitCode = RunLoop(startup, documents);
  state.handover.reset();
  return exitCode;
}

void Initialize(int argc, char** argv) {
  if (QApplication::instance() != nullptr) return;
  static int qtArgc = 0;
  qtArgc = argc;
  new GuardedApplication(qtArgc, argv);
  PrepareApplication();
}

int Run(const std::function<void()>& startup, const std::vector<std::string>& documents) {
  return RunLoop(startup, documents);
}

void PostOpenDocument(const std::string& path) {
  const uint64_t generation = State().generation;
  QMetaObject::invokeMethod(
      qApp,
      [path, generation] {
        const RunState& state = State();
        // As the hand-over socket would: a quitting run takes no more documents.
        if (state.generation != generation || state.quitting) return;
        DeliverBatch({path});
      },
      Qt::QueuedConnection);
}

void ProcessEvents(int milliseconds) {
  RunState& state = State();
  // Outside a run, a quit ends only what was running then; the next stretch of events starts afresh.
  if (!state.inRun && QThread::currentThread()->loopLevel() == 0) {
    state.quitting = false;
    state.failed = false;
    ClearQtExit();
  }
  if (milliseconds <= 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(milliseconds);
  loop.exec();
}

bool IsQuitting() { return State().quitting; }

void RequestQuit(int exitCode) {
  RunState& state = State();
  state.quitting = true;
  if (!state.failed) state.exitCode = exitCode;
  // At once, not when the loops have ended: a later start must not be acknowledged any more.
  if (state.handover) state.handover->Close();
  if (QThread::currentThread()->loopLevel() > 0) {
    QCoreApplication::exit(exitCode);
    if (!state.inMainLoop) state.qtExitOutsideMain = true;
  }
}

void EndAfterFailure(int exitCode) {
  RunState& state = State();
  if (!state.failed) state.exitCode = exitCode;
  state.failed = true;
  RequestQuit(exitCode);
}

}  // namespace Runtime
