#pragma once
#include <functional>
#include <string>

#include "framework/RectControl.h"

// CheckBox: Action runs when the user changes its value.
class CheckBox : public RectControl {
 public:
  CheckBox(Window* window, std::string name);

  std::string Caption() const { return fCaption; }
  void SetCaption(const std::string& caption);
  bool Value() const { return fValue; }
  void SetValue(bool value);
  int State() const { return Value() ? 1 : 0; }
  void SetState(int state) { SetValue(state != 0); }
  void Push();  // as a click: toggles and runs Action when enabled

  std::function<void()> Action;

 protected:
  void ApplyToView() override;
  void ViewClicked() override;
  void ViewValueChanged(bool value) override { fValue = value; }

 private:
  std::string fCaption;
  bool fValue = false;
};
