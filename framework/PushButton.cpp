#include "framework/PushButton.h"

#include <QPushButton>

#include "framework/UnhandledException.h"
#include "framework/Window.h"

namespace {
QPushButton* Button(QWidget* widget) { return static_cast<QPushButton*>(widget); }
}  // namespace

PushButton::PushButton(Window* window, std::string name)
    : RectControl(window, std::move(name), std::make_unique<QPushButton>()) {
  // Return and Escape are the window's (default and cancel button), not the focused button's.
  Button(NativeWidget())->setAutoDefault(false);
  QObject::connect(Button(NativeWidget()), &QPushButton::clicked, NativeWidget(), [this] {
    if (Action) UnhandledException::Guard(Action);
  });
}

std::string PushButton::Caption() const {
  return NativeWidget() ? Button(NativeWidget())->text().toStdString() : std::string();
}

void PushButton::SetCaption(const std::string& caption) {
  if (NativeWidget()) Button(NativeWidget())->setText(QString::fromStdString(caption));
}

void PushButton::SetDefault(bool isDefault) {
  fDefault = isDefault;
  if (NativeWidget()) Button(NativeWidget())->setDefault(isDefault);
  Window* window = GetWindow();
  if (!window) return;
  if (isDefault) {
    window->SetDefaultButton(this);
  } else if (window->DefaultButton() == this) {
    window->SetDefaultButton(nullptr);
  }
}

void PushButton::SetCancel(bool isCancel) {
  fCancel = isCancel;
  Window* window = GetWindow();
  if (!window) return;
  if (isCancel) {
    window->SetCancelButton(this);
  } else if (window->CancelButton() == this) {
    window->SetCancelButton(nullptr);
  }
}

void PushButton::Push() {
  // click() does nothing for a disabled button, also one disabled through its parents.
  if (NativeWidget()) Button(NativeWidget())->click();
}
