// The real desktop: the keys held as the X server tells them, the window toolkit's message box and
// file dialog (made ready when first asked for), the log on standard error and in the system log.
#include <stdio.h>
#include <syslog.h>

#include <mutex>

#include "framework/Platform.h"
#include "framework/WindowSystem.h"
#include "framework/X11Keyboard.h"

namespace {

class DesktopPlatform : public Platform {
 public:
  // The X server knows the keys whether or not a window of ours exists; elsewhere (Wayland) only
  // the toolkit may know them, once it is ready.
  bool ShiftKeyDown() override {
    if (const auto held = X11Keyboard::Query()) return held->shift;
    WindowSystem* windows = WindowSystem::Loaded();
    return windows != nullptr && windows->ShiftKeyDown();
  }

  bool OptionKeyDown() override {
    if (const auto held = X11Keyboard::Query()) return held->alt;
    WindowSystem* windows = WindowSystem::Loaded();
    return windows != nullptr && windows->AltKeyDown();
  }

  void ShowMessage(const std::string& message) override {
    WindowSystem* windows = WindowSystem::Load();
    if (windows == nullptr) {
      WriteLog(message);
      return;
    }
    windows->ShowMessage(message);
  }

  FolderItemPtr ChooseFile(const std::vector<const FileType*>& types) override {
    WindowSystem* windows = WindowSystem::Load();
    return windows != nullptr ? windows->ChooseFile(types) : nullptr;
  }

  void OpenURL(const std::string& url) override {
    if (WindowSystem* windows = WindowSystem::Load()) windows->OpenURL(url);
  }

  void WriteLog(const std::string& line) override {
    // stderr is unbuffered: the line leaves in one write, in order with everything else written there.
    fputs((line + "\n").c_str(), stderr);
    static std::once_flag opened;
    std::call_once(opened, [] { openlog("Tessarine", LOG_PID, LOG_USER); });
    syslog(LOG_USER | LOG_NOTICE, "%s", line.c_str());
  }
};

}  // namespace

std::unique_ptr<Platform> MakeDesktopPlatform() { return std::make_unique<DesktopPlatform>(); }
