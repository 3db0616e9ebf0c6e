#include "core/Startup.h"

#include <memory>

#include "core/App.h"
#include "core/FileTypes1.h"
#include "windows/MenuBar1.h"
#include "windows/WndLauncher.h"

void TessarineStartup() {
  // The plug-in's services are linked into the program on Linux: there are no entry points to bind.
  FileTypes1::Initialize();

  auto app = std::make_unique<App>();
  app->SetMenuBar(MenuBar1::Instance());
  Application::Register(std::move(app));
  // The application installs no menu handlers of its own.

  // The configuration window is the default window; it is made hidden and found again through
  // its class's single instance, so nothing keeps it here.
  WndLauncher::Instance();
}
