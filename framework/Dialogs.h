#pragma once
#include <string>

#include "framework/FolderItem.h"

// Shows a modal message with an OK button and returns when the user dismisses it. Events,
// documents handed over included, go on being delivered meanwhile.
void MsgBox(const std::string& message);
// Opens a web address in the desktop's default browser.
void ShowURL(const std::string& url);
// A modal open dialog limited to the registered file types named in filter; none on cancel.
FolderItemPtr GetOpenFolderItem(const std::string& filter);
