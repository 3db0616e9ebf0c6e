#pragma once
#include <string>

namespace System {
// Writes one entry to the debug log: one line on standard error and one entry in the system log.
// Line breaks inside the message are written as \n and \r so that an entry stays one line.
void DebugLog(const std::string& message);
}  // namespace System
