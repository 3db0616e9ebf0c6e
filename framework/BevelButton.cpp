#include "framework/BevelButton.h"

#include <QToolButton>

#include "framework/UnhandledException.h"

namespace {

QToolButton* Button(QWidget* widget) { return static_cast<QToolButton*>(widget); }

std::unique_ptr<QWidget> MakeButton() {
  auto button = std::make_unique<QToolButton>();
  // Never the keyboard focus, neither by clicking nor by Tab; TabStop cannot give it back, as the
  // control's own focus policy is this one.
  button->setFocusPolicy(Qt::NoFocus);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setAutoRaise(false);
  return button;
}

}  // namespace

BevelButton::BevelButton(Window* window, std::string name)
    : RectControl(window, std::move(name), MakeButton()) {
  QObject::connect(Button(NativeWidget()), &QToolButton::clicked, NativeWidget(), [this] {
    if (Action) UnhandledException::Guard(Action);
  });
}

std::string BevelButton::Caption() const {
  return NativeWidget() ? Button(NativeWidget())->text().toStdString() : std::string();
}

void BevelButton::SetCaption(const std::string& caption) {
  if (NativeWidget()) Button(NativeWidget())->setText(QString::fromStdString(caption));
}

void BevelButton::Push() {
  if (NativeWidget()) Button(NativeWidget())->click();
}
