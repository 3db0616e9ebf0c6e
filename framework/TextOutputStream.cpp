#include "framework/TextOutputStream.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

// The stream writes into a temporary file beside its target and puts it in the target's place
// only on Close: the file is synced before the rename, so after a crash the target holds either
// the old content or the whole new one, and the folder is synced after it, so the rename itself
// survives. Whatever fails, the temporary file goes and the old target stays as it was.

namespace {

constexpr size_t kFlushSize = 64 * 1024;

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t wrote = write(fd, data.data() + done, data.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

TextOutputStream::TextOutputStream(int fd, std::string temporaryPath, std::string targetPath)
    : fFd(fd), fTemporaryPath(std::move(temporaryPath)), fTargetPath(std::move(targetPath)) {}

TextOutputStream::~TextOutputStream() {
  if (fFd < 0) return;
  close(fFd);
  unlink(fTemporaryPath.c_str());
}

void TextOutputStream::WriteLine(const std::string& line) {
  if (fFd < 0 || fFailed) return;
  fPending += line;
  fPending += '\n';
  if (fPending.size() >= kFlushSize) {
    if (!WriteAll(fFd, fPending)) fFailed = true;
    fPending.clear();
  }
}

bool TextOutputStream::Close() {
  // A second Close reports how the first one went.
  if (fFd < 0) return !fFailed;
  if (!fFailed && !WriteAll(fFd, fPending)) fFailed = true;
  fPending.clear();
  if (!fFailed && fsync(fFd) != 0) fFailed = true;
  if (close(fFd) != 0) fFailed = true;
  fFd = -1;
  if (!fFailed && rename(fTemporaryPath.c_str(), fTargetPath.c_str()) != 0) fFailed = true;
  if (fFailed) {
    unlink(fTemporaryPath.c_str());
    return false;
  }
  // The new content is in place now; a folder that cannot be synced does not undo that.
  const int folder = open(FolderOf(fTargetPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}
