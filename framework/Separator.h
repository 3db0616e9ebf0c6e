#pragma once
#include <string>

#include "framework/RectControl.h"

// Separator: a horizontal line.
class Separator : public RectControl {
 public:
  Separator(Window* window, std::string name);
};
