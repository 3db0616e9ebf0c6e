#pragma once
#include <functional>
#include <string>

#include "framework/RectControl.h"

// RadioButton: exclusive among the radio buttons of one parent (the window, or a group box).
// Action runs when the user selects it, also when it was selected already.
class RadioButton : public RectControl {
 public:
  RadioButton(Window* window, std::string name);

  std::string Caption() const { return fCaption; }
  void SetCaption(const std::string& caption);
  bool Value() const { return fValue; }
  void SetValue(bool value);  // True clears the other buttons of the parent
  void Push();                // as a click: selects it and runs Action when enabled

  std::function<void()> Action;

 protected:
  void ApplyToView() override;
  void ViewClicked() override;
  void ViewValueChanged(bool value) override { fValue = value; }

 private:
  std::string fCaption;
  bool fValue = false;
};
