#include "core/App.h"

#include "core/Utilities.h"
#include "core/smalllogo.h"
#include "framework/Picture.h"
#include "windows/WndLauncher.h"

App* App::Instance() { return dynamic_cast<App*>(Application::Current()); }

void App::Event_Open() {
  fItemCounterSemaphore = std::make_unique<Semaphore>(1);
  // Without its logo file the program still runs; the windows then show no logo.
  if (const PicturePtr logo = smalllogo()) logo->SetTransparent(1);
  fTimer = std::make_unique<TmrEdit>();
  fTimer->SetMode(1);
  fTimer->SetPeriod(2000);
  fLaunchingFile = false;
  fSelectedVersion = -2;
  fUseInDesign = -2;
  fPreferences = std::make_unique<CPreferences>();
  fPreferences->LoadPreferences();
}

void App::Event_OpenDocument(FolderItemPtr item) { HandleDroppedItem(std::move(item)); }

void App::EditPrefs() {
  Utilities::LogVerbose("App.EditPrefs: called");
  fTimer->SetMode(0);
  if (!fLaunchingFile) {
    // Nobody could see or answer the window: the run ends at once, saying why, and leaves the
    // preferences as they are.
    const std::string noWindow = Window::WhyNoneCanBeShown();
    if (!noWindow.empty()) {
      Utilities::LogError("App.EditPrefs: the configuration window needs a display and cannot be shown: " + noWindow);
      Quit(1);
    } else {
      const bool ok = WndLauncher::Instance()->EditPreferences(*fPreferences);
      if (ok) fPreferences->SavePreferences();
      Quit(0);
    }
  }
  Utilities::LogVerbose("App.EditPrefs: returned");
}

CPreferences* App::GetLoadedPreferences() {
  Utilities::LogVerbose("App.GetLoadedPreferences: called");
  if (!fPreferences) {
    fPreferences = std::make_unique<CPreferences>();
    fPreferences->LoadPreferences();
  }
  Utilities::LogVerbose("App.GetLoadedPreferences: returned");
  return fPreferences.get();
}
