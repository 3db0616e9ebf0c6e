// Custom icons as the Linux desktop shows them: GIO's metadata::custom-icon attribute, which file
// managers read to draw the named image in place of the file's own icon. The attribute lives in
// GIO's metadata store, not in the file, so the file's bytes and dates stay as they are.
#include <sys/stat.h>

#include "plugin/DesktopServices.h"
#include "plugin/IconFamily.h"
#include "plugin/IconStore.h"

int32_t AddCustomIconMBS(const FolderItem& file, const IconFamilyMBS& icon, bool /*compat*/) {
  struct stat status {};
  if (stat(file.NativePath().c_str(), &status) != 0) return kCustomIconFileMissing;
  const std::string png = icon.LargestPNG();
  if (png.empty()) return kCustomIconBadFamily;
  const auto stored = IconStore::Put(png);
  if (!stored) return kCustomIconStoreNotWritable;
  return DesktopServices::SetCustomIcon(file.NativePath(), *stored);
}

bool CustomIconChangesFileMBS() { return false; }

std::string CustomIconOf(const FolderItem& file) { return DesktopServices::CustomIconOf(file.NativePath()); }
