#include "framework/LibraryBeside.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace LibraryBeside {

namespace {

// The folder of the framework library itself: the others lie beside it.
std::string OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) return {};
  const std::string path = info.dli_fname;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

void* Entry(const char* library, const char* entry, std::string& error) {
  if (void* linked = dlsym(RTLD_DEFAULT, entry)) return linked;
  // Loaded once; a library that failed to load is not tried again, and says so each time.
  static std::mutex lock;
  static std::map<std::string, std::pair<void*, std::string>> loaded;
  const std::lock_guard<std::mutex> holding(lock);
  auto known = loaded.find(library);
  if (known == loaded.end()) {
    const std::string path = OwnFolder() + "/" + library;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const char* reason = handle == nullptr ? dlerror() : nullptr;
    // The loader's reason names the library itself.
    std::string failure;
    if (handle == nullptr) failure = reason != nullptr ? reason : "cannot load " + path;
    known = loaded.emplace(library, std::make_pair(handle, failure)).first;
  }
  if (known->second.first == nullptr) {
    error = known->second.second;
    return nullptr;
  }
  void* found = dlsym(known->second.first, entry);
  if (found == nullptr) error = std::string("no ") + entry + " in " + library;
  return found;
}

}  // namespace LibraryBeside
