#include "framework/WindowSystem.h"

#include <string>

#include "framework/LibraryBeside.h"
#include "framework/Platform.h"
#include "framework/SessionBus.h"

namespace {

constexpr const char* kEntry = "TessarineWindowSystem";

struct Loading {
  bool tried = false;
  WindowSystem* windows = nullptr;
};

Loading& State() {
  static Loading state;
  return state;
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
  std::string error;
  void* entry = LibraryBeside::Entry(LibraryBeside::kWindowToolkit, kEntry, error);
  if (entry == nullptr) {
    Platform::Current().WriteLog("Error:WindowSystem.Load: " + error);
    return nullptr;
  }
  state.windows = reinterpret_cast<Entry>(entry)();
  return state.windows;
}
