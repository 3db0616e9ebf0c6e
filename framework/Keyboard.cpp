#include "framework/Keyboard.h"

#include "framework/Platform.h"

namespace Keyboard {

bool AsyncShiftKey() { return Platform::Current().ShiftKeyDown(); }

bool AsyncOptionKey() { return Platform::Current().OptionKeyDown(); }

}  // namespace Keyboard
