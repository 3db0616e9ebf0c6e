#include "framework/GroupBox.h"

#include <QGroupBox>

namespace {
QGroupBox* Box(QWidget* widget) { return static_cast<QGroupBox*>(widget); }
}  // namespace

// Its children are child widgets, so Qt disables them with the box.
GroupBox::GroupBox(Window* window, std::string name)
    : RectControl(window, std::move(name), std::make_unique<QGroupBox>()) {}

std::string GroupBox::Caption() const {
  return NativeWidget() ? Box(NativeWidget())->title().toStdString() : std::string();
}

void GroupBox::SetCaption(const std::string& caption) {
  if (NativeWidget()) Box(NativeWidget())->setTitle(QString::fromStdString(caption));
}
