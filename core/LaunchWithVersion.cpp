// The launch decision and the launch request. The walk goes from the document's own version up to
// CS4, never down; within a version the caller's preferred application comes first, and an InCopy
// story is never given to InDesign. A configured path needs only to name an existing item.
#include <vector>

#include "core/App.h"
#include "core/Utilities.h"
#include "framework/Text.h"
#include "plugin/LaunchServices.h"

namespace {

struct VersionCandidates {
  int32_t version;
  std::string CPreferences::*inDesignPath;
  std::string CPreferences::*inCopyPath;
};

constexpr VersionCandidates kVersionSteps[] = {
    {3, &CPreferences::fInDesignCSPath, &CPreferences::fInCopyCSPath},
    {4, &CPreferences::fInDesignCS2Path, &CPreferences::fInCopyCS2Path},
    {5, &CPreferences::fInDesignCS3Path, &CPreferences::fInCopyCS3Path},
    {6, &CPreferences::fInDesignCS4Path, &CPreferences::fInCopyCS4Path},
};

// The item at a configured path when it exists; an empty path is not looked up.
FolderItemPtr UsableApplication(const std::string& path) {
  FolderItemPtr app = Utilities::GetFolderItemOrNil(path, kPathFormShell);
  return app && app->Exists() ? app : nullptr;
}

}  // namespace

bool App::LaunchWithVersion(FolderItemPtr item, int32_t docVersion, bool preferInDesign, bool canUseInDesign) {
  Utilities::LogVerbose([&] {
    return "App.LaunchWithVersion: called - item = " + (item ? item->ShellPath() : std::string("null")) +
           ", docVersion = " + Str(docVersion) + ", preferInDesign = " + Str(preferInDesign) +
           ", canUseInDesign = " + Str(canUseInDesign);
  });
  if (docVersion < 1) {
    Utilities::LogError("App.LaunchWithVersion: docVersion < 1");
    return false;
  }

  bool launched = false;
  for (const VersionCandidates& step : kVersionSteps) {
    if (launched || docVersion > step.version) continue;
    // The paths are read now, not before the walk: a nested event may have changed the record.
    const std::string& inDesignPath = (*fPreferences).*step.inDesignPath;
    const std::string& inCopyPath = (*fPreferences).*step.inCopyPath;
    FolderItemPtr app;
    if (preferInDesign && canUseInDesign) {
      app = UsableApplication(inDesignPath);
      if (!app) app = UsableApplication(inCopyPath);
    } else {
      app = UsableApplication(inCopyPath);
      if (!app && canUseInDesign) app = UsableApplication(inDesignPath);
    }
    if (app) {
      LaunchWith(app, item, step.version);
      launched = true;
    }
  }

  Utilities::LogVerbose("App.LaunchWithVersion: returned");
  return launched;
}

void App::LaunchWith(FolderItemPtr app, FolderItemPtr item, int32_t appVersion) {
  if (!app || !item) {
    Utilities::LogVerbose("App.LaunchWith: called, some parameters are nil");
  } else {
    Utilities::LogVerbose([&] {
      return "App.LaunchWith: called - app = " + app->ShellPath() + ", item = " + item->ShellPath() +
             ", appVersion = " + Str(appVersion);
    });
  }

  LaunchServicesLaunchParameterMBS parameter;
  parameter.Application = app;
  parameter.Defaults = true;
  const std::vector<FolderItemPtr> documents{item};
  // The decision stands once the request is made; a refused launch is only reported.
  if (!LaunchServicesOpenXMBS(documents, parameter)) {
    Utilities::LogError("App.LaunchWith: could not open " + (item ? item->ShellPath() : std::string("nil")) +
                        " with " + (app ? app->ShellPath() : std::string("nil")) + ": " + parameter.Error);
  }

  Utilities::LogVerbose("App.LaunchWith: returned");
}
