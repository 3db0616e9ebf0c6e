#pragma once
#include <functional>
#include <string>

#include "framework/RectControl.h"

// PushButton: Action runs when it is clicked, and when Return (default button) or Escape (cancel
// button) presses it.
class PushButton : public RectControl {
 public:
  PushButton(Window* window, std::string name);

  std::string Caption() const { return fCaption; }
  void SetCaption(const std::string& caption);
  bool Default() const { return fDefault; }
  void SetDefault(bool isDefault);
  bool Cancel() const { return fCancel; }
  void SetCancel(bool isCancel);
  void Push();  // as a click: runs Action when enabled

  std::function<void()> Action;

 protected:
  void ApplyToView() override;
  void ViewClicked() override;

 private:
  std::string fCaption;
  bool fDefault = false;
  bool fCancel = false;
};
