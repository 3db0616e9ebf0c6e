// The entries of the library of desktop services: what of the plug-in needs GIO, reached by name
// from DesktopServices, so that the program loads GIO only when a document needs it.
#include <gio/gio.h>

#include <string>
#include <vector>

#include "plugin/IconFamily.h"
#include "plugin/gio/DesktopLauncher.h"
#include "plugin/gio/MetadataService.h"

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

#define TESSARINE_ENTRY extern "C" __attribute__((visibility("default")))

TESSARINE_ENTRY bool TessarineLaunchDesktopEntry(const std::string& launcher, const std::vector<std::string>& documents,
                                                 std::string& error) {
  return DesktopLauncher::Launch(launcher, documents, error);
}

// Names the stored image as the file's custom icon; one of the plug-in's result codes.
TESSARINE_ENTRY int32_t TessarineSetCustomIcon(const std::string& path, const std::string& image) {
  if (MetadataService::Reachable(kBusTimeoutMilliseconds) != MetadataService::Reach::Reachable) {
    return kCustomIconMetadataUnavailable;
  }
  gchar* uri = g_filename_to_uri(image.c_str(), nullptr, nullptr);
  if (uri == nullptr) return kCustomIconStoreNotWritable;
  GError* failure = nullptr;
  const MetadataService::Outcome outcome =
      MetadataService::SetString(path, kCustomIconAttribute, uri, kSetTimeoutMilliseconds, &failure);
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

TESSARINE_ENTRY void TessarineCustomIconOf(const std::string& path, std::string& uri) {
  GFile* target = g_file_new_for_path(path.c_str());
  GFileInfo* info = g_file_query_info(target, kCustomIconAttribute, G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
  uri.clear();
  if (info != nullptr) {
    const char* value = g_file_info_get_attribute_string(info, kCustomIconAttribute);
    if (value != nullptr) uri = value;
    g_object_unref(info);
  }
  g_object_unref(target);
}
