// Custom icons as the Linux desktop shows them: GIO's metadata::custom-icon attribute, which file
// managers read to draw the named image in place of the file's own icon. The attribute lives in
// GIO's metadata store, not in the file, so the file's bytes and dates stay as they are.
#include <glib.h>
#include <sys/stat.h>

#include "plugin/DesktopServices.h"
#include "plugin/IconFamily.h"
#include "plugin/IconStore.h"
#include "plugin/MetadataService.h"

namespace {

constexpr const char* kCustomIconAttribute = "metadata::custom-icon";
// A document waits for its stamp at most about these two limits; it is opened only afterwards.
constexpr int kBusTimeoutMilliseconds = 500;
constexpr int kSetTimeoutMilliseconds = 1000;

// Names the stored image as the file's custom icon.
int32_t SetCustomIcon(const std::string& path, const std::string& image) {
  if (MetadataService::Reachable(kBusTimeoutMilliseconds) != MetadataService::Reach::Reachable) {
    return kCustomIconMetadataUnavailable;
  }
  gchar* uri = g_filename_to_uri(image.c_str(), nullptr, nullptr);
  if (uri == nullptr) return kCustomIconStoreNotWritable;
  int32_t code = kCustomIconOK;
  const MetadataService::Outcome outcome =
      MetadataService::SetString(path, kCustomIconAttribute, uri, kSetTimeoutMilliseconds, code);
  g_free(uri);
  switch (outcome) {
    case MetadataService::Outcome::Set:
      return kCustomIconOK;
    case MetadataService::Outcome::TimedOut:
      return kCustomIconMetadataUnavailable;
    case MetadataService::Outcome::Failed:
      break;
  }
  return code;
}

}  // namespace

int32_t AddCustomIconMBS(const FolderItem& file, const IconFamilyMBS& icon, bool /*compat*/) {
  struct stat status {};
  if (stat(file.NativePath().c_str(), &status) != 0) return kCustomIconFileMissing;
  const std::string png = icon.LargestPNG();
  if (png.empty()) return kCustomIconBadFamily;
  const auto stored = IconStore::Put(png);
  if (!stored) return kCustomIconStoreNotWritable;
  return SetCustomIcon(file.NativePath(), *stored);
}

bool CustomIconChangesFileMBS() { return false; }

std::string CustomIconOf(const FolderItem& file) { return DesktopServices::CustomIconOf(file.NativePath()); }
