#pragma once
// Application: the program's application object. The framework delivers Event_Open once, before
// anything else, and then one Event_OpenDocument per document handed over, in order. Documents
// handed over later (by a second start) arrive the same way, also while a modal window or message
// box runs its nested loop.
#include <memory>
#include <string>

#include "framework/FolderItem.h"

class MenuBar;

class Application {
 public:
  Application();
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  virtual void Event_Open() {}
  virtual void Event_OpenDocument(FolderItemPtr item) { (void)item; }

  // Ends every nested loop and then the run, after the handler that called it returns; the run's
  // exit code is exitCode. Later modal windows and message boxes return at once.
  void Quit(int exitCode = 0);

  MenuBar* GetMenuBar() const { return fMenuBar; }
  void SetMenuBar(MenuBar* menuBar) { fMenuBar = menuBar; }

  // The running executable, links resolved.
  FolderItemPtr ExecutableFile() const;
  // The bundle's Resources folder: Contents/Resources beside the executable's MacOS folder; none
  // when the executable does not lie in a bundle that has one.
  FolderItemPtr ResourcesFolder() const;

  // The registered application object (none before registration).
  static Application* Current();
  // Makes app the application object; the framework owns it from now on.
  static void Register(std::unique_ptr<Application> app);

 private:
  MenuBar* fMenuBar = nullptr;
};
