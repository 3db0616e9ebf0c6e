#pragma once

namespace Keyboard {
bool AsyncShiftKey();   // Shift held at the moment of the call
bool AsyncOptionKey();  // Option held; on Linux the Alt key
}  // namespace Keyboard
