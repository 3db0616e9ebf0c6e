#pragma once
// QtToolkit: the views on Qt Widgets. It needs the application object that Runtime makes.
#include "framework/Toolkit.h"

class QtToolkit : public toolkit::Toolkit {
 public:
  std::unique_ptr<toolkit::WindowView> CreateWindow(toolkit::WindowClient& client) override;
  std::unique_ptr<toolkit::ControlView> CreateControl(toolkit::ControlKind kind,
                                                      toolkit::ControlClient& client) override;
};
