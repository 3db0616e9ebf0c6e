#pragma once
#include <cstdint>
#include <string>

#include "framework/FolderItem.h"

namespace Utilities {

// Writes message to the debug log when level is 3 or more; the threshold is fixed.
void LogMessage(int32_t level, const std::string& message);
void LogVerbose(const std::string& message);  // level 0, "Verbose:"
void LogNote(const std::string& message);     // level 1, "Note:"
void LogWarning(const std::string& message);  // level 3, "Warning:"
void LogError(const std::string& message);    // level 4, "Error:"

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
