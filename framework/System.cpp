#include "framework/System.h"

#include "framework/Platform.h"
#include "framework/Text.h"

namespace System {

void DebugLog(const std::string& message) {
  // A log entry is one line: a line break inside the message would split it into two entries
  // that readers of the log could not tell apart from separate messages.
  Platform::Current().WriteLog(ReplaceAll(ReplaceAll(message, "\r", "\\r"), "\n", "\\n"));
}

}  // namespace System
