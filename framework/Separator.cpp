#include "framework/Separator.h"

Separator::Separator(Window* window, std::string name)
    : RectControl(window, std::move(name), toolkit::ControlKind::Separator) {}
