#pragma once
// DesktopServices: what of the plug-in needs GIO (desktop launchers, file metadata where GIO
// itself must set it, reading it back), kept in a library of its own beside the framework and
// loaded on first need: a document opened with an executable loads no GIO at all.
#include <cstdint>
#include <string>
#include <vector>

#include "plugin/MetadataService.h"

class DesktopServices {
 public:
  // documentPaths: absolute paths. False with the reason in error when the launcher is not a
  // usable application launcher, its program could not be started, or the services cannot load.
  static bool LaunchDesktopEntry(const std::string& launcherPath, const std::vector<std::string>& documentPaths,
                                 std::string& error);
  // Sets the file's metadata attribute through GIO, waiting at most timeoutMilliseconds; on
  // Failed, code is one of the kCustomIcon result codes.
  static MetadataService::Outcome SetMetadataThroughGIO(const std::string& path, const std::string& attribute,
                                                        const std::string& value, int timeoutMilliseconds,
                                                        int32_t& code);
  // The file's custom icon (a file:// URI), or empty.
  static std::string CustomIconOf(const std::string& path);
};
