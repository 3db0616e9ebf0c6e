#include "framework/Canvas.h"

#include "framework/Picture.h"

Canvas::Canvas(Window* window, std::string name)
    : RectControl(window, std::move(name), toolkit::ControlKind::Canvas) {}

void Canvas::ApplyToView() {
  RectControl::ApplyToView();
  if (fBackdrop) ExistingView()->SetPicture(fBackdrop);
}

// The view keeps its own reference, so drawing never reaches back into this control.
void Canvas::SetBackdrop(PicturePtr picture) {
  fBackdrop = picture;
  if (ExistingView()) ExistingView()->SetPicture(std::move(picture));
}
