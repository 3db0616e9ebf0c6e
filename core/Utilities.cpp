#include "core/Utilities.h"

#include "framework/System.h"
#include "framework/Text.h"

namespace Utilities {

void LogMessage(int32_t level, const std::string& message) {
  if (!Kept(level)) return;
  System::DebugLog(message);
}

void LogVerbose(const std::string& message) { LogMessage(0, "Verbose:" + message); }

void LogNote(const std::string& message) { LogMessage(1, "Note:" + message); }

void LogWarning(const std::string& message) { LogMessage(3, "Warning:" + message); }

void LogError(const std::string& message) { LogMessage(4, "Error:" + message); }

std::string ShellToPosix(const std::string& in_string) {
  LogVerbose([&] { return "Utilities.ShellToPosix: called - in_string = " + in_string; });
  const std::string retVal = ReplaceAll(in_string, "\\", "");
  LogVerbose([&] { return "Utilities.ShellToPosix: ended - retVal = " + retVal; });
  return retVal;
}

FolderItemPtr GetFolderItemOrNil(const std::string& in_path, int32_t in_format) {
  LogVerbose([&] {
    return "Utilities.GetFolderItemOrNil: called - in_path = " + in_path + ", in_format = " + Str(in_format);
  });
  FolderItemPtr result;
  if (!in_path.empty()) result = GetFolderItem(in_path, in_format);
  LogVerbose("Utilities.GetFolderItemOrNil: returned");
  return result;
}

}  // namespace Utilities
