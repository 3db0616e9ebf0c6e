#pragma once
#include <string>

// TextOutputStream: writes lines, each ended by LF. It writes to a temporary file beside the
// target and renames it over the target on Close, so readers see the old content or the whole
// new one, never a part.
class TextOutputStream {
 public:
  TextOutputStream(int fd, std::string temporaryPath, std::string targetPath);
  ~TextOutputStream();  // without a successful Close the temporary file is removed
  TextOutputStream(const TextOutputStream&) = delete;
  TextOutputStream& operator=(const TextOutputStream&) = delete;

  void WriteLine(const std::string& line);
  // True when every line was written and the new file has taken the target's place.
  bool Close();

 private:
  int fFd;
  std::string fTemporaryPath;
  std::string fTargetPath;
  std::string fPending;
  bool fFailed = false;
};
