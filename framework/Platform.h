#pragma once
// The services that differ between the desktop and a headless test: what the user holds, answers
// and sees. The framework reaches them only through Platform::Current(); DesktopPlatform is the real
// desktop, and tests put a fake in its place.
#include <memory>
#include <string>
#include <vector>

#include "framework/FolderItem.h"

class FileType;

class Platform {
 public:
  virtual ~Platform() = default;

  virtual bool ShiftKeyDown() = 0;
  virtual bool OptionKeyDown() = 0;
  virtual void ShowMessage(const std::string& message) = 0;  // modal
  virtual FolderItemPtr ChooseFile(const std::vector<const FileType*>& types) = 0;  // modal; none on cancel
  virtual void OpenURL(const std::string& url) = 0;
  virtual void WriteLog(const std::string& line) = 0;  // one entry, already a single line
  // Why no window can be shown here (no display that answers, no window toolkit), in words for
  // the user; empty when windows can be shown.
  virtual std::string WhyNoWindows() = 0;

  static Platform& Current();
  // Puts platform in place and returns the one it replaces.
  static std::unique_ptr<Platform> Replace(std::unique_ptr<Platform> platform);
};

// The real desktop: the keys as the display server tells them, the window toolkit's message box,
// file dialog and web browser, the log on standard error and in the system log.
std::unique_ptr<Platform> MakeDesktopPlatform();
