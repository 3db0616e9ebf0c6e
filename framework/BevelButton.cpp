#include "framework/BevelButton.h"

#include "framework/UnhandledException.h"

// Its view never takes the focus, neither by clicking nor by Tab; TabStop cannot give it back.
BevelButton::BevelButton(Window* window, std::string name)
    : RectControl(window, std::move(name), toolkit::ControlKind::BevelButton) {}

void BevelButton::ApplyToView() {
  RectControl::ApplyToView();
  ExistingView()->SetText(fCaption);
}

void BevelButton::SetCaption(const std::string& caption) {
  fCaption = caption;
  if (ExistingView()) ExistingView()->SetText(caption);
}

void BevelButton::Push() {
  if (TakesClicks()) ViewClicked();
}

void BevelButton::ViewClicked() {
  if (Action) UnhandledException::Guard(Action);
}
