// The drop road: rejection, unopenable files, the count and the quit timer, the key samples, the
// run's chooser decision, the launch and its messages, and documents that arrive in nested loops.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "CoreFixture.h"
#include "windows/WndLauncher.h"
#include "windows/WndOptions.h"
#include "support/TestTime.h"

using namespace TestDocuments;

namespace {

// What every stamp attempt logs in the test program, which lies in no bundle.
const std::string kStampAttempt = "Error:Utilities.AddIconToFile: Cannot find application resources folder";
const std::string kRejected = "Error:App.HandleDroppedItem: item is nil, or does not exist, or is a directory";
const std::string kCannotDecide = "Could not determine what to do with this file";

// The chooser as the test scripts it: records what it was asked and answers through its callback.
class ScriptedChooser : public WndOptions {
 public:
  std::function<void(int32_t, int32_t&, bool&)> answer;
  std::vector<int32_t> asked;

  void SelectInDesignVersion(int32_t in_docVersion, int32_t& out_version, bool& out_useInDesign) override {
    asked.push_back(in_docVersion);
    out_version = -1;
    out_useInDesign = true;
    if (answer) answer(in_docVersion, out_version, out_useInDesign);
  }
};

// Shift is held from its nth sample on.
class LateShiftPlatform : public FakePlatform {
 public:
  explicit LateShiftPlatform(int firstHeld) : fFirstHeld(firstHeld) {}
  bool ShiftKeyDown() override { return ++fCalls >= fFirstHeld; }

 private:
  int fFirstHeld;
  int fCalls = 0;
};

class RoadTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    prefs.paths = apps.paths;
    prefs.dontAddIcon = false;
  }
  void TearDown() override {
    if (chooser) chooser->Close();
    AppFixture::TearDown();
  }

  App& Open() { return OpenApp(prefs); }

  ScriptedChooser& InstallChooser() {
    if (Window* existing = GetImplicitWindow("WndOptions.WndOptions")) existing->Close();
    chooser = new ScriptedChooser();
    chooser->Constructor();
    return *chooser;
  }

  void Drop(App& app, const FolderItemPtr& item) { app.Event_OpenDocument(item); }

  void ExpectQuitArmed(App& app) {
    EXPECT_EQ(app.NumItemsBeingHandled(), 0);
    TmrQuit* quit = AppTestAccess::TimerQuit(app);
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->Mode(), 1);
    EXPECT_EQ(quit->Period(), 250);
  }

  // Launches are detached processes: a document that is not launched is known only after a while.
  // No events run meanwhile, so the quit timer does not fire.
  void ExpectNotLaunched(const FolderItemPtr& item) {
    TestTime::Pause(300);
    EXPECT_EQ(apps.Record().find(item->NativePath()), std::string::npos) << apps.Record();
  }

  RecordingApps apps;
  PreferencesText prefs;
  ScriptedChooser* chooser = nullptr;
};

TEST_F(RoadTest, RejectsNoneMissingAndFolders) {
  App& app = Open();
  WndLauncher::Instance()->Show();
  Drop(app, nullptr);
  Drop(app, std::make_shared<FolderItem>(documents.Path("missing.indd")));
  Drop(app, std::make_shared<FolderItem>(documents.path()));
  EXPECT_EQ(CountLogged(kRejected), 3u);
  EXPECT_EQ(Log().size(), 3u);
  EXPECT_TRUE(fake->messages.empty());
  EXPECT_TRUE(app.LaunchingFile());
  EXPECT_FALSE(WndLauncher::Instance()->Visible());
  EXPECT_EQ(app.SelectedVersion(), -2) << "a rejected document takes no decision";
  ExpectQuitArmed(app);
}

TEST_F(RoadTest, PipeIsAFileThatCannotBeOpened) {
  App& app = Open();
  const std::string pipe = documents.Path("pipe.indd");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  const auto item = std::make_shared<FolderItem>(pipe);
  fake->expectedMessages = 1;
  Drop(app, item);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Warning:App.HandleDroppedItem: could not open file " + item->ShellPath()}));
  EXPECT_EQ(fake->messages, (std::vector<std::string>{"Could not open file"}));
  EXPECT_EQ(app.SelectedVersion(), -2) << "the next document that opens decides";
  ExpectQuitArmed(app);

  // The next document takes the decision.
  Drop(app, Document("a.indd", InDesignDocument(4)));
  EXPECT_EQ(app.SelectedVersion(), 0);
}

TEST_F(RoadTest, OpensEachDocumentWithItsOwnVersion) {
  App& app = Open();
  const auto indd = Document("Story CS2.indd", InDesignDocument(4, kPowerPCMade));
  const auto icml = Document("story.icml", InCopyStory(kInCopyCS4Line));
  const auto incd = Document("story.incd", InCopyStory(kInCopyCSLine));
  Drop(app, indd);
  Drop(app, icml);
  Drop(app, incd);
  EXPECT_TRUE(apps.WaitFor("IDCS2", indd->NativePath()));
  EXPECT_TRUE(apps.WaitFor("ICCS4", icml->NativePath()));
  EXPECT_TRUE(apps.WaitFor("ICCS", incd->NativePath()));
  EXPECT_EQ(app.SelectedVersion(), 0);
  EXPECT_TRUE(fake->messages.empty());
  EXPECT_EQ(CountLogged(kStampAttempt), 3u) << "each recognised document is stamped";
  ExpectQuitArmed(app);
}

TEST_F(RoadTest, NoStampWhenTheUserSaidSo) {
  prefs.dontAddIcon = true;
  App& app = Open();
  Drop(app, Document("a.indd", InDesignDocument(5)));
  EXPECT_EQ(CountLogged(kStampAttempt), 0u);
}

TEST_F(RoadTest, VersionAboveSixGetsNoStampAndAMessage) {
  App& app = Open();
  fake->expectedMessages = 1;
  Drop(app, Document("future.indd", InDesignDocument(7)));
  EXPECT_EQ(fake->messages, (std::vector<std::string>{kCannotDecide}));
  EXPECT_EQ(CountLogged(kStampAttempt), 0u);
}

TEST_F(RoadTest, UnrecognisedDocumentIsLeftAloneButDecides) {
  App& app = Open();
  const auto item = Document("odd.xml", "<?xml version=\"1.0\"?>\n<root/>\n");
  Drop(app, item);
  EXPECT_EQ(app.SelectedVersion(), 0);
  EXPECT_TRUE(fake->messages.empty());
  EXPECT_EQ(CountLogged(kStampAttempt), 0u);
  ExpectNotLaunched(item);
}

TEST_F(RoadTest, FailedLaunchIsLoggedWithoutAMessage) {
  prefs.paths[1] = documents.Write("not an application", "plain text");
  App& app = Open();
  const auto item = Document("a.indd", InDesignDocument(4));
  Drop(app, item);
  EXPECT_TRUE(fake->messages.empty()) << "the decision stands once the request is made";
  const std::string head = "Error:App.LaunchWith: could not open " + item->ShellPath() + " with " +
                           FolderItem(prefs.paths[1]).ShellPath() + ": ";
  ASSERT_EQ(std::count_if(Log().begin(), Log().end(), [&](const std::string& l) { return l.rfind(head, 0) == 0; }),
            1)
      << ::testing::PrintToString(Log());
}

// ---- Keys and the chooser ----

TEST_F(RoadTest, ShiftOrOptionAtTheFirstSampleAsksTheChooser) {
  for (bool shift : {true, false}) {
    SCOPED_TRACE(shift ? "Shift" : "Option");
    App& app = Open();
    ScriptedChooser& chooser = InstallChooser();
    fake->shiftDown = shift;
    fake->optionDown = !shift;
    Drop(app, Document("a.indd", InDesignDocument(5)));
    EXPECT_EQ(chooser.asked, (std::vector<int32_t>{5}));
    EXPECT_EQ(app.SelectedVersion(), -1);
    chooser.Close();
    this->chooser = nullptr;
  }
}

TEST_F(RoadTest, KeyHeldOnlyFromTheSecondSampleStillAsks) {
  // The first sample reads Shift once; the second sample's Shift is held.
  auto previous = Platform::Replace(std::make_unique<LateShiftPlatform>(2));
  App& app = Open();
  ScriptedChooser& chooser = InstallChooser();
  Drop(app, Document("a.indd", InDesignDocument(4)));
  Platform::Replace(std::move(previous));
  EXPECT_EQ(chooser.asked, (std::vector<int32_t>{4}));
}

TEST_F(RoadTest, KeyHeldForALaterDocumentHasNoEffect) {
  App& app = Open();
  ScriptedChooser& chooser = InstallChooser();
  const auto first = Document("a.indd", InDesignDocument(4));
  Drop(app, first);
  fake->shiftDown = true;
  const auto second = Document("b.indd", InDesignDocument(5));
  Drop(app, second);
  EXPECT_TRUE(chooser.asked.empty());
  EXPECT_TRUE(apps.WaitFor("IDCS3", second->NativePath()));
}

TEST_F(RoadTest, ChosenVersionHoldsForTheWholeRun) {
  App& app = Open();
  ScriptedChooser& chooser = InstallChooser();
  chooser.answer = [](int32_t, int32_t& version, bool& useInDesign) {
    version = 6;
    useInDesign = true;
  };
  fake->shiftDown = true;
  const auto first = Document("a.indd", InDesignDocument(4));
  const auto template3 = Document("b.indt", InDesignDocument(3));
  const auto story = Document("c.incx", InCopyStory(kInCopyCS2Line));
  Drop(app, first);
  Drop(app, template3);
  Drop(app, story);
  EXPECT_EQ(chooser.asked.size(), 1u);
  EXPECT_EQ(app.SelectedVersion(), 6);
  EXPECT_EQ(app.UseInDesign(), 1);
  EXPECT_TRUE(apps.WaitFor("IDCS4", first->NativePath()));
  EXPECT_TRUE(apps.WaitFor("IDCS4", template3->NativePath()));
  EXPECT_TRUE(apps.WaitFor("ICCS4", story->NativePath())) << "an InCopy story never goes to InDesign";
}

TEST_F(RoadTest, CancelledChooserOpensNothingForTheRun) {
  App& app = Open();
  ScriptedChooser& chooser = InstallChooser();
  fake->shiftDown = true;
  const auto first = Document("a.indd", InDesignDocument(4));
  const auto second = Document("b.icml", InCopyStory(kInCopyCS4Line));
  Drop(app, first);
  Drop(app, second);
  EXPECT_EQ(chooser.asked.size(), 1u);
  EXPECT_EQ(app.SelectedVersion(), -1);
  EXPECT_TRUE(fake->messages.empty());
  EXPECT_EQ(CountLogged(kStampAttempt), 2u) << "icons are still stamped";
  ExpectNotLaunched(first);
  ExpectNotLaunched(second);
  ExpectQuitArmed(app);
}

TEST_F(RoadTest, SingleApplicationAnswerTriesInDesignFirstAtThatVersion) {
  prefs.defaultInDesign = {false, false, false, false};
  App& app = Open();
  ScriptedChooser& chooser = InstallChooser();
  chooser.answer = [](int32_t docVersion, int32_t& version, bool& useInDesign) {
    version = docVersion;
    useInDesign = true;
  };
  fake->shiftDown = true;
  const auto first = Document("a.indd", InDesignDocument(5));
  const auto later = Document("b.indd", InDesignDocument(3));
  Drop(app, first);
  Drop(app, later);
  EXPECT_EQ(app.SelectedVersion(), 5);
  EXPECT_TRUE(apps.WaitFor("IDCS3", first->NativePath()));
  EXPECT_TRUE(apps.WaitFor("IDCS3", later->NativePath())) << "every later document is launched as that version";
}

TEST_F(RoadTest, UnrecognisedFirstDocumentCanBeGivenAVersion) {
  App& app = Open();
  ScriptedChooser& chooser = InstallChooser();
  chooser.answer = [](int32_t, int32_t& version, bool& useInDesign) {
    version = 4;
    useInDesign = false;
  };
  fake->shiftDown = true;
  const auto story = Document("odd.xml", "<?xml version=\"1.0\"?>\n<root/>\n");
  Drop(app, story);
  EXPECT_EQ(chooser.asked, (std::vector<int32_t>{-1}));
  EXPECT_EQ(app.UseInDesign(), 0);
  EXPECT_TRUE(apps.WaitFor("ICCS2", story->NativePath()));
}

TEST_F(RoadTest, OtherAnswersLeaveDocumentsTheirOwnVersions) {
  App& app = Open();
  ScriptedChooser& chooser = InstallChooser();
  chooser.answer = [](int32_t, int32_t& version, bool& useInDesign) {
    version = -5;
    useInDesign = false;
  };
  fake->shiftDown = true;
  const auto first = Document("a.indd", InDesignDocument(4));
  const auto second = Document("b.indd", InDesignDocument(6));
  Drop(app, first);
  Drop(app, second);
  EXPECT_EQ(chooser.asked.size(), 1u) << "any value but -2 decides for the run";
  EXPECT_TRUE(apps.WaitFor("IDCS2", first->NativePath()));
  EXPECT_TRUE(apps.WaitFor("IDCS4", second->NativePath()));

  // -2 leaves the run undecided: the next document asks again.
  App& again = Open();
  ScriptedChooser& undecided = InstallChooser();
  undecided.answer = [](int32_t, int32_t& version, bool&) { version = -2; };
  Drop(again, Document("c.indd", InDesignDocument(4)));
  Drop(again, Document("d.indd", InDesignDocument(5)));
  EXPECT_EQ(undecided.asked, (std::vector<int32_t>{4, 5}));
}

// ---- Nested documents ----

TEST_F(RoadTest, DocumentArrivingWhileTheChooserIsShownIsNotLaunched) {
  App& app = Open();
  ScriptedChooser& chooser = InstallChooser();
  const auto first = Document("a.indd", InDesignDocument(4));
  const auto nested = Document("b.indd", InDesignDocument(5));
  chooser.answer = [&](int32_t, int32_t& version, bool& useInDesign) {
    EXPECT_EQ(app.SelectedVersion(), -1) << "the chooser's first write lands in the field at once";
    fake->shiftDown = false;
    Drop(app, nested);
    EXPECT_EQ(app.NumItemsBeingHandled(), 1);
    TmrQuit* quit = AppTestAccess::TimerQuit(app);
    EXPECT_TRUE(quit == nullptr || quit->Mode() == 0) << "no quit while the outer road is in hand";
    version = 6;
    useInDesign = true;
  };
  fake->shiftDown = true;
  Drop(app, first);
  EXPECT_EQ(chooser.asked.size(), 1u);
  EXPECT_TRUE(fake->messages.empty());
  EXPECT_EQ(CountLogged(kStampAttempt), 2u);
  EXPECT_TRUE(apps.WaitFor("IDCS4", first->NativePath()));
  ExpectNotLaunched(nested);
  ExpectQuitArmed(app);
}

TEST_F(RoadTest, DocumentArrivingDuringAMessageIsHandledInFull) {
  App& app = Open();
  const auto done = Document("done.indd", InDesignDocument(3));
  Drop(app, done);
  ExpectQuitArmed(app);

  const auto nested = Document("b.indd", InDesignDocument(4));
  fake->onMessage = [&](const std::string&) {
    EXPECT_EQ(AppTestAccess::TimerQuit(app)->Mode(), 0) << "a new document stops the armed quit";
    Drop(app, nested);
    EXPECT_EQ(app.NumItemsBeingHandled(), 1);
    EXPECT_EQ(AppTestAccess::TimerQuit(app)->Mode(), 0);
  };
  Drop(app, Document("future.indd", InDesignDocument(9)));
  EXPECT_EQ(fake->messages, (std::vector<std::string>{kCannotDecide}));
  EXPECT_TRUE(apps.WaitFor("IDCS2", nested->NativePath()));
  ExpectQuitArmed(app);
}

}  // namespace
