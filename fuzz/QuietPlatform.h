#pragma once
// QuietPlatform: the desktop for a fuzz target. No key is held, no window is shown, and the log is
// thrown away, so no GUI application is ever created and a run costs no output.
#include <memory>
#include <string>
#include <vector>

#include "framework/Platform.h"

class QuietPlatform : public Platform {
 public:
  bool ShiftKeyDown() override { return false; }
  bool OptionKeyDown() override { return false; }
  void ShowMessage(const std::string&) override {}
  FolderItemPtr ChooseFile(const std::vector<const FileType*>&) override { return nullptr; }
  void OpenURL(const std::string&) override {}
  void WriteLog(const std::string&) override {}
  std::string WhyNoWindows() override { return "a fuzz run shows no window"; }

  // Puts a QuietPlatform in place for the rest of the process; before any framework call, so the
  // real one is never made.
  static void Install() { Platform::Replace(std::make_unique<QuietPlatform>()); }
};
