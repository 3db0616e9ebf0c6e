#pragma once
// Launches a freedesktop .desktop launcher with documents as the desktop would: GIO expands the
// Exec line's field codes (%f and %F give paths, %u and %U URIs), honours Terminal and Path, and
// starts the program directly, never through a shell. Each document becomes exactly one argument.
#include <string>
#include <vector>

class DesktopLauncher {
 public:
  // documentPaths: absolute paths. False with the reason in error when the launcher is not a
  // usable application launcher or its program could not be started.
  static bool Launch(const std::string& launcherPath, const std::vector<std::string>& documentPaths,
                     std::string& error);

 private:
  // Why GIO refused the launcher, which it does without saying.
  static std::string WhyUnusable(const std::string& launcherPath);
};
