#include "framework/FolderItem.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#include "framework/BinaryStream.h"
#include "framework/Picture.h"
#include "framework/TextInputStream.h"
#include "framework/TextOutputStream.h"

namespace {

// The path without trailing slashes; the root stays "/".
std::string Trimmed(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  return path.substr(0, end);
}

// Opens a regular file without ever waiting: O_NONBLOCK makes opening a named pipe return at
// once, and anything that is not a regular file is refused before a read could block on it.
// The flag stays on the descriptor: Linux ignores O_NONBLOCK for regular files, whose reads
// wait for the disk either way, so clearing it would cost two system calls per file for nothing.
// -1 on failure; length, when given, receives the file's length.
int OpenRegularFile(const std::string& path, bool writable, uint64_t* length = nullptr) {
  const int fd = open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  if (length != nullptr) *length = info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
  return fd;
}

}  // namespace

FolderItem::FolderItem(std::string path) : fPath(std::move(path)) {}

bool FolderItem::Exists() const {
  struct stat info {};
  if (lstat(fPath.c_str(), &info) != 0) return false;
  if (!S_ISLNK(info.st_mode)) return true;
  return stat(fPath.c_str(), &info) == 0;
}

bool FolderItem::Directory() const {
  struct stat info {};
  return stat(fPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FolderItem::Name() const {
  const std::string path = Trimmed(fPath);
  if (path == "/") return path;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderItem::ShellPath() const { return PosixPathToShell(fPath); }

FolderItemPtr FolderItem::Parent() const {
  const std::string path = Trimmed(fPath);
  const size_t slash = path.rfind('/');
  if (path == "/" || slash == std::string::npos) return nullptr;
  if (slash == 0) return std::make_shared<FolderItem>("/");
  return std::make_shared<FolderItem>(Trimmed(path.substr(0, slash)));
}

FolderItemPtr FolderItem::Child(const std::string& name) const {
  // A child is one component: a name that would climb or descend further gives none.
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return nullptr;
  const std::string path = Trimmed(fPath);
  return std::make_shared<FolderItem>(path == "/" ? "/" + name : path + "/" + name);
}

std::optional<Date> FolderItem::ModificationDate() const {
  struct stat info {};
  if (stat(fPath.c_str(), &info) != 0) return std::nullopt;
  return Date(static_cast<long double>(info.st_mtim.tv_sec) +
              static_cast<long double>(info.st_mtim.tv_nsec) / 1e9L);
}

bool FolderItem::SetModificationDate(const Date& date) {
  const long double total = date.TotalSeconds();
  if (!std::isfinite(total)) return false;
  // A long double holds a present-day time to well under a nanosecond, so rounding the fraction
  // to the nearest nanosecond gives back exactly what ModificationDate read.
  long double seconds = std::floor(total);
  long long nanoseconds = std::llround((total - seconds) * 1e9L);
  if (nanoseconds >= 1000000000LL) {
    seconds += 1;
    nanoseconds -= 1000000000LL;
  }
  timespec times[2]{};
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = static_cast<long>(nanoseconds);
  return utimensat(AT_FDCWD, fPath.c_str(), times, 0) == 0;
}

std::unique_ptr<BinaryStream> FolderItem::OpenAsBinaryFile(bool writable) const {
  uint64_t length = 0;
  const int fd = OpenRegularFile(fPath, writable, &length);
  return BinaryStream::FromDescriptor(fd, length);
}

std::unique_ptr<TextInputStream> FolderItem::OpenAsTextFile() const {
  std::unique_ptr<BinaryStream> stream = OpenAsBinaryFile(false);
  if (!stream) return nullptr;
  return std::make_unique<TextInputStream>(std::move(stream));
}

std::unique_ptr<TextOutputStream> FolderItem::CreateTextFile() const {
  // A target that is a link is replaced where the link leads, so the link itself survives.
  std::string target = Trimmed(fPath);
  struct stat info {};
  if (lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = realpath(target.c_str(), nullptr)) {
      target = resolved;
      free(resolved);
    }
  }
  const FolderItem item(target);
  const FolderItemPtr folder = item.Parent();
  if (!folder) return nullptr;

  mode_t mode = 0644;
  if (stat(target.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return nullptr;
    mode = info.st_mode & 07777;
  }

  // The temporary name is hidden and keeps within the file system's limit on a name's length.
  std::string temporary = Trimmed(folder->NativePath());
  if (temporary != "/") temporary += '/';
  temporary += "." + item.Name().substr(0, 200) + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (fchmod(fd, mode) != 0) {
    close(fd);
    unlink(temporary.c_str());
    return nullptr;
  }
  return std::make_unique<TextOutputStream>(fd, temporary, target);
}

PicturePtr FolderItem::OpenAsPicture() const {
  const int fd = OpenRegularFile(fPath, false);
  if (fd < 0) return nullptr;
  std::string data;
  char chunk[65536];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    data.append(chunk, static_cast<size_t>(got));
  }
  close(fd);
  return Picture::FromData(std::move(data));
}

// The shell form escapes with a backslash every byte that a POSIX shell would read as anything
// but itself in an unquoted word:
//   blank, tab, newline, and  \ ' " ` $ ! & * ( ) [ ] { } ; < > ? | ~ # = % ^ ,
// Every other byte, non-ASCII bytes included, stands for itself. Reading back, a backslash makes
// the next byte literal whatever it is, so any path survives the round trip exactly.
namespace {

bool NeedsEscape(char c) {
  return std::strchr(" \t\n\\'\"`$!&*()[]{};<>?|~#=%^,", c) != nullptr && c != '\0';
}

}  // namespace

std::string PosixPathToShell(const std::string& posixPath) {
  std::string shell;
  shell.reserve(posixPath.size() + posixPath.size() / 4);
  for (char c : posixPath) {
    if (NeedsEscape(c)) shell += '\\';
    shell += c;
  }
  return shell;
}

std::optional<std::string> ShellPathToPosix(const std::string& shellPath) {
  std::string posix;
  posix.reserve(shellPath.size());
  for (size_t i = 0; i < shellPath.size(); ++i) {
    char c = shellPath[i];
    if (c == '\\') {
      if (++i == shellPath.size()) return std::nullopt;
      c = shellPath[i];
    }
    if (c == '\0') return std::nullopt;
    posix += c;
  }
  if (posix.empty() || posix[0] != '/') return std::nullopt;
  return posix;
}

// Path forms: 1 is the shell form; every other form is a plain absolute POSIX path, taken as it is.
FolderItemPtr GetFolderItem(const std::string& path, int32_t pathForm) {
  if (pathForm == kPathFormShell) {
    std::optional<std::string> posix = ShellPathToPosix(path);
    return posix ? std::make_shared<FolderItem>(*posix) : nullptr;
  }
  if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) return nullptr;
  return std::make_shared<FolderItem>(path);
}
