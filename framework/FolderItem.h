#pragma once
// FolderItem: a reference to a file, folder or application bundle by its path. It need not exist;
// every query looks at the file system anew. Openers give none (nullptr) on failure.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "framework/Date.h"

class BinaryStream;
class TextInputStream;
class TextOutputStream;
class Picture;
class FolderItem;
using FolderItemPtr = std::shared_ptr<FolderItem>;
using PicturePtr = std::shared_ptr<Picture>;

class FolderItem {
 public:
  // path: an absolute POSIX path, kept as given (no links resolved).
  explicit FolderItem(std::string path);

  const std::string& NativePath() const { return fPath; }
  bool Exists() const;     // true for anything at the path, a dangling link excluded
  bool Directory() const;  // true for an existing folder (links followed)
  std::string Name() const;       // the last component; "/" for the root
  std::string ShellPath() const;  // the path with blanks and shell-special characters escaped by a backslash
  FolderItemPtr Parent() const;   // none for the root
  FolderItemPtr Child(const std::string& name) const;

  std::optional<Date> ModificationDate() const;  // none when the item does not exist
  bool SetModificationDate(const Date& date);     // keeps sub-second precision; false on failure

  // Read-only when writable is false. Only regular files open: a pipe, socket or device gives none
  // at once, so that opening never blocks.
  std::unique_ptr<BinaryStream> OpenAsBinaryFile(bool writable) const;
  std::unique_ptr<TextInputStream> OpenAsTextFile() const;
  // Creates the file or replaces it. The new content takes the old file's place only when the
  // stream is closed successfully (written beside it, then renamed over it), so a failed or
  // interrupted write leaves the old file whole.
  std::unique_ptr<TextOutputStream> CreateTextFile() const;
  PicturePtr OpenAsPicture() const;  // none when missing or not a picture

 private:
  std::string fPath;
};

// Path form 1 is the shell form that ShellPath writes: a backslash makes the next character
// literal. Gives none for an empty or relative path, a trailing lone backslash or a NUL.
constexpr int32_t kPathFormShell = 1;
FolderItemPtr GetFolderItem(const std::string& path, int32_t pathForm);

// The shell form of a POSIX path, and back. ShellPathToPosix returns nullopt where GetFolderItem gives none.
std::string PosixPathToShell(const std::string& posixPath);
std::optional<std::string> ShellPathToPosix(const std::string& shellPath);
