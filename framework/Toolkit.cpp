#include "framework/Toolkit.h"

#include <cstdlib>

#include "framework/Platform.h"
#include "framework/WindowSystem.h"

namespace toolkit {

// Made on first use: a run that never shows a window never loads the toolkit.
Toolkit& Toolkit::Current() {
  static Toolkit* const current = [] {
    WindowSystem* windows = WindowSystem::Load();
    // Windows are not shown where none can be (Window::WhyNoneCanBeShown); whatever asks for a
    // view all the same cannot go on without one, and the run ends here, saying why.
    if (windows == nullptr) {
      Platform::Current().WriteLog("Error:WindowSystem.Load: " + WindowSystem::Missing());
      std::exit(EXIT_FAILURE);
    }
    return &windows->Views();
  }();
  return *current;
}

}  // namespace toolkit
