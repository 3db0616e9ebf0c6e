#pragma once
#include <cstdint>
#include <string>
#include <type_traits>

#include "framework/FolderItem.h"

namespace Utilities {

// Lines below this level are dropped. It is fixed on purpose: the verbose tracing is for reading
// the code, not a setting.
inline constexpr int32_t kLogThreshold = 3;
constexpr bool Kept(int32_t level) { return level >= kLogThreshold; }

// Writes message to the debug log when level is kLogThreshold or more.
void LogMessage(int32_t level, const std::string& message);
void LogVerbose(const std::string& message);  // level 0, "Verbose:"
void LogNote(const std::string& message);     // level 1, "Note:"
void LogWarning(const std::string& message);  // level 3, "Warning:"
void LogError(const std::string& message);    // level 4, "Error:"

// The same lines from a fixed text, or composed by a function that runs only when the line is
// kept: every document's road traces itself, and composing lines that are dropped would cost it
// more than its checks do.
inline void LogVerbose(const char* message) {
  if constexpr (Kept(0)) LogVerbose(std::string(message));
}
inline void LogNote(const char* message) {
  if constexpr (Kept(1)) LogNote(std::string(message));
}
template <typename Compose, typename = std::enable_if_t<std::is_invocable_r_v<std::string, Compose>>>
void LogVerbose(Compose&& compose) {
  if constexpr (Kept(0)) LogVerbose(std::string(compose()));
}
template <typename Compose, typename = std::enable_if_t<std::is_invocable_r_v<std::string, Compose>>>
void LogNote(Compose&& compose) {
  if constexpr (Kept(1)) LogNote(std::string(compose()));
}

// A stored path without its backslashes, for display.
std::string ShellToPosix(const std::string& in_string);
// The item for a stored path in path form in_format, or none for an empty path.
FolderItemPtr GetFolderItemOrNil(const std::string& in_path, int32_t in_format);

// Stamps in_file with the icon of icon kind code in_iconKind from the bundle's Resources folder,
// keeping its modification date. -1 when it gives up, else the plug-in's result.
int32_t AddIconToFile(FolderItemPtr in_file, int32_t in_iconKind);
// The same stamp, finding the bundle from in_executable (a file in the bundle's MacOS folder)
// instead of the running program's own executable.
int32_t AddIconToFileFromBundle(FolderItemPtr in_file, int32_t in_iconKind, FolderItemPtr in_executable);
// The name of the icon file of icon kind code in_iconKind in the bundle's Resources folder, such as
// "ID_4_CS2.icns"; the empty text for a code outside 1 to 12.
std::string IconFileName(int32_t in_iconKind);

}  // namespace Utilities
