#include "framework/Toolkit.h"

namespace toolkit {

// Made on first use: a run that never shows a window never makes it.
Toolkit& Toolkit::Current() {
  static Toolkit* const current = TessarineCreateToolkit();
  return *current;
}

}  // namespace toolkit
