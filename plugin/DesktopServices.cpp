#include "plugin/DesktopServices.h"

#include "framework/LibraryBeside.h"
#include "plugin/IconFamily.h"

namespace {

template <class Function>
Function* Find(const char* entry, std::string& error) {
  return reinterpret_cast<Function*>(LibraryBeside::Entry(LibraryBeside::kDesktopServices, entry, error));
}

}  // namespace

bool DesktopServices::LaunchDesktopEntry(const std::string& launcherPath, const std::vector<std::string>& documentPaths,
                                         std::string& error) {
  using Launch = bool(const std::string&, const std::vector<std::string>&, std::string&);
  Launch* launch = Find<Launch>("TessarineLaunchDesktopEntry", error);
  return launch != nullptr && launch(launcherPath, documentPaths, error);
}

MetadataService::Outcome DesktopServices::SetMetadataThroughGIO(const std::string& path, const std::string& attribute,
                                                                const std::string& value, int timeoutMilliseconds,
                                                                int32_t& code) {
  using Set = int(const std::string&, const std::string&, const std::string&, int, int32_t&);
  std::string error;
  Set* set = Find<Set>("TessarineSetMetadataThroughGIO", error);
  if (set == nullptr) {
    code = kCustomIconMetadataUnavailable;
    return MetadataService::Outcome::Failed;
  }
  return static_cast<MetadataService::Outcome>(set(path, attribute, value, timeoutMilliseconds, code));
}

std::string DesktopServices::CustomIconOf(const std::string& path) {
  using Query = void(const std::string&, std::string&);
  std::string error;
  std::string uri;
  if (Query* query = Find<Query>("TessarineCustomIconOf", error)) query(path, uri);
  return uri;
}
