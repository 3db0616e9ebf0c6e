#include "core/smalllogo.h"

#include "framework/Application.h"

PicturePtr smalllogo() {
  static bool called = false;
  static PicturePtr cache;
  if (!called) {
    called = true;
    cache = nullptr;
  }
  // A failed load is not remembered: the next call tries again.
  if (!cache) {
    const Application* app = Application::Current();
    if (const FolderItemPtr resources = app ? app->ResourcesFolder() : nullptr) {
      if (const FolderItemPtr file = resources->Child("smalllogo.png")) cache = file->OpenAsPicture();
    }
  }
  return cache;
}
