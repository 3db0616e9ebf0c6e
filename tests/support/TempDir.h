#pragma once
#include <string>

// A fresh folder under the test framework's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return fPath; }
  std::string Path(const std::string& name) const { return fPath + "/" + name; }
  // Writes a file (creating folders on the way) and returns its path.
  std::string Write(const std::string& name, const std::string& content, int mode = 0644) const;

 private:
  std::string fPath;
};

std::string ReadFileBytes(const std::string& path);
