#include "framework/GroupBox.h"

// The controls inside it have its view for parent, so the toolkit disables them with the box.
GroupBox::GroupBox(Window* window, std::string name)
    : RectControl(window, std::move(name), toolkit::ControlKind::GroupBox) {}

void GroupBox::ApplyToView() {
  RectControl::ApplyToView();
  ExistingView()->SetText(fCaption);
}

void GroupBox::SetCaption(const std::string& caption) {
  fCaption = caption;
  if (ExistingView()) ExistingView()->SetText(caption);
}
