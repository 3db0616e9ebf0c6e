// The version chooser: its layout, the enabling pass, the cases without a window, the
// preselection, the result walk, and the by-reference results during the modal run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include <filesystem>
#include <string>
#include <vector>

#include "support/FakePlatform.h"
#include "support/TempDir.h"
#include "WindowsTestSupport.h"
#include "core/App.h"
#include "core/CPreferences.h"
#include "framework/Canvas.h"
#include "framework/PushButton.h"
#include "framework/RadioButton.h"
#include "framework/StaticText.h"
#include "windows/WndOptions.h"

// The run's decision field itself, as the drop road hands it to the chooser.
class AppTestAccess {
 public:
  static int32_t& SelectedVersion(App& app) { return app.fSelectedVersion; }
};

class WndOptionsTestAccess {
 public:
  static bool Canceled(const WndOptions& w) { return w.fCanceled; }
};

namespace {

// The choices in the chooser's own order: InDesign, InCopy of CS, then of CS2, ...
enum Choice { kIDCS, kICCS, kIDCS2, kICCS2, kIDCS3, kICCS3, kIDCS4, kICCS4 };

struct Outcome {
  int32_t version;
  bool useInDesign;
  bool shown;
};

class WndOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    CPreferences& prefs = LivePreferences();
    for (auto field : kPaths) prefs.*field = "";
    prefs.fCSDefaultInDesign = prefs.fCS2DefaultInDesign = prefs.fCS3DefaultInDesign = prefs.fCS4DefaultInDesign = true;
    for (int i = 0; i < 8; ++i) posix[i] = dir.Write("Apps " + std::to_string(i) + "/App " + std::to_string(i) + ".app", "");
    window = WndOptions::Instance();
  }

  void TearDown() override {
    DiscardWindow(GetImplicitWindow("WndOptions.WndOptions"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(widget->isVisible());
  }

  void Configure(std::initializer_list<Choice> choices) {
    for (Choice c : choices) LivePreferences().*kPaths[c] = PosixPathToShell(posix[c]);
  }

  RadioButton* Button(Choice c) const {
    RadioButton* buttons[] = {window->RbnInDesignCS(),  window->RbnInCopyCS(),  window->RbnInDesignCS2(),
                              window->RbnInCopyCS2(), window->RbnInDesignCS3(), window->RbnInCopyCS3(),
                              window->RbnInDesignCS4(), window->RbnInCopyCS4()};
    return buttons[c];
  }

  std::vector<bool> EnabledStates() const {
    std::vector<bool> states;
    for (int c = kIDCS; c <= kICCS4; ++c) states.push_back(Button(static_cast<Choice>(c))->Enabled());
    return states;
  }

  // Calls the chooser with results starting at -2 and False; answer runs in the modal run, if any.
  Outcome Choose(int32_t docVersion, std::function<void()> answer = nullptr) {
    version = -2;
    useInDesign = false;
    bool shown = false;
    ModalAnswer modal(window, [&] {
      shown = true;
      // The caller's decision field is written before anything is shown.
      EXPECT_EQ(version, -1);
      EXPECT_TRUE(useInDesign);
      if (answer) answer();
      if (window->Visible()) window->BtnCancel()->Push();
    });
    window->SelectInDesignVersion(docVersion, version, useInDesign);
    return {version, useInDesign, shown};
  }

  static constexpr std::string CPreferences::*kPaths[8] = {
      &CPreferences::fInDesignCSPath,  &CPreferences::fInCopyCSPath,  &CPreferences::fInDesignCS2Path,
      &CPreferences::fInCopyCS2Path,   &CPreferences::fInDesignCS3Path, &CPreferences::fInCopyCS3Path,
      &CPreferences::fInDesignCS4Path, &CPreferences::fInCopyCS4Path};
  ScopedFakePlatform fake;
  TempDir dir;
  std::string posix[8];
  WndOptions* window = nullptr;
  int32_t version = -2;
  bool useInDesign = false;
};

struct ControlRow {
  const char* name;
  int left, top, width, height;
  const char* text;
};

}  // namespace

TEST_F(WndOptionsTest, WindowAndControlsHaveTheirDesignValues) {
  EXPECT_EQ(window->Title(), "Open With InDesign/InCopy Version");
  EXPECT_EQ(window->Width(), 500);
  EXPECT_EQ(window->Height(), 220);
  EXPECT_EQ(window->Frame(), 1);
  EXPECT_FALSE(window->Resizeable());
  EXPECT_FALSE(window->CloseButton());
  EXPECT_FALSE(window->MinimizeButton());
  EXPECT_FALSE(window->MaximizeButton());
  EXPECT_FALSE(window->Visible());
  EXPECT_EQ(window->GetMenuBar(), nullptr);
  EXPECT_EQ(window->DefaultButton(), window->BtnOK());
  EXPECT_EQ(window->CancelButton(), window->BtnCancel());
  EXPECT_FALSE(WndOptionsTestAccess::Canceled(*window));
  EXPECT_EQ(WndOptions::Instance(), window);

  const ControlRow rows[] = {
      {"RbnInDesignCS", 20, 14, 140, 20, "InDesign CS"},
      {"RbnInDesignCS2", 20, 46, 140, 20, "InDesign CS2"},
      {"RbnInDesignCS3", 20, 78, 140, 20, "InDesign CS3"},
      {"RbnInDesignCS4", 20, 110, 140, 20, "InDesign CS4"},
      {"BtnOK", 400, 180, 80, 20, "OK"},
      {"BtnCancel", 308, 180, 80, 20, "Cancel"},
      {"RbnInCopyCS4", 238, 110, 140, 20, "InCopy CS4"},
      {"RbnInCopyCS3", 238, 78, 140, 20, "InCopy CS3"},
      {"RbnInCopyCS2", 238, 46, 140, 20, "InCopy CS2"},
      {"RbnInCopyCS", 238, 14, 140, 20, "InCopy CS"},
      {"CnvLogo", 13, 152, 48, 48, nullptr},
      {"LblInfo", 73, 152, 407, 16, "Brought to you courtesy of Mirelund Ltd.\r"},
      {"LblLink", 73, 180, 231, 19, "https://tessarine.example/\r"},
  };
  const auto& controls = window->Controls();
  ASSERT_EQ(controls.size(), std::size(rows));
  for (size_t i = 0; i < controls.size(); ++i) {
    const ControlRow& row = rows[i];
    RectControl* control = controls[i].get();
    SCOPED_TRACE(row.name);
    EXPECT_EQ(control->Name(), row.name);
    EXPECT_EQ(control->TabIndex(), static_cast<int>(i));
    EXPECT_EQ(control->InitialParent(), nullptr);
    EXPECT_EQ(control->Left(), row.left);
    EXPECT_EQ(control->Top(), row.top);
    EXPECT_EQ(control->Width(), row.width);
    EXPECT_EQ(control->Height(), row.height);
    if (!dynamic_cast<Canvas*>(control)) {
      ExpectTextSize(control->NativeWidget(), dynamic_cast<StaticText*>(control) ? 10 : 0);
      ExpectCaptionFits(control->NativeWidget());
    }
    if (auto* radio = dynamic_cast<RadioButton*>(control)) {
      EXPECT_EQ(radio->Caption(), row.text);
      EXPECT_FALSE(radio->Value());
      EXPECT_TRUE(control->LockLeft() && control->LockTop() && !control->LockRight() && !control->LockBottom());
    } else if (auto* push = dynamic_cast<PushButton*>(control)) {
      EXPECT_EQ(push->Caption(), row.text);
      EXPECT_TRUE(!control->LockLeft() && !control->LockTop() && control->LockRight() && control->LockBottom());
    } else if (auto* label = dynamic_cast<StaticText*>(control)) {
      EXPECT_EQ(label->Text(), row.text);
      EXPECT_TRUE(label->Multiline());
      EXPECT_TRUE(control->LockLeft() && !control->LockTop() && control->LockRight() && control->LockBottom());
    } else {
      EXPECT_NE(dynamic_cast<Canvas*>(control), nullptr);
      EXPECT_TRUE(control->LockLeft() && !control->LockTop() && !control->LockRight() && control->LockBottom());
    }
  }
  EXPECT_EQ(window->LblLink()->TextColor(), RGB(32, 16, 245));
  EXPECT_EQ(window->LblInfo()->TextColor(), RGB(0, 0, 0));
}

TEST_F(WndOptionsTest, TheEightButtonsAreOneExclusiveGroup) {
  window->RbnInDesignCS()->SetValue(true);
  window->RbnInCopyCS4()->SetValue(true);
  EXPECT_FALSE(window->RbnInDesignCS()->Value());
  window->RbnInDesignCS2()->Push();
  EXPECT_FALSE(window->RbnInCopyCS4()->Value());
  int selected = 0;
  for (int c = kIDCS; c <= kICCS4; ++c) selected += Button(static_cast<Choice>(c))->Value() ? 1 : 0;
  EXPECT_EQ(selected, 1);
}

TEST_F(WndOptionsTest, NothingUsableGivesMinusOneWithoutAWindow) {
  Configure({kIDCS, kICCS, kIDCS2, kICCS2, kIDCS3, kICCS3, kIDCS4, kICCS4});
  Outcome outcome = Choose(7);
  EXPECT_EQ(outcome.version, -1);
  EXPECT_TRUE(outcome.useInDesign);
  EXPECT_FALSE(outcome.shown);
  EXPECT_EQ(EnabledStates(), std::vector<bool>(8, false));

  LivePreferences().fInDesignCSPath = "";
  LivePreferences().fInCopyCSPath = "relative/path";
  for (Choice c : {kIDCS2, kICCS2, kIDCS3, kICCS3, kIDCS4, kICCS4}) std::filesystem::remove(posix[c]);
  outcome = Choose(3);
  EXPECT_EQ(outcome.version, -1);
  EXPECT_FALSE(outcome.shown);
}

TEST_F(WndOptionsTest, OneUsableApplicationGivesTheDocumentsOwnVersionWithoutAWindow) {
  Configure({kICCS4});
  Outcome outcome = Choose(4);
  EXPECT_EQ(outcome.version, 4);
  EXPECT_TRUE(outcome.useInDesign);  // even though the one application is an InCopy
  EXPECT_FALSE(outcome.shown);
  EXPECT_EQ(EnabledStates(), (std::vector<bool>{false, false, false, false, false, false, false, true}));

  // A configured application that is gone does not count; the one left gives the document's own
  // code, here -1.
  Configure({kIDCS3, kICCS3});
  std::filesystem::remove(posix[kIDCS3]);
  std::filesystem::remove(posix[kICCS4]);
  outcome = Choose(-1);
  EXPECT_EQ(outcome.version, -1);
  EXPECT_FALSE(outcome.shown);
  EXPECT_FALSE(window->RbnInDesignCS3()->Enabled());
  EXPECT_TRUE(window->RbnInCopyCS3()->Enabled());
}

struct EnablingCase {
  int32_t docVersion;
  std::vector<bool> enabled;
};

class WndOptionsEnabling : public WndOptionsTest, public ::testing::WithParamInterface<EnablingCase> {};

TEST_P(WndOptionsEnabling, EnablesThePresentApplicationsOfTheDocumentsVersionAndNewer) {
  Configure({kIDCS, kICCS, kIDCS2, kICCS2, kIDCS3, kICCS3, kIDCS4, kICCS4});
  std::vector<bool> seen;
  const Outcome outcome = Choose(GetParam().docVersion, [&] { seen = EnabledStates(); });
  EXPECT_TRUE(outcome.shown);
  EXPECT_EQ(seen, GetParam().enabled);
  EXPECT_EQ(outcome.version, -1);  // cancelled
  EXPECT_TRUE(outcome.useInDesign);
  EXPECT_TRUE(WndOptionsTestAccess::Canceled(*window));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, WndOptionsEnabling,
    ::testing::Values(EnablingCase{-1, std::vector<bool>(8, true)}, EnablingCase{0, std::vector<bool>(8, true)},
                      EnablingCase{2, std::vector<bool>(8, true)}, EnablingCase{3, std::vector<bool>(8, true)},
                      EnablingCase{4, {false, false, true, true, true, true, true, true}},
                      EnablingCase{5, {false, false, false, false, true, true, true, true}},
                      EnablingCase{6, {false, false, false, false, false, false, true, true}}),
    [](const ::testing::TestParamInfo<EnablingCase>& info) {
      const int32_t v = info.param.docVersion;
      return v < 0 ? "DocMinus" + std::to_string(-v) : "Doc" + std::to_string(v);
    });

TEST_F(WndOptionsTest, PreselectsTheDefaultApplicationOfTheLowestUsableVersion) {
  Configure({kIDCS3, kICCS3, kIDCS4});
  LivePreferences().fCS3DefaultInDesign = false;
  std::vector<bool> enabled;
  const Outcome outcome = Choose(5, [&] {
    enabled = EnabledStates();
    EXPECT_TRUE(window->RbnInCopyCS3()->Value());
    EXPECT_FALSE(window->RbnInDesignCS3()->Value());
    EXPECT_FALSE(WndOptionsTestAccess::Canceled(*window));
    window->BtnOK()->Push();
  });
  EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, false, true, true, true, false}));
  EXPECT_TRUE(outcome.shown);
  EXPECT_EQ(outcome.version, 5);
  EXPECT_FALSE(outcome.useInDesign);
  EXPECT_FALSE(WndOptionsTestAccess::Canceled(*window));
  EXPECT_FALSE(window->Visible());
}

TEST_F(WndOptionsTest, LowerVersionWinsWhateverTheFlags) {
  Configure({kICCS2, kIDCS4});
  for (bool flag : {true, false}) {
    LivePreferences().fCS2DefaultInDesign = flag;
    LivePreferences().fCS4DefaultInDesign = flag;
    const Outcome outcome = Choose(3, [&] {
      EXPECT_TRUE(window->RbnInCopyCS2()->Value());
      EXPECT_FALSE(window->RbnInDesignCS4()->Value());
      window->BtnOK()->Push();
    });
    EXPECT_EQ(outcome.version, 4);
    EXPECT_FALSE(outcome.useInDesign);
  }
}

TEST_F(WndOptionsTest, OkReturnsTheButtonTheUserPicked) {
  Configure({kIDCS, kICCS, kIDCS2, kICCS2, kIDCS3, kICCS3, kIDCS4, kICCS4});
  Outcome outcome = Choose(3, [&] {
    EXPECT_TRUE(window->RbnInDesignCS()->Value());
    window->RbnInDesignCS4()->Push();
    window->BtnOK()->Push();
  });
  EXPECT_EQ(outcome.version, 6);
  EXPECT_TRUE(outcome.useInDesign);

  outcome = Choose(3, [&] {
    window->RbnInCopyCS2()->Push();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(window->NativeWidget(), &enter);
  });
  EXPECT_EQ(outcome.version, 4);
  EXPECT_FALSE(outcome.useInDesign);
}

TEST_F(WndOptionsTest, TabRunsDownTheInDesignColumnThroughOkAndCancelThenUpTheInCopyColumn) {
  Configure({kIDCS, kICCS, kIDCS2, kICCS2, kIDCS3, kICCS3, kIDCS4, kICCS4});
  std::vector<std::string> walk;
  Choose(3, [&] { walk = TabWalk(window, window->RbnInDesignCS(), 10); });
  EXPECT_EQ(walk, (std::vector<std::string>{"RbnInDesignCS", "RbnInDesignCS2", "RbnInDesignCS3", "RbnInDesignCS4",
                                            "BtnOK", "BtnCancel", "RbnInCopyCS4", "RbnInCopyCS3", "RbnInCopyCS2",
                                            "RbnInCopyCS", "RbnInDesignCS"}));
}

TEST_F(WndOptionsTest, CancelGivesMinusOneAndInDesign) {
  Configure({kIDCS2, kICCS2});
  const Outcome outcome = Choose(4, [&] {
    window->RbnInCopyCS2()->Push();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window->NativeWidget(), &escape);
  });
  EXPECT_TRUE(outcome.shown);
  EXPECT_EQ(outcome.version, -1);
  EXPECT_TRUE(outcome.useInDesign);
  EXPECT_TRUE(WndOptionsTestAccess::Canceled(*window));
}

TEST_F(WndOptionsTest, TheCloseBoxDoesNotEndTheRun) {
  Configure({kIDCS2, kICCS2});
  const Outcome outcome = Choose(4, [&] {
    window->NativeWidget()->close();
    EXPECT_TRUE(window->Visible());
    EXPECT_FALSE(window->IsClosed());
    window->BtnOK()->Push();
  });
  EXPECT_EQ(outcome.version, 4);
  EXPECT_TRUE(outcome.useInDesign);
  EXPECT_EQ(WndOptions::Instance(), window);
}

TEST_F(WndOptionsTest, EveryCallSetsEveryButtonsEnabledAnew) {
  Configure({kIDCS, kICCS, kIDCS2, kICCS2, kIDCS3, kICCS3, kIDCS4, kICCS4});
  Choose(3);
  for (Choice c : {kIDCS, kICCS, kIDCS2, kICCS2, kIDCS3, kIDCS4}) LivePreferences().*kPaths[c] = "";
  std::vector<bool> enabled;
  const Outcome outcome = Choose(3, [&] {
    enabled = EnabledStates();
    EXPECT_TRUE(window->RbnInCopyCS3()->Value());
    window->BtnOK()->Push();
  });
  EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, false, false, true, false, true}));
  EXPECT_EQ(outcome.version, 5);
  EXPECT_FALSE(outcome.useInDesign);
}

TEST_F(WndOptionsTest, TheApplicationsDecisionReadsMinusOneWhileTheChooserIsShown) {
  Configure({kIDCS4, kICCS4});
  App& app = *TestApp();
  int32_t& decision = AppTestAccess::SelectedVersion(app);
  decision = -2;
  bool chosenInDesign = false;
  int32_t seen = 0;
  ModalAnswer modal(window, [&] {
    seen = app.SelectedVersion();
    window->RbnInCopyCS4()->Push();
    window->BtnOK()->Push();
  });
  window->SelectInDesignVersion(6, decision, chosenInDesign);
  EXPECT_EQ(seen, -1);
  EXPECT_EQ(app.SelectedVersion(), 6);
  EXPECT_FALSE(chosenInDesign);
  decision = -2;
}

TEST_F(WndOptionsTest, LinkChangesColourAndOpensThePageWithoutLogging) {
  StaticText* link = window->LblLink();
  SendEnter(link->NativeWidget());
  EXPECT_EQ(link->TextColor(), RGB(245, 35, 73));
  SendMouse(link->NativeWidget(), QEvent::MouseButtonPress, QPointF(3, 3));
  SendMouse(link->NativeWidget(), QEvent::MouseButtonRelease, QPointF(400, -40));
  SendLeave(link->NativeWidget());
  EXPECT_EQ(link->TextColor(), RGB(32, 16, 245));
  EXPECT_EQ(fake->urls, std::vector<std::string>{"https://tessarine.example/"});
  EXPECT_TRUE(fake->log.empty());
}
