#include "core/TmrQuit.h"

#include "framework/Application.h"

void TmrQuit::Event_Action() {
  if (Application* app = Application::Current()) app->Quit(0);
}
