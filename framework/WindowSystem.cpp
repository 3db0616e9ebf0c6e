#include "framework/WindowSystem.h"

#include <dlfcn.h>

#include <string>

#include "framework/Platform.h"
#include "framework/SessionBus.h"

namespace {

constexpr const char* kLibrary = "libTessarineWindows.so";
constexpr const char* kEntry = "TessarineWindowSystem";

struct Loading {
  bool tried = false;
  WindowSystem* windows = nullptr;
};

Loading& State() {
  static Loading state;
  return state;
}

// The folder of the framework library itself: the window toolkit's library lies beside it.
std::string OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) return {};
  const std::string path = info.dli_fname;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

WindowSystem* WindowSystem::Loaded() { return State().windows; }

WindowSystem* WindowSystem::Load() {
  Loading& state = State();
  if (state.tried) return state.windows;
  state.tried = true;
  // The toolkit would wait for good on a session bus that never answers.
  SessionBus::KeepOffSilentBus();
  using Entry = WindowSystem* (*)();
  // A program that links the library itself (the tests do) has it already.
  void* entry = dlsym(RTLD_DEFAULT, kEntry);
  if (entry == nullptr) {
    const std::string path = OwnFolder() + "/" + kLibrary;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library != nullptr) entry = dlsym(library, kEntry);
    if (entry == nullptr) {
      const char* reason = dlerror();
      Platform::Current().WriteLog("Error:WindowSystem.Load: cannot load " + path + ": " +
                                   (reason != nullptr ? reason : "no entry"));
      return nullptr;
    }
  }
  state.windows = reinterpret_cast<Entry>(entry)();
  return state.windows;
}
