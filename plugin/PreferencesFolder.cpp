#include "plugin/PreferencesFolder.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>

#include "plugin/UserFolders.h"

FolderItemPtr PreferencesFolderMBS(int32_t domain) {
  if (domain != kUserDomain) return nullptr;
  const auto folder = UserFolders::ConfigHome();
  if (!folder) return nullptr;
  // The configuration folder may hold private settings of other programs, hence owner-only.
  if (g_mkdir_with_parents(folder->c_str(), 0700) != 0) return nullptr;
  GStatBuf status;
  if (g_stat(folder->c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return nullptr;
  return std::make_shared<FolderItem>(*folder);
}
