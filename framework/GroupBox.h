#pragma once
#include <string>

#include "framework/RectControl.h"

// GroupBox: a captioned frame; disabling it disables the controls inside it.
class GroupBox : public RectControl {
 public:
  GroupBox(Window* window, std::string name);
  std::string Caption() const { return fCaption; }
  void SetCaption(const std::string& caption);

 protected:
  void ApplyToView() override;

 private:
  std::string fCaption;
};
