#include "framework/RectControl.h"

#include "framework/Window.h"

RectControl::RectControl(Window* window, std::string name, toolkit::ControlKind kind)
    : fWindow(window), fName(std::move(name)), fKind(kind) {}

// The view goes first, so that it calls no handler of a control half destroyed.
RectControl::~RectControl() { fView.reset(); }

void RectControl::MakeView(toolkit::WindowView& windowView) {
  if (!fView) fView = windowView.CreateControl(fKind, *this);
}

void RectControl::ApplyParent() {
  if (fView) fView->SetParent(fParent ? fParent->fView.get() : nullptr);
}

void RectControl::ApplyToView() {
  // Bounds before visibility: a view shown before it has its bounds would first be sized to its
  // content.
  Place();
  ApplyStyle();
  fView->SetEnabled(fEnabled);
  fView->SetTabStop(fTabStop);
  if (!fHelpTag.empty()) fView->SetHelpTag(fHelpTag);
  fView->SetVisible(fVisible);
}

QWidget* RectControl::NativeWidget() const {
  auto* self = const_cast<RectControl*>(this);
  if (!fView && fWindow) fWindow->View();
  if (!fView) {
    // Not (yet) added to its window, or without one.
    if (toolkit::WindowView* windowView = fWindow ? fWindow->ExistingView() : nullptr) {
      self->MakeView(*windowView);
      self->ApplyParent();
    } else {
      self->fView = toolkit::Toolkit::Current().CreateControl(fKind, *self);
    }
    self->ApplyToView();
  }
  return static_cast<QWidget*>(fView->NativeHandle());
}

bool RectControl::TakesClicks() const { return fEnabled && (!fParent || fParent->TakesClicks()); }

void RectControl::SetBounds(int left, int top, int width, int height) {
  fLeft = left;
  fTop = top;
  fWidth = width;
  fHeight = height;
  Place();
  // The children's places are relative to this control's view.
  if (!fWindow) return;
  for (const auto& control : fWindow->Controls()) {
    if (control->fParent == this) control->Place();
  }
}

void RectControl::Place() {
  if (!fView) return;
  int left = fLeft, top = fTop;
  if (fParent) {
    left -= fParent->fLeft;
    top -= fParent->fTop;
  }
  fView->SetGeometry(left, top, fWidth, fHeight);
}

void RectControl::SetLocks(bool left, bool top, bool right, bool bottom) {
  fLockLeft = left;
  fLockTop = top;
  fLockRight = right;
  fLockBottom = bottom;
}

void RectControl::SetEnabled(bool enabled) {
  fEnabled = enabled;
  if (fView) fView->SetEnabled(enabled);
}

void RectControl::SetVisible(bool visible) {
  fVisible = visible;
  if (fView) fView->SetVisible(visible);
}

void RectControl::SetTabStop(bool tabStop) {
  fTabStop = tabStop;
  if (fView) fView->SetTabStop(tabStop);
}

void RectControl::SetHelpTag(const std::string& helpTag) {
  fHelpTag = helpTag;
  if (fView) fView->SetHelpTag(helpTag);
}

void RectControl::ApplyStyle() {
  if (fView && !fStyle.IsDefault()) fView->SetTextStyle(fStyle);
}

void RectControl::SetTextFont(const std::string& font) {
  fStyle.family = font;
  ApplyStyle();
}

void RectControl::SetTextSize(int size) {
  fStyle.size = size;
  ApplyStyle();
}

void RectControl::SetBold(bool bold) {
  fStyle.bold = bold;
  ApplyStyle();
}

void RectControl::SetItalic(bool italic) {
  fStyle.italic = italic;
  ApplyStyle();
}

void RectControl::SetUnderline(bool underline) {
  fStyle.underline = underline;
  ApplyStyle();
}

void RectControl::SetInitialParent(RectControl* parent) {
  fParent = parent;
  if (!fView) return;
  ApplyParent();
  Place();
  fView->SetVisible(fVisible);
}
