#include "WindowsTestSupport.h"

#include <cstdlib>
#include <memory>

#include "support/TempDir.h"
#include "core/App.h"
#include "core/FileTypes1.h"

App* TestApp() {
  // The live record loads the preferences file once: from an empty folder of our own, never the
  // user's.
  static TempDir configHome;
  static App* made = nullptr;
  // A whole program run registers an application object of its own, which replaces this one.
  if (made == nullptr || Application::Current() != made) {
    setenv("XDG_CONFIG_HOME", configHome.path().c_str(), 1);
    FileTypes1::Initialize();
    Application::Register(std::make_unique<App>());
    made = App::Instance();
  }
  return made;
}

CPreferences& LivePreferences() { return *TestApp()->GetLoadedPreferences(); }

void DiscardWindow(Window* window) {
  if (window) window->Close();
  // Closed windows are deleted as deferred deletions; outside an event loop they wait for this.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
