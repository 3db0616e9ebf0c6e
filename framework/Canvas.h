#pragma once
#include <string>

#include "framework/FolderItem.h"
#include "framework/RectControl.h"

// Canvas: draws its Backdrop picture at its top left; nothing when there is none.
class Canvas : public RectControl {
 public:
  Canvas(Window* window, std::string name);

  PicturePtr Backdrop() const { return fBackdrop; }
  void SetBackdrop(PicturePtr picture);
  // Design values kept as given.
  void SetUseFocusRing(bool value) { fUseFocusRing = value; }
  void SetAcceptFocus(bool value) { fAcceptFocus = value; }
  void SetAcceptTabs(bool value) { fAcceptTabs = value; }
  void SetDoubleBuffer(bool value) { fDoubleBuffer = value; }
  void SetEraseBackground(bool value) { fEraseBackground = value; }

 protected:
  void ApplyToView() override;

 private:
  PicturePtr fBackdrop;
  bool fUseFocusRing = true, fAcceptFocus = false, fAcceptTabs = false, fDoubleBuffer = false;
  bool fEraseBackground = false;
};
