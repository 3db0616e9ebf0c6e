#include "framework/Runtime.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Timer.h"
#include "framework/UnhandledException.h"
#include "support/FakePlatform.h"
#include "support/TestTime.h"

namespace {

using Events = std::vector<std::string>;

// Records "open" and each document's path; a test hooks its own behaviour in.
class RecordingApp : public Application {
 public:
  explicit RecordingApp(Events& events) : fEvents(events) {}
  std::function<void()> onOpen;
  std::function<void(const std::string&)> onDocument;

  void Event_Open() override {
    fEvents.push_back("open");
    if (onOpen) onOpen();
  }
  void Event_OpenDocument(FolderItemPtr item) override {
    fEvents.push_back(item ? item->NativePath() : "nil");
    if (onDocument) onDocument(item->NativePath());
  }

 private:
  Events& fEvents;
};

class RuntimeTest : public testing::Test {
 protected:
  void TearDown() override { Application::Register(nullptr); }

  // Runs one run whose application object the test sets up; a run that never quits ends after
  // five seconds with -99.
  int RunApp(const std::vector<std::string>& documents, const std::function<void(RecordingApp&)>& setUp,
             const std::function<void()>& moreStartup = {}) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { Runtime::RequestQuit(-99); });
    return Runtime::Run(
        [&] {
          auto app = std::make_unique<RecordingApp>(events);
          setUp(*app);
          Application::Register(std::move(app));
          guard.start(static_cast<int>(TestTime::Scaled(5000)));
          if (moreStartup) moreStartup();
        },
        documents);
  }

  static void QuitAfter(const std::string& last, int code, RecordingApp& app) {
    app.onDocument = [last, code](const std::string& path) {
      if (path == last) Application::Current()->Quit(code);
    };
  }

  Events events;
};

TEST_F(RuntimeTest, OpenComesFirstThenTheDocumentsInOrderThenLaterOnes) {
  // Posted during start-up, before the run's first turn: it must still wait for Open and the
  // command line's documents.
  int code = RunApp({"/a", "/b c", "/line\nbreak"}, [](RecordingApp& app) { QuitAfter("/posted", 3, app); },
                    [] { Runtime::PostOpenDocument("/posted"); });
  EXPECT_EQ(code, 3);
  EXPECT_EQ(events, (Events{"open", "/a", "/b c", "/line\nbreak", "/posted"}));
}

TEST_F(RuntimeTest, OpenIsDeliveredOnceWithoutDocuments) {
  int code = RunApp({}, [](RecordingApp& app) {
    app.onOpen = [] { QTimer::singleShot(20, [] { Application::Current()->Quit(0); }); };
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(events, (Events{"open"}));
}

TEST_F(RuntimeTest, RunsFollowEachOtherAndDocumentsDoNotLeakIntoTheNextRun) {
  int first = RunApp({"/one"}, [](RecordingApp& app) {
    app.onDocument = [](const std::string&) {
      Application::Current()->Quit(1);
      EXPECT_TRUE(Runtime::IsQuitting());
      // A quitting run takes no more documents, and the next run must not get it either.
      Runtime::PostOpenDocument("/late");
    };
  });
  EXPECT_EQ(first, 1);
  int second = RunApp({"/two"}, [](RecordingApp& app) {
    app.onOpen = [] { EXPECT_FALSE(Runtime::IsQuitting()); };
    QuitAfter("/two", 2, app);
  });
  EXPECT_EQ(second, 2);
  EXPECT_EQ(events, (Events{"open", "/one", "open", "/two"}));
}

TEST_F(RuntimeTest, NestedLoopsKeepDeliveringPostedDocuments) {
  int code = RunApp({"/outer"}, [this](RecordingApp& app) {
    app.onDocument = [this](const std::string& path) {
      if (path == "/outer") {
        Runtime::PostOpenDocument("/inner1");
        Runtime::PostOpenDocument("/inner2");
        // As a message box would: a loop of its own until the user answers.
        QEventLoop loop;
        QTimer::singleShot(0, [] { Runtime::PostOpenDocument("/inner3"); });
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
          if (events.back() == "/inner3") loop.quit();
        });
        poll.start(1);
        loop.exec();
        events.push_back("/outer done");
        Application::Current()->Quit(0);
      }
    };
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(events, (Events{"open", "/outer", "/inner1", "/inner2", "/inner3", "/outer done"}));
}

TEST_F(RuntimeTest, ProcessEventsInsideAHandlerDeliversToo) {
  int code = RunApp({"/outer"}, [this](RecordingApp& app) {
    app.onDocument = [this](const std::string& path) {
      if (path != "/outer") return;
      Runtime::PostOpenDocument("/inner");
      Runtime::ProcessEvents(30);
      events.push_back("/outer done");
      Application::Current()->Quit(4);
    };
  });
  EXPECT_EQ(code, 4);
  EXPECT_EQ(events, (Events{"open", "/outer", "/inner", "/outer done"}));
}

TEST_F(RuntimeTest, QuitInsideANestedLoopEndsItAndTheRunAndLaterLoopsReturnAtOnce) {
  int nestedResult = 0;
  qint64 laterLoopMs = -1;
  int code = RunApp({"/doc"}, [&](RecordingApp& app) {
    app.onDocument = [&](const std::string&) {
      QEventLoop nested;
      QTimer::singleShot(10, [] { Application::Current()->Quit(7); });
      QTimer::singleShot(3000, &nested, [&] { nested.exit(-1); });  // only if Quit did not end it
      nestedResult = nested.exec();
      EXPECT_TRUE(Runtime::IsQuitting());
      // A modal window opened after Quit returns at once.
      QElapsedTimer clock;
      clock.start();
      QEventLoop later;
      QTimer::singleShot(2000, &later, &QEventLoop::quit);
      later.exec();
      Runtime::ProcessEvents(2000);
      laterLoopMs = clock.elapsed();
    };
  });
  EXPECT_EQ(code, 7);
  EXPECT_EQ(nestedResult, 7);
  EXPECT_GE(laterLoopMs, 0);
  EXPECT_LT(laterLoopMs, TestTime::Scaled(1000));
  EXPECT_FALSE(Runtime::IsQuitting()) << "the quitting state belongs to the run that ended";
}

// The command line's documents are this process's alone, but a document handed over (posted
// during start-up, it waits for them) is not taken once the run quits: its sender keeps it.
TEST_F(RuntimeTest, TheCommandLineIsDeliveredWholeWhenItsFirstDocumentQuitsButNothingLater) {
  int code = RunApp({"/first", "/second"}, [](RecordingApp& app) {
    app.onDocument = [](const std::string& path) {
      if (path == "/first") Application::Current()->Quit(5);
    };
  }, [] { Runtime::PostOpenDocument("/handed over"); });
  EXPECT_EQ(code, 5);
  EXPECT_EQ(events, (Events{"open", "/first", "/second"}));
}

TEST_F(RuntimeTest, QuitDuringStartUpEndsTheRunBeforeOpen) {
  int code = RunApp({"/doc"}, [](RecordingApp&) {}, [] { Application::Current()->Quit(6); });
  EXPECT_EQ(code, 6);
  EXPECT_TRUE(events.empty());
}

TEST_F(RuntimeTest, QuitFromALoopDuringStartUpLeavesLaterLoopsWorking) {
  int code = RunApp({"/doc"}, [](RecordingApp&) {}, [] {
    QEventLoop loop;
    QTimer::singleShot(5, [] { Application::Current()->Quit(8); });
    loop.exec();
  });
  EXPECT_EQ(code, 8);
  EXPECT_TRUE(events.empty());
  QElapsedTimer clock;
  clock.start();
  QEventLoop later;
  QTimer::singleShot(50, &later, &QEventLoop::quit);
  later.exec();
  EXPECT_GE(clock.elapsed(), 45);
}

TEST_F(RuntimeTest, QuitOutsideARunDoesNotSpoilLaterLoops) {
  QTimer::singleShot(5, [] { Runtime::RequestQuit(0); });
  QElapsedTimer clock;
  clock.start();
  Runtime::ProcessEvents(1000);  // ended by the quit
  EXPECT_LT(clock.elapsed(), 900);
  clock.restart();
  Runtime::ProcessEvents(50);  // a fresh stretch: runs its full time again
  EXPECT_GE(clock.elapsed(), 45);
  EXPECT_FALSE(Runtime::IsQuitting());
}

// ---- An exception that escapes the program's code ----

class ThrowingTimer : public Timer {
 public:
  void Event_Action() override { throw std::runtime_error("from a timer"); }
};

struct Escape {
  const char* name;
  // Sets the application object up to throw somewhere; a test's extra start-up may throw too.
  std::function<void(RecordingApp&, Events&)> setUp;
  std::function<void()> moreStartup;
  std::string what;
  Events events;  // what the program saw
  friend void PrintTo(const Escape& row, std::ostream* out) { *out << row.name; }
};

class EscapingException : public RuntimeTest, public testing::WithParamInterface<Escape> {
 protected:
  ScopedFakePlatform fake;
};

// The run ends at once with its own exit code and one error line, whatever the program asks for
// after the throw; nothing more is delivered to it.
TEST_P(EscapingException, IsLoggedAndEndsTheRunInOrder) {
  const Escape& row = GetParam();
  const int code = RunApp({"/first", "/second"}, [&](RecordingApp& app) { row.setUp(app, events); }, row.moreStartup);
  EXPECT_EQ(code, UnhandledException::kExitCode);
  EXPECT_EQ(events, row.events);
  EXPECT_EQ(fake->log, std::vector<std::string>{"Error:Application.UnhandledException: " + row.what});
  EXPECT_FALSE(Runtime::IsQuitting()) << "the failure belongs to the run that ended";
}

const std::function<void()> kNoStartup;

INSTANTIATE_TEST_SUITE_P(
    Handlers, EscapingException,
    testing::Values(
        Escape{"StartUp", [](RecordingApp&, Events&) {}, [] { throw std::runtime_error("from start-up"); },
               "from start-up", {}},
        Escape{"Open", [](RecordingApp& app, Events&) { app.onOpen = [] { throw std::logic_error("from Open"); }; },
               kNoStartup, "from Open", {"open"}},
        Escape{"FirstDocumentOfABatch",
               [](RecordingApp& app, Events&) {
                 app.onDocument = [](const std::string&) {
                   Runtime::PostOpenDocument("/later");
                   throw std::out_of_range("from a document");
                 };
               },
               kNoStartup, "from a document", {"open", "/first"}},
        Escape{"TimerInANestedLoop",
               [](RecordingApp& app, Events& events) {
                 app.onDocument = [&events](const std::string& path) {
                   if (path != "/first") return;
                   ThrowingTimer timer;
                   timer.SetPeriod(5);
                   timer.SetMode(1);
                   QEventLoop nested;
                   QTimer::singleShot(3000, &nested, [&] { nested.exit(-1); });  // only if the throw did not end it
                   events.push_back("nested loop gave " + std::to_string(nested.exec()));
                   Application::Current()->Quit(0);
                 };
               },
               kNoStartup, "from a timer", {"open", "/first", "nested loop gave 70"}},
        Escape{"QueuedCall",
               [](RecordingApp& app, Events&) {
                 app.onOpen = [] {
                   QMetaObject::invokeMethod(QCoreApplication::instance(), [] { throw 42; }, Qt::QueuedConnection);
                   QTimer::singleShot(1000, [] { Application::Current()->Quit(0); });
                 };
                 app.onDocument = [](const std::string& path) {
                   if (path == "/second") Runtime::PostOpenDocument("/after the throw");
                 };
               },
               kNoStartup, "an exception that is no std::exception", {"open", "/first", "/second"}}),
    [](const testing::TestParamInfo<Escape>& info) { return std::string(info.param.name); });

class CountingApp : public Application {
 public:
  explicit CountingApp(int& destroyed) : fDestroyed(destroyed) {}
  ~CountingApp() override { ++fDestroyed; }

 private:
  int& fDestroyed;
};

TEST(ApplicationTest, RegisterReplacesAndDeletesThePreviousObject) {
  int destroyed = 0;
  auto first = std::make_unique<CountingApp>(destroyed);
  Application* firstRaw = first.get();
  Application::Register(std::move(first));
  EXPECT_EQ(Application::Current(), firstRaw);
  auto second = std::make_unique<CountingApp>(destroyed);
  Application* secondRaw = second.get();
  Application::Register(std::move(second));
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(Application::Current(), secondRaw);
  Application::Register(nullptr);
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(Application::Current(), nullptr);
}

TEST(ApplicationTest, ExecutableFileIsTheRunningProgramWithLinksResolved) {
  Application app;
  FolderItemPtr executable = app.ExecutableFile();
  ASSERT_TRUE(executable);
  EXPECT_EQ(executable->NativePath(), std::filesystem::canonical("/proc/self/exe").string());
  // The test program lies in no bundle.
  EXPECT_EQ(app.ResourcesFolder(), nullptr);
}

}  // namespace
