#pragma once
// Shared by the window, control and menu tests: windows that report their construction and
// deletion, and a fixture that leaves no window behind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/Window.h"
#include "support/TestTime.h"

class ProbeWindow : public Window {
 public:
  ProbeWindow(std::string className, bool* destroyed) : Window(std::move(className)), fDestroyed(destroyed) {}
  ~ProbeWindow() override {
    if (fDestroyed) *fDestroyed = true;
  }

  std::function<void(ProbeWindow&)> onLayout;
  std::function<void(ProbeWindow&)> onCreateControls;

  template <class C>
  C* Add(const std::string& name, int left, int top, int width, int height) {
    C* control = AddControl(std::make_unique<C>(this, name));
    control->SetBounds(left, top, width, height);
    return control;
  }

 protected:
  void Layout() override {
    if (onLayout) onLayout(*this);
  }
  void CreateControls() override {
    if (onCreateControls) onCreateControls(*this);
  }

 private:
  bool* fDestroyed;
};

class WindowFixture : public ::testing::Test {
 protected:
  // A new window, not yet constructed (Constructor not run).
  ProbeWindow* NewWindow(const std::string& className) {
    auto destroyed = std::make_unique<bool>(false);
    auto* window = new ProbeWindow(className, destroyed.get());
    fWindows.push_back({window, std::move(destroyed)});
    return window;
  }

  ProbeWindow* MakeWindow(const std::string& className, int width = 300, int height = 200) {
    ProbeWindow* window = NewWindow(className);
    window->onLayout = [width, height](ProbeWindow& w) {
      w.SetWidth(width);
      w.SetHeight(height);
      w.SetResizeable(false);
    };
    window->Constructor();
    return window;
  }

  bool Destroyed(Window* window) const {
    for (const auto& entry : fWindows) {
      if (entry.window == window) return *entry.destroyed;
    }
    return false;
  }

  // Deletions scheduled by Close happen when control is back in the loop that scheduled them;
  // the test body is that level.
  static void ReapClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  // Runs window modally; answer runs from the event loop once the run has started. A run that is
  // not ended within seconds is ended here and counts as a failure.
  static void RunModal(Window* window, std::function<void()> answer) {
    bool ended = false;
    QTimer::singleShot(0, window->NativeWidget(), std::move(answer));
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [window, &ended] {
      if (!ended) {
        ADD_FAILURE() << "the modal run did not end";
        window->Hide();
      }
    });
    safety.start(static_cast<int>(TestTime::Scaled(5000)));
    window->ShowModal();
    ended = true;
  }

  void TearDown() override {
    for (auto& entry : fWindows) {
      if (!*entry.destroyed && !entry.window->IsClosed()) entry.window->Close();
    }
    ReapClosedWindows();
    for (auto& entry : fWindows) {
      EXPECT_TRUE(*entry.destroyed) << "a closed window was not deleted";
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      EXPECT_FALSE(widget->isVisible()) << "a window was left open";
    }
  }

 private:
  struct Entry {
    Window* window;
    std::unique_ptr<bool> destroyed;
  };
  std::vector<Entry> fWindows;
};
