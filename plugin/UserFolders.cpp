#include "plugin/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

std::optional<std::string> AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return std::nullopt;
  return std::string(value);
}

std::optional<std::string> BaseFolder(const char* variable, const char* homeRelative) {
  if (auto fromEnvironment = AbsoluteFromEnvironment(variable)) return fromEnvironment;
  auto home = UserFolders::Home();
  if (!home) return std::nullopt;
  if (home->empty() || home->back() != '/') home->push_back('/');
  return *home + homeRelative;
}

}  // namespace

std::optional<std::string> UserFolders::Home() {
  if (auto fromEnvironment = AbsoluteFromEnvironment("HOME")) return fromEnvironment;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr || found->pw_dir[0] != '/') {
    return std::nullopt;
  }
  return std::string(found->pw_dir);
}

std::optional<std::string> UserFolders::ConfigHome() { return BaseFolder("XDG_CONFIG_HOME", ".config"); }

std::optional<std::string> UserFolders::DataHome() { return BaseFolder("XDG_DATA_HOME", ".local/share"); }
