#include "plugin/IconStore.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "plugin/UserFolders.h"

namespace {

bool HoldsBytes(const std::string& path, const std::string& bytes) {
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) return false;
  const bool same = length == bytes.size() && std::string(contents, length) == bytes;
  g_free(contents);
  return same;
}

bool WriteAll(int descriptor, const std::string& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t result = write(descriptor, bytes.data() + written, bytes.size() - written);
    if (result < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<size_t>(result);
  }
  return true;
}

}  // namespace

std::optional<std::string> IconStore::Folder() {
  const auto dataHome = UserFolders::DataHome();
  if (!dataHome) return std::nullopt;
  const std::string folder = *dataHome + "/tessarine/icons";
  if (g_mkdir_with_parents(folder.c_str(), 0755) != 0) return std::nullopt;
  return folder;
}

std::optional<std::string> IconStore::Put(const std::string& png) {
  const auto folder = Folder();
  if (!folder) return std::nullopt;
  gchar* digest =
      g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(png.data()), png.size());
  const std::string path = *folder + "/" + digest + ".png";
  g_free(digest);
  if (HoldsBytes(path, png)) return path;

  // Written beside its place and renamed into it, so that a reader (a file manager drawing the
  // icon) never sees half an image, and a failed write leaves nothing under the image's name.
  std::string temporary = *folder + "/.incoming-XXXXXX";
  const int descriptor = g_mkstemp_full(temporary.data(), O_WRONLY | O_CLOEXEC, 0644);
  if (descriptor < 0) return std::nullopt;
  const bool written = WriteAll(descriptor, png) && fchmod(descriptor, 0644) == 0;
  const bool closed = close(descriptor) == 0;
  if (!written || !closed || g_rename(temporary.c_str(), path.c_str()) != 0) {
    g_unlink(temporary.c_str());
    return std::nullopt;
  }
  return path;
}
