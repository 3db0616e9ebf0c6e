#include "core/TmrEdit.h"

#include "core/App.h"

void TmrEdit::Event_Action() {
  if (App* app = App::Instance()) app->EditPrefs();
}
