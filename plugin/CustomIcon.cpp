// Custom icons as the Linux desktop shows them: GIO's metadata::custom-icon attribute, which file
// managers read to draw the named image in place of the file's own icon. The attribute lives in
// GIO's metadata store, not in the file, so the file's bytes and dates stay as they are.
#include <gio/gio.h>
#include <sys/stat.h>

#include "plugin/IconFamily.h"
#include "plugin/IconStore.h"
#include "plugin/MetadataService.h"

namespace {

constexpr const char* kCustomIconAttribute = "metadata::custom-icon";
// A document waits for its stamp at most about these two limits; it is opened only afterwards.
constexpr int kBusTimeoutMilliseconds = 500;
constexpr int kSetTimeoutMilliseconds = 1000;

int32_t ResultOf(const GError* failure) {
  if (failure->domain == G_DBUS_ERROR) return kCustomIconMetadataUnavailable;
  if (failure->domain == G_IO_ERROR) {
    switch (failure->code) {
      case G_IO_ERROR_NOT_SUPPORTED:
      case G_IO_ERROR_DBUS_ERROR:
      case G_IO_ERROR_CLOSED:
      case G_IO_ERROR_TIMED_OUT:
      case G_IO_ERROR_CONNECTION_CLOSED:
        return kCustomIconMetadataUnavailable;
      case G_IO_ERROR_NOT_FOUND:
        return kCustomIconFileMissing;
      default:
        break;
    }
  }
  return kCustomIconSetFailed;
}

}  // namespace

int32_t AddCustomIconMBS(const FolderItem& file, const IconFamilyMBS& icon, bool /*compat*/) {
  struct stat status {};
  if (stat(file.NativePath().c_str(), &status) != 0) return kCustomIconFileMissing;
  const std::string png = icon.LargestPNG();
  if (png.empty()) return kCustomIconBadFamily;
  const auto stored = IconStore::Put(png);
  if (!stored) return kCustomIconStoreNotWritable;
  if (MetadataService::Reachable(kBusTimeoutMilliseconds) != MetadataService::Reach::Reachable) {
    return kCustomIconMetadataUnavailable;
  }

  gchar* uri = g_filename_to_uri(stored->c_str(), nullptr, nullptr);
  if (uri == nullptr) return kCustomIconStoreNotWritable;
  GError* failure = nullptr;
  const MetadataService::Outcome outcome =
      MetadataService::SetString(file.NativePath(), kCustomIconAttribute, uri, kSetTimeoutMilliseconds, &failure);
  g_free(uri);
  int32_t result = kCustomIconOK;
  if (outcome == MetadataService::Outcome::TimedOut) {
    result = kCustomIconMetadataUnavailable;
  } else if (outcome == MetadataService::Outcome::Failed) {
    result = failure != nullptr ? ResultOf(failure) : kCustomIconSetFailed;
  }
  g_clear_error(&failure);
  return result;
}

bool CustomIconChangesFileMBS() { return false; }

std::string CustomIconOf(const FolderItem& file) {
  GFile* target = g_file_new_for_path(file.NativePath().c_str());
  GFileInfo* info = g_file_query_info(target, kCustomIconAttribute, G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
  std::string uri;
  if (info != nullptr) {
    const char* value = g_file_info_get_attribute_string(info, kCustomIconAttribute);
    if (value != nullptr) uri = value;
    g_object_unref(info);
  }
  g_object_unref(target);
  return uri;
}
