#pragma once
// QtToolkit: the views on Qt Widgets, made by the window system once Qt's application object exists.
#include "framework/Toolkit.h"

class QtToolkit : public toolkit::Toolkit {
 public:
  std::unique_ptr<toolkit::WindowView> CreateWindow(toolkit::WindowClient& client) override;
  std::unique_ptr<toolkit::ControlView> CreateControl(toolkit::ControlKind kind,
                                                      toolkit::ControlClient& client) override;
  std::unique_ptr<toolkit::NestedLoop> CreateNestedLoop() override;
  toolkit::DeferredCall* Defer(std::function<void()> action) override;
  void Cancel(toolkit::DeferredCall* call) override;
};
