#include "framework/Toolkit.h"

#include <cstdlib>

#include "framework/WindowSystem.h"

namespace toolkit {

// Made on first use: a run that never shows a window never loads the toolkit.
Toolkit& Toolkit::Current() {
  static Toolkit* const current = [] {
    WindowSystem* windows = WindowSystem::Load();
    // No window can be shown, and the program has no other way to its user: WindowSystem::Load
    // has logged why, and the run ends here rather than on a window that never appears.
    if (windows == nullptr) std::exit(EXIT_FAILURE);
    return &windows->Views();
  }();
  return *current;
}

}  // namespace toolkit
