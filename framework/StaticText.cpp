#include "framework/StaticText.h"

StaticText::StaticText(Window* window, std::string name)
    : RectControl(window, std::move(name), toolkit::ControlKind::Label) {}

void StaticText::ApplyToView() {
  RectControl::ApplyToView();
  toolkit::ControlView* view = ExistingView();
  view->SetTextAlign(fTextAlign);
  view->SetTextColor(fTextColor);
  view->SetMultiline(fMultiline);
  view->SetText(fText);
}

void StaticText::SetText(const std::string& text) {
  fText = text;
  if (ExistingView()) ExistingView()->SetText(text);
}

void StaticText::SetTextColor(Color color) {
  fTextColor = color;
  if (ExistingView()) ExistingView()->SetTextColor(color);
}

void StaticText::SetMultiline(bool multiline) {
  fMultiline = multiline;
  if (ExistingView()) ExistingView()->SetMultiline(multiline);
}

void StaticText::SetTextAlign(int align) {
  fTextAlign = align == 1 || align == 2 ? align : 0;
  if (ExistingView()) ExistingView()->SetTextAlign(fTextAlign);
}
