// The entries of the library of desktop services: what of the plug-in needs GIO, reached by name
// from DesktopServices, so that the program loads GIO only when a document needs it.
#include <gio/gio.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "plugin/IconFamily.h"
#include "plugin/MetadataService.h"
#include "plugin/gio/DesktopLauncher.h"

namespace {

constexpr const char* kCustomIconAttribute = "metadata::custom-icon";

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

// A call that runs aside: the waiting side may give up on it, and then the call alone frees it.
struct Attempt {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  bool set = false;
  GError* failure = nullptr;
  ~Attempt() { g_clear_error(&failure); }
};

}  // namespace

#define TESSARINE_ENTRY extern "C" __attribute__((visibility("default")))

TESSARINE_ENTRY bool TessarineLaunchDesktopEntry(const std::string& launcher, const std::vector<std::string>& documents,
                                                 std::string& error) {
  return DesktopLauncher::Launch(launcher, documents, error);
}

// GIO's setting of metadata is a call to the service without a time limit of ours, so it runs on a
// thread of its own. Given up, it ends by itself (cancelled, or at GIO's own time-out). One of
// MetadataService's outcomes; on Failed, code is the plug-in's result code.
TESSARINE_ENTRY int TessarineSetMetadataThroughGIO(const std::string& path, const std::string& attribute,
                                                   const std::string& value, int timeoutMilliseconds, int32_t& code) {
  using Outcome = MetadataService::Outcome;
  auto attempt = std::make_shared<Attempt>();
  GCancellable* cancellable = g_cancellable_new();
  g_object_ref(cancellable);  // one reference for the thread, one for a cancel here
  try {
    std::thread([attempt, path, attribute, value, cancellable] {
      GFile* file = g_file_new_for_path(path.c_str());
      GError* error = nullptr;
      const bool set = g_file_set_attribute_string(file, attribute.c_str(), value.c_str(), G_FILE_QUERY_INFO_NONE,
                                                   cancellable, &error);
      g_object_unref(file);
      g_object_unref(cancellable);
      const std::lock_guard<std::mutex> lock(attempt->mutex);
      attempt->done = true;
      attempt->set = set;
      attempt->failure = error;
      attempt->ended.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    g_object_unref(cancellable);
    g_object_unref(cancellable);
    code = kCustomIconSetFailed;
    return static_cast<int>(Outcome::Failed);
  }
  std::unique_lock<std::mutex> lock(attempt->mutex);
  const bool ended = attempt->ended.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                                             [&] { return attempt->done; });
  if (!ended) {
    lock.unlock();
    g_cancellable_cancel(cancellable);
    g_object_unref(cancellable);
    return static_cast<int>(Outcome::TimedOut);
  }
  g_object_unref(cancellable);
  if (attempt->set) return static_cast<int>(Outcome::Set);
  code = attempt->failure != nullptr ? ResultOf(attempt->failure) : kCustomIconSetFailed;
  return static_cast<int>(Outcome::Failed);
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
