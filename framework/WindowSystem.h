#pragma once
// WindowSystem: the window toolkit, as the rest of the framework sees it. Documents that need no
// window are handled without it; it is made ready the first time a window, a message box or a
// dialog is needed, and from then on its loops and the framework's run on the same event loop.
// Where no display answers, its library is missing or it has no plug-in for the displays that
// answer, it is never started and no window shows: message boxes then go to the log.
#include <optional>
#include <string>
#include <vector>

#include "framework/FolderItem.h"

class FileType;
namespace toolkit {
class Toolkit;
}

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Ends every loop the toolkit is running (message boxes, dialogs, modal windows) because the
  // application quits; loops started later return at once until ClearExit.
  virtual void ExitLoops(int exitCode) = 0;
  // After a run has ended: the toolkit's loops may run again.
  virtual void ClearExit() = 0;
  // Whether one of the toolkit's loops is running now.
  virtual bool InLoop() const = 0;

  virtual void ShowMessage(const std::string& message) = 0;  // modal
  virtual FolderItemPtr ChooseFile(const std::vector<const FileType*>& types) = 0;  // modal; none on cancel
  virtual void OpenURL(const std::string& url) = 0;
  // Shift and Alt as the toolkit knows them (where the display server tells only the toolkit).
  virtual bool ShiftKeyDown() = 0;
  virtual bool AltKeyDown() = 0;
  // The views of windows and controls.
  virtual toolkit::Toolkit& Views() = 0;

  // The toolkit when it has been made ready, else none; makes nothing ready.
  static WindowSystem* Loaded();
  // Makes the toolkit ready on first need, on a display that answers; none when there is no such
  // display, the toolkit's library cannot be loaded or the toolkit has no plug-in for the display.
  static WindowSystem* Load();
  // Why Load gave none, in words for the user; empty before then.
  static const std::string& Missing();
};
