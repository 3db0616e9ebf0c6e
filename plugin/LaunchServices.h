#pragma once
// Opening documents with a given application. On Linux the application item may be a .desktop
// launcher (launched as the desktop does: Exec field codes, Terminal, Path), an executable file
// (run with the document's full path as its one argument) or a .app bundle folder (its
// Contents/MacOS executable, run the same way). Nothing goes through a shell. Launched
// applications are detached: they outlive this process, which leaves no zombie behind.
#include <string>
#include <vector>

#include "framework/FolderItem.h"

class LaunchServicesLaunchParameterMBS {
 public:
  FolderItemPtr Application;  // the application to open the documents with
  bool Defaults = false;      // the default launch flags
  // After a failed LaunchServicesOpenXMBS: why it failed.
  std::string Error;
};

// Opens documents with parameter.Application. Returns the application item when every document
// was handed to it, none when the launch failed (the reason is then in parameter.Error).
FolderItemPtr LaunchServicesOpenXMBS(const std::vector<FolderItemPtr>& documents,
                                     LaunchServicesLaunchParameterMBS& parameter);
