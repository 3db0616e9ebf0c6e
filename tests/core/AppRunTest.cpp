// Whole runs in this process, from start-up to Quit: the start-up timer and the configuration
// window, a start with only a folder, documents that come while the run is about to end.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "CoreFixture.h"
#include "core/Startup.h"
#include "framework/Timer.h"
#include "windows/WndLauncher.h"
#include "support/TestTime.h"

using namespace TestDocuments;

namespace {

using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Runs an action once, after the given time, on the event thread.
class Probe : public Timer {
 public:
  Probe(int milliseconds, std::function<void()> action) : fAction(std::move(action)) {
    SetMode(1);
    SetPeriod(milliseconds);
  }
  void Event_Action() override { fAction(); }

 private:
  std::function<void()> fAction;
};

// The configuration window as the test scripts it.
class ScriptedLauncher : public WndLauncher {
 public:
  std::function<bool(CPreferences&)> answer;
  std::vector<int64_t> calledAt;
  CPreferences* given = nullptr;
  Clock::time_point start = Clock::now();

  bool EditPreferences(CPreferences& R) override {
    calledAt.push_back(MillisecondsSince(start));
    given = &R;
    return answer ? answer(R) : false;
  }
};

class RunTest : public HomeFixture {
 protected:
  void SetUp() override {
    HomeFixture::SetUp();
    prefs.paths = apps.paths;
    // Twenty lines: a saved file has thirteen.
    WritePreferences(prefs.Text() + std::string(7, '\n'));
  }
  void TearDown() override {
    if (launcher) launcher->Close();
    Runtime::ProcessEvents(0);
  }

  ScriptedLauncher& InstallLauncher() {
    if (Window* existing = GetImplicitWindow("WndLauncher.WndLauncher")) existing->Close();
    launcher = new ScriptedLauncher();
    launcher->Constructor();
    return *launcher;
  }
  size_t PreferencesLines() {
    const std::string text = ReadFileBytes(PreferencesPath());
    return std::count(text.begin(), text.end(), '\n');
  }

  RecordingApps apps;
  PreferencesText prefs;
  TempDir documents;
  ScriptedLauncher* launcher = nullptr;
};

TEST_F(RunTest, WithoutDocumentsTheConfigurationComesAfterTwoSecondsAndAcceptanceSaves) {
  ScriptedLauncher& window = InstallLauncher();
  window.answer = [](CPreferences& R) {
    R.fInDesignCSPath = "/edited";
    return true;
  };
  window.start = Clock::now();
  EXPECT_EQ(Runtime::Run(TessarineStartup, {}), 0);
  ASSERT_EQ(window.calledAt.size(), 1u);
  EXPECT_GE(window.calledAt[0], 1990);
  EXPECT_LT(window.calledAt[0], TestTime::Scaled(4000));
  EXPECT_EQ(window.given, App::Instance()->Preferences()) << "the window edits the live record";
  EXPECT_EQ(PreferencesLines(), 13u);
  EXPECT_EQ(ReadFileBytes(PreferencesPath()).rfind("/edited\n", 0), 0u);
}

TEST_F(RunTest, CancelledConfigurationSavesNothing) {
  ScriptedLauncher& window = InstallLauncher();
  window.answer = [](CPreferences& R) {
    R.fInDesignCSPath = "/edited";
    return false;
  };
  EXPECT_EQ(Runtime::Run(TessarineStartup, {}), 0);
  EXPECT_EQ(window.calledAt.size(), 1u);
  EXPECT_EQ(PreferencesLines(), 20u);
}

TEST_F(RunTest, DocumentWithinTheQuarterSecondStopsTheQuit) {
  const std::string a = documents.Write("a.indd", InDesignDocument(4));
  const std::string b = documents.Write("b.icml", InCopyStory(kInCopyCS4Line));
  const std::string late = documents.Write("late.indd", InDesignDocument(6, kPowerPCMade));
  InstallLauncher();
  Clock::time_point postedAt;
  Probe probe(120, [&] {
    postedAt = Clock::now();
    Runtime::PostOpenDocument(late);
  });
  EXPECT_EQ(Runtime::Run(TessarineStartup, {a, b}), 0);
  // The quit that the first two armed was stopped and armed again after the late one.
  EXPECT_GE(MillisecondsSince(postedAt), 240);
  EXPECT_TRUE(apps.WaitFor("IDCS2", a));
  EXPECT_TRUE(apps.WaitFor("ICCS4", b));
  EXPECT_TRUE(apps.WaitFor("IDCS4", late)) << "the late document belongs to the same run";
  EXPECT_EQ(PreferencesLines(), 20u);
}

TEST_F(RunTest, DocumentHandedToTheShownConfigurationWindowEndsItsRun) {
  if (Window* existing = GetImplicitWindow("WndLauncher.WndLauncher")) existing->Close();
  const std::string doc = documents.Write("a.indd", InDesignDocument(5));
  bool modalEarly = true;
  bool modalLater = false;
  Probe early(1700, [&] {
    WndLauncher* window = dynamic_cast<WndLauncher*>(GetImplicitWindow("WndLauncher.WndLauncher"));
    modalEarly = window != nullptr && window->IsModalRunning();
  });
  Probe later(2400, [&] {
    WndLauncher* window = dynamic_cast<WndLauncher*>(GetImplicitWindow("WndLauncher.WndLauncher"));
    modalLater = window != nullptr && window->IsModalRunning() && window->Visible();
    Runtime::PostOpenDocument(doc);
  });
  const auto start = Clock::now();
  EXPECT_EQ(Runtime::Run(TessarineStartup, {}), 0);
  EXPECT_FALSE(modalEarly);
  EXPECT_TRUE(modalLater) << "the configuration window runs modally after two seconds";
  EXPECT_GE(MillisecondsSince(start), 2400);
  EXPECT_TRUE(apps.WaitFor("IDCS3", doc));
  EXPECT_EQ(PreferencesLines(), 13u) << "the hidden window counts as accepted, and the record is saved";
}

}  // namespace
