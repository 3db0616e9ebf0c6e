// The real desktop: the keys held as the X server tells them, the window toolkit's message box and
// file dialog (made ready when first asked for), the log on standard error and in the system log.
#include <stdio.h>
#include <syslog.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "framework/Platform.h"
#include "framework/WindowSystem.h"
#include "framework/X11Keyboard.h"

namespace {

// For the test suite only: with TESSARINE_TEST_UNANSWERED_BOX_MS set, a message box or open dialog
// that nobody has answered within that many milliseconds ends the run, with a line naming it,
// where it would otherwise wait for a user who never comes. A watching thread, not a timer, so
// that it holds whatever the event loop is doing.
class UnansweredLimit {
 public:
  static constexpr int kExitCode = 86;

  explicit UnansweredLimit(const std::string& what) {
    const char* text = std::getenv("TESSARINE_TEST_UNANSWERED_BOX_MS");
    const long milliseconds = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    if (milliseconds <= 0) return;
    const std::string line = "Error:TESSARINE_TEST_UNANSWERED_BOX_MS: not answered within " +
                             std::to_string(milliseconds) + " ms, the run ends: " + what + "\n";
    fWatch = std::thread([this, milliseconds, line] {
      std::unique_lock<std::mutex> lock(fMutex);
      if (fAnsweredOrGone.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return fDone; })) return;
      fputs(line.c_str(), stderr);
      _exit(kExitCode);
    });
  }

  ~UnansweredLimit() {
    if (!fWatch.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(fMutex);
      fDone = true;
    }
    fAnsweredOrGone.notify_all();
    fWatch.join();
  }

  UnansweredLimit(const UnansweredLimit&) = delete;
  UnansweredLimit& operator=(const UnansweredLimit&) = delete;

 private:
  std::mutex fMutex;
  std::condition_variable fAnsweredOrGone;
  bool fDone = false;
  std::thread fWatch;
};

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
      // Nobody could answer the box: its text goes to the log, and the run goes on as if it had
      // been answered.
      WriteLog("Error:MsgBox: " + message + " (not shown: " + WindowSystem::Missing() + ")");
      return;
    }
    const UnansweredLimit limit("the message box \"" + message + "\"");
    windows->ShowMessage(message);
  }

  FolderItemPtr ChooseFile(const std::vector<const FileType*>& types) override {
    WindowSystem* windows = WindowSystem::Load();
    if (windows == nullptr) return nullptr;
    const UnansweredLimit limit("the open dialog");
    return windows->ChooseFile(types);
  }

  void OpenURL(const std::string& url) override {
    if (WindowSystem* windows = WindowSystem::Load()) windows->OpenURL(url);
  }

  std::string WhyNoWindows() override {
    return WindowSystem::Load() != nullptr ? std::string() : WindowSystem::Missing();
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
