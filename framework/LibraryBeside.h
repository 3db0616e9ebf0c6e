#pragma once
// LibraryBeside: the libraries that lie beside the framework library in the bundle and are loaded
// only when first needed, so that a document that needs none of them pays for none: the window
// toolkit, and the desktop services on GIO (desktop launchers, file metadata, the session bus).
#include <string>

namespace LibraryBeside {

constexpr const char* kWindowToolkit = "libTessarineWindows.so";
constexpr const char* kDesktopServices = "libTessarineDesktop.so";

// The named entry of library, loading the library on first need; none, with the reason in error,
// when it cannot be loaded. A program that links the library itself (the tests do) finds the entry
// at once.
void* Entry(const char* library, const char* entry, std::string& error);

}  // namespace LibraryBeside
