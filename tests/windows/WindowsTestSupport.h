#pragma once
// Shared by the window tests: the application object they need, modal runs answered from a timer,
// and mouse events for the link labels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "framework/Window.h"
#include "support/TestTime.h"

class App;
class RectControl;
class CPreferences;

// The registered App (made on first use, and again after a program run replaced it; its
// preferences folder a temporary one) and the program's file types.
App* TestApp();
// The live record of TestApp(), for the chooser.
CPreferences& LivePreferences();

// Runs answer once the modal run that the next call starts is under way; a guard hides window
// (failing the test) if the run is still going after a few seconds, so a broken answer cannot
// hang the suite.
class ModalAnswer {
 public:
  ModalAnswer(Window* window, std::function<void()> answer) {
    // Timers of this object's own, so that an answer whose run never started dies with it.
    fAnswer.setSingleShot(true);
    QObject::connect(&fAnswer, &QTimer::timeout, std::move(answer));
    fAnswer.start(0);
    fGuard.setSingleShot(true);
    QObject::connect(&fGuard, &QTimer::timeout, [window] {
      if (window->IsModalRunning()) {
        ADD_FAILURE() << "the modal run was not ended";
        window->Hide();
      }
    });
    fGuard.start(static_cast<int>(TestTime::Scaled(5000)));
  }

 private:
  QTimer fAnswer;
  QTimer fGuard;
};

inline void SendEnter(QWidget* widget) {
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QCoreApplication::sendEvent(widget, &enter);
}

inline void SendLeave(QWidget* widget) {
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(widget, &leave);
}

inline void SendMouse(QWidget* widget, QEvent::Type type, QPointF at) {
  const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
  QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

// A design text size: 0 is the platform's standard size, any other counts pixels.
inline void ExpectTextSize(QWidget* widget, int designSize) {
  const QFont font = widget->font();
  if (designSize > 0) {
    EXPECT_EQ(font.pixelSize(), designSize);
  } else {
    EXPECT_DOUBLE_EQ(font.pointSizeF(), QApplication::font().pointSizeF());
  }
  EXPECT_FALSE(font.bold());
  EXPECT_FALSE(font.italic());
  EXPECT_FALSE(font.underline());
}

// The widget's caption, measured with the font the widget shows it in, fits the area where its
// style draws it (a button's without the indicator and margins, a group box's title beside the
// frame), and that area lies within the widget: nothing of the caption is cut. A multi-line
// label's text fits when word-wrapped; its trailing line breaks show nothing.
void ExpectCaptionFits(QWidget* widget);

// The names of the controls that the keyboard focus visits: first, then after each of presses
// presses of Tab ("?" for a widget that is none of the window's controls). The window is shown.
std::vector<std::string> TabWalk(Window* window, RectControl* first, int presses);

// Closes the window as the program never does, and lets the framework delete it, so that the
// next test starts from a new instance.
void DiscardWindow(Window* window);
