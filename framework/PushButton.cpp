#include "framework/PushButton.h"

#include "framework/UnhandledException.h"

#include "framework/Window.h"

PushButton::PushButton(Window* window, std::string name)
    : RectControl(window, std::move(name), toolkit::ControlKind::PushButton) {}

void PushButton::ApplyToView() {
  RectControl::ApplyToView();
  ExistingView()->SetText(fCaption);
  ExistingView()->SetDefault(fDefault);
}

void PushButton::SetCaption(const std::string& caption) {
  fCaption = caption;
  if (ExistingView()) ExistingView()->SetText(caption);
}

void PushButton::SetDefault(bool isDefault) {
  fDefault = isDefault;
  if (ExistingView()) ExistingView()->SetDefault(isDefault);
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

// A disabled button, also one disabled through its group box, takes no click.
void PushButton::Push() {
  if (TakesClicks()) ViewClicked();
}

void PushButton::ViewClicked() {
  if (Action) UnhandledException::Guard(Action);
}
