// Whole runs of the program in this process, from the real start-up to Quit, with the real windows
// clicked as a user would: the configuration window of a start without documents, and the version
// chooser of a run whose first document comes with Shift held.
#include <gtest/gtest.h>

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../core/TestDocuments.h"
#include "WindowsTestSupport.h"
#include "core/App.h"
#include "core/Startup.h"
#include "framework/Application.h"
#include "framework/BevelButton.h"
#include "framework/FolderItem.h"
#include "framework/PushButton.h"
#include "framework/RadioButton.h"
#include "framework/Runtime.h"
#include "framework/StaticText.h"
#include "support/FakePlatform.h"
#include "support/TempDir.h"
#include "windows/WndLauncher.h"
#include "windows/WndOptions.h"
#include "support/TestTime.h"

using namespace TestDocuments;

namespace {

using Clock = std::chrono::steady_clock;

int64_t Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Watches for a window of the class to run modally and answers it once, from the event loop (the
// window's own nested loop). A guard ends the run if the answer never comes.
class WhenModal {
 public:
  WhenModal(const std::string& className, std::function<void(Window&)> answer) {
    fPoll.setInterval(5);
    QObject::connect(&fPoll, &QTimer::timeout, [this, className, answer = std::move(answer)] {
      Window* window = GetImplicitWindow(className);
      if (window == nullptr || !window->Visible()) return;
      if (!fShownAt) fShownAt = Since(fStart);
      if (fAnswered || !window->IsModalRunning()) return;
      fAnswered = true;
      answer(*window);
    });
    fPoll.start();
    fGuard.setSingleShot(true);
    QObject::connect(&fGuard, &QTimer::timeout, [] {
      ADD_FAILURE() << "the run did not end";
      Runtime::RequestQuit(99);
    });
    fGuard.start(static_cast<int>(TestTime::Scaled(10000)));
  }
  // Once the run is over: nothing more to watch or guard.
  void Stop() {
    fPoll.stop();
    fGuard.stop();
  }
  // When the window was first seen shown, in milliseconds after this object was made.
  std::optional<int64_t> ShownAt() const { return fShownAt; }

 private:
  Clock::time_point fStart = Clock::now();
  QTimer fPoll, fGuard;
  std::optional<int64_t> fShownAt;
  bool fAnswered = false;
};

enum Tag { IDCS, IDCS2, IDCS3, IDCS4, ICCS, ICCS2, ICCS3, ICCS4 };
constexpr const char* kTags[] = {"IDCS", "IDCS2", "IDCS3", "IDCS4", "ICCS", "ICCS2", "ICCS3", "ICCS4"};

class ProgramRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
      const char* old = getenv(name);
      fSavedEnvironment[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.Path("config").c_str(), 1);
    setenv("XDG_DATA_HOME", home.Path("data").c_str(), 1);
    // Windows left by earlier tests would be reused by the run's start-up.
    DiscardWindow(GetImplicitWindow("WndLauncher.WndLauncher"));
    DiscardWindow(GetImplicitWindow("WndOptions.WndOptions"));
    Runtime::ProcessEvents(0);  // clears a quit left by an earlier run
  }

  void TearDown() override {
    DiscardWindow(GetImplicitWindow("WndLauncher.WndLauncher"));
    DiscardWindow(GetImplicitWindow("WndOptions.WndOptions"));
    // The run's application object goes, and its start-up timer with it.
    Application::Register(nullptr);
    Runtime::ProcessEvents(0);
    for (const auto& [name, old] : fSavedEnvironment) {
      if (old) setenv(name.c_str(), old->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }

  // The whole program, from its start-up to Quit, with watch answering its windows.
  static int RunProgram(const std::vector<std::string>& documents, WhenModal& watch) {
    const int exitCode = Runtime::Run(TessarineStartup, documents);
    watch.Stop();
    return exitCode;
  }

  // A recording application per tag, in folders with blanks as the real ones have.
  std::string AppPath(Tag tag) {
    std::string& path = fApps[tag];
    if (path.empty()) {
      path = WriteRecordingScript(apps, std::string("Adobe ") + kTags[tag] + "/Adobe " + kTags[tag], kTags[tag],
                                  Record());
    }
    return path;
  }
  void Configure(std::initializer_list<Tag> tags) {
    for (Tag tag : tags) prefs.paths[tag] = AppPath(tag);
  }
  void WritePreferences() const { home.Write("config/com.mirelund.quelbrast.prefs.v103", prefs.Text()); }
  std::vector<std::string> PreferencesLines() const {
    std::vector<std::string> lines;
    std::istringstream text(ReadFileBytes(home.Path("config/com.mirelund.quelbrast.prefs.v103")));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  std::string Record() const { return apps.Path("record.txt"); }
  std::string Recorded() const { return ReadFileBytes(Record()); }
  // The recorded launches, one per line, sorted: launched applications run side by side, so
  // their records may land in any order.
  std::multiset<std::string> RecordedLaunches() const {
    std::multiset<std::string> launches;
    std::istringstream lines(Recorded());
    for (std::string line; std::getline(lines, line);) launches.insert(line);
    return launches;
  }
  bool WaitFor(Tag tag, const std::string& document) const {
    const std::string line = std::string(kTags[tag]) + " " + document + "\n";
    return WaitUntil([&] { return Recorded().find(line) != std::string::npos; });
  }
  // Time for a launch that should not have happened to show in the record.
  static void Settle() { Runtime::ProcessEvents(300); }

  size_t StampAttempts() {
    size_t count = 0;
    for (const std::string& line : fake->log) count += line.rfind("Error:Utilities.AddIconToFile: ", 0) == 0;
    return count;
  }

  TempDir home, apps, documents;
  ScopedFakePlatform fake;
  QObject context;  // for the tests' own single shots: none outlives its test
  PreferencesText prefs;

 private:
  std::map<std::string, std::optional<std::string>> fSavedEnvironment;
  std::map<Tag, std::string> fApps;
};

// ---- Started without documents ----

TEST_F(ProgramRunTest, WithoutDocumentsTheConfigurationWindowComesAfterTwoSecondsAndOkSavesTheBrowsedPath) {
  Configure({IDCS, IDCS2, ICCS2});
  prefs.defaultInDesign = {true, false, true, true};
  WritePreferences();
  const std::string chosen = AppPath(IDCS3);
  fake->onChooseFile = [&](const std::vector<const FileType*>&) { return std::make_shared<FolderItem>(chosen); };

  const auto start = Clock::now();
  int64_t modalAt = -1;
  WhenModal answer("WndLauncher.WndLauncher", [&](Window& window) {
    modalAt = Since(start);
    auto& launcher = dynamic_cast<WndLauncher&>(window);
    // Filled from the file that Open loaded.
    EXPECT_EQ(launcher.LblInDesignCSPath()->Text(), AppPath(IDCS));
    EXPECT_EQ(launcher.LblInCopyCS2Path()->Text(), AppPath(ICCS2));
    EXPECT_EQ(launcher.LblInDesignCS3Path()->Text(), "");
    EXPECT_TRUE(launcher.RbnInCopyCS2()->Value());
    launcher.BtnInDesignCS3Browse()->Push();
    EXPECT_EQ(launcher.LblInDesignCS3Path()->Text(), chosen);
    launcher.BtnOK()->Push();
  });
  EXPECT_EQ(RunProgram({}, answer), 0);

  EXPECT_GE(modalAt, 1950) << "nothing is shown for two seconds";
  EXPECT_LT(modalAt, TestTime::Scaled(5000));
  EXPECT_GE(*answer.ShownAt(), 1950);
  EXPECT_EQ(fake->chooseFileFilters, std::vector<std::vector<std::string>>{{"Apps"}});
  const std::vector<std::string> lines = PreferencesLines();
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[IDCS3], PosixPathToShell(chosen));
  EXPECT_NE(lines[IDCS3].find("\\ "), std::string::npos) << "stored in shell form";
  EXPECT_EQ(lines[IDCS], PosixPathToShell(AppPath(IDCS)));
  EXPECT_EQ(lines[ICCS2], PosixPathToShell(AppPath(ICCS2)));
  EXPECT_EQ(lines[IDCS4], "");
  EXPECT_EQ(lines[9], "0") << "CS2's default stays InCopy";
  EXPECT_EQ(Recorded(), "") << "nothing is opened";
}

// ---- Shift held for the first document ----

TEST_F(ProgramRunTest, PickedInCopyCS2OpensEveryDocumentOfTheRun) {
  Configure({IDCS, ICCS, IDCS2, ICCS2, IDCS3, ICCS3, IDCS4, ICCS4});
  WritePreferences();
  const std::string first = documents.Write("first.indd", InDesignDocument(3));
  const std::string later = documents.Write("later.indd", InDesignDocument(6, kPowerPCMade));
  const std::string story = documents.Write("story.icml", InCopyStory(kInCopyCS4Line));
  fake->shiftDown = true;  // held for the whole run: only the first document asks

  std::vector<bool> enabled;
  WhenModal answer("WndOptions.WndOptions", [&](Window& window) {
    auto& chooser = dynamic_cast<WndOptions&>(window);
    EXPECT_EQ(App::Instance()->SelectedVersion(), -1);
    for (RadioButton* button : {chooser.RbnInDesignCS(), chooser.RbnInCopyCS(), chooser.RbnInDesignCS2(),
                                chooser.RbnInCopyCS2(), chooser.RbnInDesignCS3(), chooser.RbnInCopyCS3(),
                                chooser.RbnInDesignCS4(), chooser.RbnInCopyCS4()}) {
      enabled.push_back(button->Enabled());
    }
    EXPECT_TRUE(chooser.RbnInDesignCS()->Value()) << "CS's default application is preselected";
    chooser.RbnInCopyCS2()->Push();
    chooser.BtnOK()->Push();
    // Later documents of the same run, handed over before the quarter second is up.
    QTimer::singleShot(100, &context, [&] {
      Runtime::PostOpenDocument(later);
      Runtime::PostOpenDocument(story);
    });
  });
  EXPECT_EQ(RunProgram({first}, answer), 0);

  EXPECT_EQ(enabled, std::vector<bool>(8, true));
  EXPECT_EQ(App::Instance()->SelectedVersion(), 4);
  EXPECT_EQ(App::Instance()->UseInDesign(), 0);
  EXPECT_TRUE(WaitFor(ICCS2, first));
  EXPECT_TRUE(WaitFor(ICCS2, later));
  EXPECT_TRUE(WaitFor(ICCS2, story));
  Settle();
  EXPECT_EQ(RecordedLaunches(), (std::multiset<std::string>{"ICCS2 " + first, "ICCS2 " + later, "ICCS2 " + story}));
  EXPECT_TRUE(fake->messages.empty());
  EXPECT_EQ(StampAttempts(), 0u) << "the preferences say not to stamp";
}

TEST_F(ProgramRunTest, CancelledChooserOpensNoDocumentOfTheRunButStampsThem) {
  Configure({IDCS2, ICCS2, IDCS4});
  prefs.dontAddIcon = false;
  WritePreferences();
  const std::string first = documents.Write("first.indd", InDesignDocument(4));
  const std::string later = documents.Write("later.indd", InDesignDocument(4));
  fake->shiftDown = true;

  WhenModal answer("WndOptions.WndOptions", [&](Window& window) {
    dynamic_cast<WndOptions&>(window).BtnCancel()->Push();
    QTimer::singleShot(100, &context, [&] { Runtime::PostOpenDocument(later); });
  });
  EXPECT_EQ(RunProgram({first}, answer), 0);

  ASSERT_TRUE(answer.ShownAt());
  EXPECT_EQ(App::Instance()->SelectedVersion(), -1);
  Settle();
  EXPECT_EQ(Recorded(), "");
  EXPECT_TRUE(fake->messages.empty()) << "no message for a document that is left alone";
  // Stamping itself needs the program's bundle, which this test program lacks: what shows here is
  // that each document's stamp was attempted, the one not opened included.
  EXPECT_EQ(StampAttempts(), 2u);
}

TEST_F(ProgramRunTest, OneUsableApplicationIsTakenWithoutAWindowForTheWholeRun) {
  // For a CS2 document only InDesign CS4 can open it; InDesign CS is too old.
  Configure({IDCS, IDCS4});
  WritePreferences();
  const std::string first = documents.Write("first.indd", InDesignDocument(4));
  const std::string older = documents.Write("older.indd", InDesignDocument(3));
  fake->shiftDown = true;

  WhenModal watch("WndOptions.WndOptions", [](Window& window) {
    ADD_FAILURE() << "the chooser was shown";
    window.Hide();
  });
  EXPECT_EQ(RunProgram({first, older}, watch), 0);

  EXPECT_FALSE(watch.ShownAt());
  // The configuration window that start-up built and the drop road hid never needed its view.
  ASSERT_NE(GetImplicitWindow("WndLauncher.WndLauncher"), nullptr);
  EXPECT_FALSE(GetImplicitWindow("WndLauncher.WndLauncher")->HasView());
  EXPECT_EQ(App::Instance()->SelectedVersion(), 4);
  EXPECT_EQ(App::Instance()->UseInDesign(), 1);
  EXPECT_TRUE(WaitFor(IDCS4, first));
  EXPECT_TRUE(WaitFor(IDCS4, older)) << "the run's version holds for the CS document too";
  Settle();
  EXPECT_EQ(RecordedLaunches(), (std::multiset<std::string>{"IDCS4 " + first, "IDCS4 " + older}));
}

TEST_F(ProgramRunTest, DocumentHandedOverWhileTheChooserIsShownIsNotOpenedAndTheRunEndsAQuarterSecondAfterOk) {
  Configure({IDCS3, ICCS3, IDCS4, ICCS4});
  prefs.dontAddIcon = false;
  WritePreferences();
  const std::string first = documents.Write("first.indd", InDesignDocument(5));
  const std::string meanwhile = documents.Write("meanwhile.indd", InDesignDocument(5));
  fake->shiftDown = true;

  Clock::time_point okAt;
  size_t attemptsBeforeOk = 0;
  int32_t decisionBeforeOk = 0;
  WhenModal answer("WndOptions.WndOptions", [&](Window& window) {
    Runtime::PostOpenDocument(meanwhile);
    // The second road runs in the chooser's own loop; OK comes once it has ended.
    QTimer::singleShot(200, &context, [&, chooser = &dynamic_cast<WndOptions&>(window)] {
      attemptsBeforeOk = StampAttempts();
      decisionBeforeOk = App::Instance()->SelectedVersion();
      chooser->RbnInDesignCS4()->Push();
      okAt = Clock::now();
      chooser->BtnOK()->Push();
    });
  });
  EXPECT_EQ(RunProgram({first}, answer), 0);
  const int64_t quitAfterOk = Since(okAt);

  EXPECT_EQ(attemptsBeforeOk, 2u) << "the second document was detected and stamped while the chooser was shown";
  EXPECT_EQ(decisionBeforeOk, -1);
  // A quarter of a second (the program's own, not scaled) and a margin for the run's ending.
  EXPECT_GE(quitAfterOk, 245);
  EXPECT_LE(quitAfterOk, 250 + TestTime::Scaled(150));
  EXPECT_TRUE(WaitFor(IDCS4, first));
  Settle();
  EXPECT_EQ(Recorded(), "IDCS4 " + first + "\n");
  EXPECT_TRUE(fake->messages.empty());
}

}  // namespace
