// Fuzzes the shell-form path reader. Every input is read as a stored shell path, and as a POSIX
// path whose shell form must read back to itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "framework/FolderItem.h"
#include "fuzz/QuietPlatform.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& input) {
  std::fprintf(stderr, "shell path fault: %s (input of %zu bytes)\n", what, input.size());
  abort();
}

// A shell form in which some byte a shell would read as special stands without its backslash.
bool HasBareSpecial(const std::string& shell) {
  for (size_t i = 0; i < shell.size(); ++i) {
    if (shell[i] == '\\') {
      ++i;
    } else if (shell[i] != '\0' && std::strchr(" \t\n'\"`$!&*()[]{};<>?|~#=%^,", shell[i])) {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietPlatform::Install();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  // The input as a stored shell path: the reader and GetFolderItem agree, and what they give is an
  // absolute path without NUL whose shell form reads back to it.
  const std::optional<std::string> posix = ShellPathToPosix(input);
  const FolderItemPtr item = GetFolderItem(input, kPathFormShell);
  if (posix.has_value() != (item != nullptr)) Fail("ShellPathToPosix and GetFolderItem disagree", input);
  if (posix) {
    if (item->NativePath() != *posix) Fail("GetFolderItem's path differs", input);
    if (posix->empty() || (*posix)[0] != '/' || posix->find('\0') != std::string::npos) {
      Fail("reader gave a path that is not absolute or holds NUL", input);
    }
    if (ShellPathToPosix(PosixPathToShell(*posix)) != posix) Fail("read path does not survive a round trip", input);
  }

  // The input as a POSIX path: its shell form leaves no special byte bare and reads back exactly.
  const std::string shell = PosixPathToShell(input);
  if (HasBareSpecial(shell)) Fail("shell form leaves a special byte unescaped", input);
  if (FolderItem(input).ShellPath() != shell) Fail("FolderItem.ShellPath differs from PosixPathToShell", input);
  const bool valid = !input.empty() && input[0] == '/' && input.find('\0') == std::string::npos;
  const std::optional<std::string> back = ShellPathToPosix(shell);
  if (valid ? back != input : back.has_value()) Fail("PosixPathToShell -> ShellPathToPosix is not the identity", input);
  const FolderItemPtr again = GetFolderItem(shell, kPathFormShell);
  if (valid != (again != nullptr) || (again && again->NativePath() != input)) {
    Fail("GetFolderItem of a shell form misses its path", input);
  }
  return 0;
}
