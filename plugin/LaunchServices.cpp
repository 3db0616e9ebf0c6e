#include "plugin/LaunchServices.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "plugin/DesktopServices.h"
#include "plugin/ProcessSpawner.h"

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// status: what stat said of path just now.
bool IsExecutableFile(const std::string& path, const struct stat& status) {
  return S_ISREG(status.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool IsExecutableFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && IsExecutableFile(path, status);
}

std::string BaseName(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

// A bundle's program: Contents/MacOS/<bundle name without .app>, else the only executable file
// there. Empty, with the reason in error, when neither settles it.
std::string BundleExecutable(const std::string& bundlePath, std::string& error) {
  const std::string folder = bundlePath + "/Contents/MacOS";
  std::string name = BaseName(bundlePath);
  name.resize(name.size() - 4);
  if (IsExecutableFile(folder + "/" + name)) return folder + "/" + name;

  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) {
    error = "the bundle has no readable Contents/MacOS folder: " + std::string(std::strerror(errno));
    return std::string();
  }
  std::vector<std::string> executables;
  while (const dirent* entry = readdir(listing)) {
    const std::string entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    if (IsExecutableFile(folder + "/" + entryName)) executables.push_back(folder + "/" + entryName);
  }
  closedir(listing);
  if (executables.size() == 1) return executables.front();
  error = executables.empty()
              ? "no executable in the bundle's Contents/MacOS"
              : "several executables in the bundle's Contents/MacOS and none named after the bundle";
  return std::string();
}

// One process per document, each with the document's path as its one argument: that is what an
// executable given a document is known to understand. Without documents it starts once, bare.
bool RunExecutable(const std::string& program, const std::vector<std::string>& documentPaths,
                   std::string& error) {
  if (documentPaths.empty()) return ProcessSpawner::SpawnDetached({program}, error);
  for (const std::string& document : documentPaths) {
    if (!ProcessSpawner::SpawnDetached({program, document}, error)) return false;
  }
  return true;
}

bool Open(const std::string& application, const std::vector<std::string>& documentPaths, std::string& error) {
  struct stat status {};
  if (stat(application.c_str(), &status) != 0) {
    error = "the application cannot be found: " + std::string(std::strerror(errno));
    return false;
  }
  if (S_ISDIR(status.st_mode)) {
    if (!EndsWith(BaseName(application), ".app")) {
      error = "a folder that is not an application bundle (.app)";
      return false;
    }
    const std::string program = BundleExecutable(application, error);
    return !program.empty() && RunExecutable(program, documentPaths, error);
  }
  if (S_ISREG(status.st_mode) && EndsWith(application, ".desktop")) {
    return DesktopServices::LaunchDesktopEntry(application, documentPaths, error);
  }
  if (!IsExecutableFile(application, status)) {
    error = "not an executable file or launcher";
    return false;
  }
  return RunExecutable(application, documentPaths, error);
}

}  // namespace

FolderItemPtr LaunchServicesOpenXMBS(const std::vector<FolderItemPtr>& documents,
                                     LaunchServicesLaunchParameterMBS& parameter) {
  // Defaults asks for the default launch flags, which is all there is here.
  parameter.Error.clear();
  if (!parameter.Application) {
    parameter.Error = "no application given";
    return nullptr;
  }
  std::vector<std::string> documentPaths;
  for (const FolderItemPtr& document : documents) {
    if (!document) {
      parameter.Error = "a document is missing from the list";
      return nullptr;
    }
    documentPaths.push_back(document->NativePath());
  }
  if (!Open(parameter.Application->NativePath(), documentPaths, parameter.Error)) return nullptr;
  return parameter.Application;
}
