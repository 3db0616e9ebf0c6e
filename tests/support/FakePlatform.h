#pragma once
// FakePlatform: the desktop as a test sets it up. Keys are held by setting them; message boxes and
// open dialogs are answered by handlers (by default: open dialogs cancelled); opened URLs and log
// entries are recorded. A message box is dismissed at once when the test expects it (onMessage, or
// a count in expectedMessages); any other fails the test there, naming its text.
#include <functional>
#include <string>
#include <vector>

#include "framework/Platform.h"

class FakePlatform : public Platform {
 public:
  bool shiftDown = false;
  bool optionDown = false;
  // Called with each message box's text while the box is "shown"; may run events.
  std::function<void(const std::string&)> onMessage;
  // Without onMessage: how many more boxes the test expects, each dismissed at once.
  int expectedMessages = 0;
  // Answers each open dialog; none means cancel.
  std::function<FolderItemPtr(const std::vector<const FileType*>&)> onChooseFile;

  // Why no window can be shown; empty: windows can be.
  std::string noWindows;

  std::vector<std::string> messages;
  std::vector<std::string> urls;
  std::vector<std::string> log;
  std::vector<std::vector<std::string>> chooseFileFilters;  // the type names of each dialog

  bool ShiftKeyDown() override { return shiftDown; }
  bool OptionKeyDown() override { return optionDown; }
  void ShowMessage(const std::string& message) override;
  FolderItemPtr ChooseFile(const std::vector<const FileType*>& types) override;
  void OpenURL(const std::string& url) override { urls.push_back(url); }
  void WriteLog(const std::string& line) override { log.push_back(line); }
  std::string WhyNoWindows() override { return noWindows; }

  bool Logged(const std::string& line) const;
};

// Installs a fresh FakePlatform for the lifetime of this object and puts the previous one back.
class ScopedFakePlatform {
 public:
  ScopedFakePlatform();
  ~ScopedFakePlatform();
  FakePlatform& operator*() { return *fFake; }
  FakePlatform* operator->() { return fFake; }

 private:
  FakePlatform* fFake;
  std::unique_ptr<Platform> fPrevious;
};
