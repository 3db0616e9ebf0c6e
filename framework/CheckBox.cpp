#include "framework/CheckBox.h"

#include "framework/UnhandledException.h"

CheckBox::CheckBox(Window* window, std::string name)
    : RectControl(window, std::move(name), toolkit::ControlKind::CheckBox) {}

void CheckBox::ApplyToView() {
  RectControl::ApplyToView();
  ExistingView()->SetText(fCaption);
  ExistingView()->SetValue(fValue);
}

void CheckBox::SetCaption(const std::string& caption) {
  fCaption = caption;
  if (ExistingView()) ExistingView()->SetText(caption);
}

// Only the user's change (or Push) runs Action; the program's does not.
void CheckBox::SetValue(bool value) {
  fValue = value;
  if (ExistingView()) ExistingView()->SetValue(value);
}

void CheckBox::Push() {
  if (!TakesClicks()) return;
  SetValue(!fValue);
  ViewClicked();
}

void CheckBox::ViewClicked() {
  if (Action) UnhandledException::Guard(Action);
}
