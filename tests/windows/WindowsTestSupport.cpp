#include "WindowsTestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QStyleOptionToolButton>
#include <QToolButton>

#include <cstdlib>
#include <memory>

#include "support/TempDir.h"
#include "core/App.h"
#include "core/FileTypes1.h"
#include "framework/RectControl.h"

App* TestApp() {
  // The live record loads the preferences file once: from an empty folder of our own, never the
  // user's.
  static TempDir configHome;
  static App* made = nullptr;
  // A whole program run registers an application object of its own, which replaces this one.
  if (made == nullptr || Application::Current() != made) {
    setenv("XDG_CONFIG_HOME", configHome.path().c_str(), 1);
    FileTypes1::Initialize();
    Application::Register(std::make_unique<App>());
    made = App::Instance();
  }
  return made;
}

CPreferences& LivePreferences() { return *TestApp()->GetLoadedPreferences(); }

std::vector<std::string> TabWalk(Window* window, RectControl* first, int presses) {
  const auto focused = [window] {
    for (const auto& control : window->Controls()) {
      if (control->NativeWidget() == QApplication::focusWidget()) return control->Name();
    }
    return std::string("?");
  };
  QApplication::setActiveWindow(window->NativeWidget());
  first->NativeWidget()->setFocus(Qt::TabFocusReason);
  std::vector<std::string> names{focused()};
  for (int i = 0; i < presses && QApplication::focusWidget(); ++i) {
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(QApplication::focusWidget(), &tab);
    names.push_back(focused());
  }
  return names;
}

void DiscardWindow(Window* window) {
  if (window) window->Close();
  // Closed windows are deleted as deferred deletions; outside an event loop they wait for this.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

namespace {

// Where the widget's style draws its caption, as its paint code asks the style for it.
QRect CaptionArea(QWidget* widget, const QString& text, int& flags) {
  QStyle* style = widget->style();
  flags = Qt::TextShowMnemonic;
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    return label->contentsRect();
  }
  if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = text;
    option.textAlignment = group->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.lineWidth = 1;
    flags |= Qt::AlignLeft | Qt::AlignVCenter;
    return style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
  }
  if (auto* tool = qobject_cast<QToolButton*>(widget)) {
    QStyleOptionToolButton option;
    option.initFrom(tool);
    option.text = text;
    option.toolButtonStyle = tool->toolButtonStyle();
    option.subControls = QStyle::SC_ToolButton;
    // The label goes inside the button's frame.
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, tool);
    flags |= Qt::AlignCenter;
    return style->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButton, tool)
        .adjusted(frame, frame, -frame, -frame);
  }
  auto* button = qobject_cast<QAbstractButton*>(widget);
  if (!button) return {};
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = text;
  if (auto* push = qobject_cast<QPushButton*>(button)) {
    if (push->isDefault()) option.features |= QStyleOptionButton::DefaultButton;
    if (push->autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
    flags |= Qt::AlignCenter;
    return style->subElementRect(QStyle::SE_PushButtonContents, &option, push);
  }
  flags |= Qt::AlignLeft | Qt::AlignVCenter;
  const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
  return style->subElementRect(radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, button);
}

QString CaptionOf(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  return {};
}

}  // namespace

void ExpectCaptionFits(QWidget* widget) {
  ASSERT_NE(widget, nullptr);
  QString text = CaptionOf(widget);
  while (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  ASSERT_FALSE(text.isEmpty()) << "no caption to measure";
  int flags = 0;
  const QRect area = CaptionArea(widget, text, flags);
  ASSERT_FALSE(area.isEmpty()) << "no caption area";
  const QFontMetrics metrics(widget->font());
  // Unbounded, so that a caption wider than its area shows as wider.
  const QRect needed = metrics.boundingRect(QRect(area.topLeft(), QSize(area.width(), 100000)), flags, text);
  const int width = (flags & Qt::TextWordWrap) ? needed.width() : metrics.horizontalAdvance(text);
  EXPECT_LE(width, area.width()) << "\"" << text.toStdString() << "\" in " << widget->font().toString().toStdString();
  EXPECT_LE(needed.height(), area.height()) << "\"" << text.toStdString() << "\"";
  EXPECT_TRUE(widget->rect().contains(area)) << "caption area outside the widget";
}
