#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTest>
#include <QVBoxLayout>

#include "WindowFixture.h"
#include "framework/CheckBox.h"
#include "framework/MenuItem.h"
#include "framework/PushButton.h"
#include "framework/Runtime.h"

namespace {

class WindowTest : public WindowFixture {};

TEST_F(WindowTest, ConstructorRunsLayoutThenControlsAndRegistersTheHiddenWindow) {
  std::vector<std::string> calls;
  ProbeWindow* window = NewWindow("Probe.Construct");
  window->onLayout = [&](ProbeWindow& w) {
    calls.push_back("Layout");
    EXPECT_EQ(GetImplicitWindow("Probe.Construct"), nullptr);
    w.SetTitle("Probe");
  };
  window->onCreateControls = [&](ProbeWindow&) { calls.push_back("CreateControls"); };
  window->Constructor();

  EXPECT_EQ(calls, (std::vector<std::string>{"Layout", "CreateControls"}));
  EXPECT_EQ(GetImplicitWindow("Probe.Construct"), window);
  EXPECT_FALSE(window->Visible());
  EXPECT_FALSE(window->NativeWidget()->isVisible());
  EXPECT_EQ(window->Title(), "Probe");
}

TEST_F(WindowTest, FixedWindowHasExactlyItsContentSizeAndCannotBeResized) {
  ProbeWindow* window = MakeWindow("Probe.Size", 705, 525);
  EXPECT_EQ(window->Width(), 705);
  EXPECT_EQ(window->Height(), 525);
  window->Show();
  ASSERT_TRUE(window->Visible());
  EXPECT_EQ(window->ContentWidget()->size(), QSize(705, 525));
  // Fixed: the window cannot be resized at all.
  EXPECT_EQ(window->NativeWidget()->minimumSize(), window->NativeWidget()->maximumSize());
  EXPECT_FALSE(window->NativeWidget()->windowFlags() & Qt::WindowMaximizeButtonHint);
  window->Hide();
}

TEST_F(WindowTest, ResizeableWindowReportsTheContentSizeTheUserGivesIt) {
  MenuBar bar;
  ProbeWindow* window = NewWindow("Probe.Resize");
  window->onLayout = [&](ProbeWindow& w) {
    w.SetMenuBar(&bar);
    w.SetWidth(400);
    w.SetHeight(300);
    w.SetMinWidth(200);
    w.SetMinHeight(150);
  };
  window->Constructor();
  window->Show();
  EXPECT_EQ(window->ContentWidget()->size(), QSize(400, 300));
  const int menuHeight = window->NativeWidget()->height() - 300;
  window->NativeWidget()->resize(500, 350 + menuHeight);
  EXPECT_EQ(window->Width(), 500);
  EXPECT_EQ(window->Height(), 350);
  window->NativeWidget()->resize(100, 100);  // not below the minimum
  EXPECT_EQ(window->Width(), 200);
  EXPECT_EQ(window->Height(), 150);
  window->Hide();
  window->Close();
  ReapClosedWindows();
}

TEST_F(WindowTest, HidingFromATimerEndsTheModalRun) {
  ProbeWindow* window = MakeWindow("Probe.Hide");
  bool wasModal = false;
  RunModal(window, [&] {
    wasModal = window->IsModalRunning() && QApplication::activeModalWidget() == window->NativeWidget();
    window->Hide();
  });
  EXPECT_TRUE(wasModal);
  EXPECT_FALSE(window->Visible());
  EXPECT_FALSE(window->IsModalRunning());
  EXPECT_FALSE(window->IsClosed());
  EXPECT_EQ(GetImplicitWindow("Probe.Hide"), window);
  // Shown again afterwards, it is an ordinary window.
  window->Show();
  EXPECT_FALSE(window->NativeWidget()->isModal());
  window->SetVisible(false);
}

TEST_F(WindowTest, HidingTheWindowInsideItsOwnNestedRunEndsBothRuns) {
  ProbeWindow* window = MakeWindow("Probe.Nested");
  int innerReturns = 0;
  RunModal(window, [&] {
    QTimer::singleShot(0, [&] { window->SetVisible(false); });
    window->ShowModal();
    ++innerReturns;
  });
  EXPECT_EQ(innerReturns, 1);
  EXPECT_FALSE(window->Visible());
}

TEST_F(WindowTest, CloseBoxEndsTheRunAndReleasesTheImplicitInstance) {
  ProbeWindow* window = MakeWindow("Probe.CloseBox");
  RunModal(window, [&] {
    window->NativeWidget()->close();
    // The modal loop may hand out deferred deletions before it returns.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(Destroyed(window));
  });
  EXPECT_TRUE(window->IsClosed());
  EXPECT_FALSE(window->Visible());
  EXPECT_EQ(GetImplicitWindow("Probe.CloseBox"), nullptr);
  // Still there for whoever ran ShowModal: it goes once control is back in the event loop.
  EXPECT_FALSE(Destroyed(window));
  window->ShowModal();  // a closed window does not run again
  ReapClosedWindows();
  EXPECT_TRUE(Destroyed(window));

  ProbeWindow* next = MakeWindow("Probe.CloseBox");
  EXPECT_EQ(GetImplicitWindow("Probe.CloseBox"), next);
  EXPECT_FALSE(next->Visible());
}

TEST_F(WindowTest, CloseFromAHandlerOfTheWindowDeletesItOnlyAfterwards) {
  ProbeWindow* window = MakeWindow("Probe.CloseInHandler");
  auto* button = window->Add<PushButton>("BtnClose", 10, 10, 80, 20);
  bool aliveAfterClose = false;
  button->Action = [&] {
    window->Close();
    aliveAfterClose = !Destroyed(window);
  };
  window->Show();
  QEventLoop loop;
  QTimer::singleShot(0, [&] { button->Push(); });
  QTimer::singleShot(50, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_TRUE(aliveAfterClose);
  EXPECT_TRUE(Destroyed(window));
}

TEST_F(WindowTest, WindowWithoutCloseBoxIgnoresCloseRequests) {
  ProbeWindow* window = NewWindow("Probe.NoCloseBox");
  window->onLayout = [](ProbeWindow& w) { w.SetCloseButton(false); };
  window->Constructor();
  EXPECT_FALSE(window->NativeWidget()->windowFlags() & Qt::WindowCloseButtonHint);
  window->Show();
  window->NativeWidget()->close();
  EXPECT_TRUE(window->Visible());
  EXPECT_FALSE(window->IsClosed());
  EXPECT_EQ(GetImplicitWindow("Probe.NoCloseBox"), window);
  window->Hide();
}

TEST_F(WindowTest, QuitEndsTheModalRunAndLaterRunsReturnAtOnce) {
  ProbeWindow* window = MakeWindow("Probe.Quit");
  bool ranAfterQuit = true;
  RunModal(window, [&] {
    Runtime::RequestQuit(0);
    ranAfterQuit = false;
  });
  EXPECT_FALSE(ranAfterQuit);
  EXPECT_TRUE(Runtime::IsQuitting());
  EXPECT_FALSE(window->IsModalRunning());
  window->Hide();
  window->ShowModal();  // quitting: returns without showing the window
  EXPECT_FALSE(window->Visible());
  Runtime::ProcessEvents(0);  // outside a run, the next events start afresh
  EXPECT_FALSE(Runtime::IsQuitting());
}

class KeyTest : public WindowFixture {
 protected:
  void SetUp() override {
    window = MakeWindow("Probe.Keys");
    ok = window->Add<PushButton>("BtnOK", 200, 160, 80, 20);
    cancel = window->Add<PushButton>("BtnCancel", 110, 160, 80, 20);
    check = window->Add<CheckBox>("Chk", 10, 10, 150, 20);
    ok->SetDefault(true);
    cancel->SetCancel(true);
    ok->Action = [this] {
      ++okPresses;
      window->Hide();
    };
    cancel->Action = [this] {
      ++cancelPresses;
      window->Hide();
    };
  }

  ProbeWindow* window = nullptr;
  PushButton* ok = nullptr;
  PushButton* cancel = nullptr;
  CheckBox* check = nullptr;
  int okPresses = 0, cancelPresses = 0;
};

TEST_F(KeyTest, ReturnAndEnterPressTheDefaultButtonFromAFocusedControl) {
  EXPECT_EQ(window->DefaultButton(), ok);
  EXPECT_EQ(window->CancelButton(), cancel);
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    RunModal(window, [&] {
      check->NativeWidget()->setFocus();
      QTest::keyClick(check->NativeWidget(), key);
    });
  }
  EXPECT_EQ(okPresses, 2);
  EXPECT_EQ(cancelPresses, 0);
  EXPECT_FALSE(check->Value());
}

TEST_F(KeyTest, EscapePressesTheCancelButtonEvenWhenTheDefaultHasFocus) {
  RunModal(window, [&] {
    ok->NativeWidget()->setFocus();
    QTest::keyClick(ok->NativeWidget(), Qt::Key_Escape);
  });
  EXPECT_EQ(cancelPresses, 1);
  EXPECT_EQ(okPresses, 0);
}

TEST_F(KeyTest, ReturnDoesNothingWhileTheDefaultButtonIsDisabled) {
  ok->SetEnabled(false);
  window->Show();
  QTest::keyClick(window->NativeWidget(), Qt::Key_Return);
  EXPECT_EQ(okPresses, 0);
  EXPECT_TRUE(window->Visible());
  ok->SetDefault(false);
  EXPECT_EQ(window->DefaultButton(), nullptr);
  window->Hide();
}

}  // namespace
