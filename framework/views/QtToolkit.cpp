#include "framework/views/QtToolkit.h"

#include "framework/views/QtControlView.h"
#include "framework/views/QtWindowView.h"

std::unique_ptr<toolkit::WindowView> QtToolkit::CreateWindow(toolkit::WindowClient& client) {
  return std::make_unique<QtWindowView>(client);
}

std::unique_ptr<toolkit::ControlView> QtToolkit::CreateControl(toolkit::ControlKind kind,
                                                               toolkit::ControlClient& client) {
  return std::make_unique<QtControlView>(kind, client, nullptr);
}

extern "C" toolkit::Toolkit* TessarineCreateToolkit() {
  static QtToolkit toolkit;
  return &toolkit;
}
