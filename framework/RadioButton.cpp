#include "framework/RadioButton.h"

#include "framework/UnhandledException.h"

#include "framework/Window.h"

RadioButton::RadioButton(Window* window, std::string name)
    : RectControl(window, std::move(name), toolkit::ControlKind::RadioButton) {}

void RadioButton::ApplyToView() {
  RectControl::ApplyToView();
  ExistingView()->SetText(fCaption);
  ExistingView()->SetValue(fValue);
}

void RadioButton::SetCaption(const std::string& caption) {
  fCaption = caption;
  if (ExistingView()) ExistingView()->SetText(caption);
}

void RadioButton::SetValue(bool value) {
  if (value && GetWindow()) {
    for (const auto& control : GetWindow()->Controls()) {
      auto* other = dynamic_cast<RadioButton*>(control.get());
      if (other && other != this && other->InitialParent() == InitialParent() && other->fValue) {
        other->SetValue(false);
      }
    }
  }
  fValue = value;
  // The view may clear even the selected button of its group: the program may.
  if (ExistingView()) ExistingView()->SetValue(value);
}

void RadioButton::Push() {
  if (!TakesClicks()) return;
  SetValue(true);
  ViewClicked();
}

void RadioButton::ViewClicked() {
  if (Action) UnhandledException::Guard(Action);
}
