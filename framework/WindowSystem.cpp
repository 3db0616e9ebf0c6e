#include "framework/WindowSystem.h"

#include <string>

#include "framework/DisplayProbe.h"
#include "framework/LibraryBeside.h"
#include "framework/SessionBus.h"

namespace {

constexpr const char* kEntry = "TessarineWindowSystem";

struct Loading {
  bool tried = false;
  WindowSystem* windows = nullptr;
  std::string missing;
};

Loading& State() {
  static Loading state;
  return state;
}

}  // namespace

WindowSystem* WindowSystem::Loaded() { return State().windows; }

const std::string& WindowSystem::Missing() { return State().missing; }

WindowSystem* WindowSystem::Load() {
  Loading& state = State();
  if (state.tried) return state.windows;
  state.tried = true;
  // Started without a display, the toolkit would end the process; on a display that never
  // answers, or a session bus that never answers, it would wait for good.
  const DisplayProbe::Found display = DisplayProbe::Find();
  if (display.platforms.empty()) {
    state.missing = display.missing;
    return nullptr;
  }
  SessionBus::KeepOffSilentBus();
  using Entry = WindowSystem* (*)(const char* platforms, std::string& missing);
  std::string error;
  void* entry = LibraryBeside::Entry(LibraryBeside::kWindowToolkit, kEntry, error);
  if (entry == nullptr) {
    state.missing = "the window library cannot be loaded: " + error;
    return nullptr;
  }
  // Where the toolkit has no plug-in for any of these platforms, it would end the process too.
  state.windows = reinterpret_cast<Entry>(entry)(display.platforms.c_str(), state.missing);
  return state.windows;
}
