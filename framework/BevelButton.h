#pragma once
#include <functional>
#include <string>

#include "framework/RectControl.h"

// BevelButton: a flat button that never takes the keyboard focus.
class BevelButton : public RectControl {
 public:
  BevelButton(Window* window, std::string name);

  std::string Caption() const { return fCaption; }
  void SetCaption(const std::string& caption);
  // Design values kept as given.
  void SetCaptionAlign(int value) { fCaptionAlign = value; }
  void SetCaptionPlacement(int value) { fCaptionPlacement = value; }
  void SetCaptionDelta(int value) { fCaptionDelta = value; }
  void SetBevel(int value) { fBevel = value; }
  void SetButtonType(int value) { fButtonType = value; }
  void SetHasMenu(int value) { fHasMenu = value; }
  void SetMenuValue(int value) { fMenuValue = value; }
  void SetValue(bool value) { fValue = value; }
  bool AcceptFocus() const { return false; }
  void Push();  // as a click: runs Action when enabled

  std::function<void()> Action;

 protected:
  void ApplyToView() override;
  void ViewClicked() override;

 private:
  std::string fCaption;
  int fCaptionAlign = 0, fCaptionPlacement = 0, fCaptionDelta = 0, fBevel = 0, fButtonType = 0;
  int fHasMenu = 0, fMenuValue = 0;
  bool fValue = false;
};
