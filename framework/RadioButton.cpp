#include "framework/RadioButton.h"

#include <QRadioButton>

#include "framework/UnhandledException.h"

namespace {
QRadioButton* Button(QWidget* widget) { return static_cast<QRadioButton*>(widget); }
}  // namespace

// Qt's auto-exclusivity groups the radio buttons of one parent widget, which is the rule here: the
// window's content area, or a group box.
RadioButton::RadioButton(Window* window, std::string name)
    : RectControl(window, std::move(name), std::make_unique<QRadioButton>()) {
  // clicked comes from the user (or Push), also on the selected button; never from SetValue.
  QObject::connect(Button(NativeWidget()), &QRadioButton::clicked, NativeWidget(), [this] {
    if (Action) UnhandledException::Guard(Action);
  });
}

std::string RadioButton::Caption() const {
  return NativeWidget() ? Button(NativeWidget())->text().toStdString() : std::string();
}

void RadioButton::SetCaption(const std::string& caption) {
  if (NativeWidget()) Button(NativeWidget())->setText(QString::fromStdString(caption));
}

bool RadioButton::Value() const { return NativeWidget() && Button(NativeWidget())->isChecked(); }

void RadioButton::SetValue(bool value) {
  QRadioButton* button = NativeWidget() ? Button(NativeWidget()) : nullptr;
  if (!button) return;
  if (value) {
    button->setChecked(true);
    return;
  }
  // Qt refuses to clear the checked button of an exclusive group; the program may.
  button->setAutoExclusive(false);
  button->setChecked(false);
  button->setAutoExclusive(true);
}

void RadioButton::Push() {
  if (NativeWidget()) Button(NativeWidget())->click();
}
