#include "framework/Dialogs.h"

#include "framework/FileType.h"
#include "framework/Platform.h"
#include "framework/Runtime.h"

void MsgBox(const std::string& message) {
  // Once the application is quitting no modal loop may start: it would hold the quit up until
  // someone answered a box nobody asked for.
  if (Runtime::IsQuitting()) return;
  Platform::Current().ShowMessage(message);
}

void ShowURL(const std::string& url) { Platform::Current().OpenURL(url); }

FolderItemPtr GetOpenFolderItem(const std::string& filter) {
  return Platform::Current().ChooseFile(FileType::Registered(filter));
}
