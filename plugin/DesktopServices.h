#pragma once
// DesktopServices: what of the plug-in needs GIO (desktop launchers, custom icons in GIO's file
// metadata), kept in a library of its own beside the framework and loaded on first need: a
// document opened with an executable, with icons off, loads no GIO at all.
#include <cstdint>
#include <string>
#include <vector>

class DesktopServices {
 public:
  // documentPaths: absolute paths. False with the reason in error when the launcher is not a
  // usable application launcher, its program could not be started, or the services cannot load.
  static bool LaunchDesktopEntry(const std::string& launcherPath, const std::vector<std::string>& documentPaths,
                                 std::string& error);
  // Names the stored image as the file's custom icon: one of the kCustomIcon result codes.
  static int32_t SetCustomIcon(const std::string& path, const std::string& storedImage);
  // The file's custom icon (a file:// URI), or empty.
  static std::string CustomIconOf(const std::string& path);
};
