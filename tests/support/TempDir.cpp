#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
  std::string pattern = ::testing::TempDir() + "tessarine-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  fPath = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Make everything removable again (tests take permissions away).
  for (auto it = std::filesystem::recursive_directory_iterator(
           fPath, std::filesystem::directory_options::skip_permission_denied, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink(ignored)) chmod(it->path().c_str(), 0755);
  }
  chmod(fPath.c_str(), 0755);
  std::filesystem::remove_all(fPath, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& content, int mode) const {
  std::string full = Path(name);
  std::filesystem::create_directories(std::filesystem::path(full).parent_path());
  {
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out << content;
  }
  chmod(full.c_str(), mode);
  return full;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}
