#include "framework/CheckBox.h"

#include <QCheckBox>

#include "framework/UnhandledException.h"

namespace {
QCheckBox* Box(QWidget* widget) { return static_cast<QCheckBox*>(widget); }
}  // namespace

CheckBox::CheckBox(Window* window, std::string name)
    : RectControl(window, std::move(name), std::make_unique<QCheckBox>()) {
  // clicked is the user's change (or Push); setChecked from SetValue does not emit it.
  QObject::connect(Box(NativeWidget()), &QCheckBox::clicked, NativeWidget(), [this] {
    if (Action) UnhandledException::Guard(Action);
  });
}

std::string CheckBox::Caption() const {
  return NativeWidget() ? Box(NativeWidget())->text().toStdString() : std::string();
}

void CheckBox::SetCaption(const std::string& caption) {
  if (NativeWidget()) Box(NativeWidget())->setText(QString::fromStdString(caption));
}

bool CheckBox::Value() const { return NativeWidget() && Box(NativeWidget())->isChecked(); }

void CheckBox::SetValue(bool value) {
  if (NativeWidget()) Box(NativeWidget())->setChecked(value);
}

void CheckBox::Push() {
  if (NativeWidget()) Box(NativeWidget())->click();
}
