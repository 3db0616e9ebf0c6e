// The drop road: what happens to one document handed over by the desktop, from its count-in to
// its count-out. Every path leaves through the count-out, so the quit timer is armed once the last
// document in hand is done.
//
// Message boxes and the chooser run nested event loops, in which further documents arrive and run
// their whole road inside this one. Their count-in keeps the count above zero, so no quit is armed
// before the outer road has ended too; the semaphore is never held across such a wait.
#include <exception>

#include "core/App.h"
#include "core/DocumentDetection.h"
#include "core/Utilities.h"
#include "framework/BinaryStream.h"
#include "framework/Dialogs.h"
#include "framework/Keyboard.h"
#include "framework/Text.h"
#include "windows/WndLauncher.h"
#include "windows/WndOptions.h"

namespace {

bool SelectionKeyHeld() { return Keyboard::AsyncShiftKey() || Keyboard::AsyncOptionKey(); }

}  // namespace

void App::HandleDroppedItem(FolderItemPtr item) {
  Utilities::LogVerbose(
      [&] { return "App.HandleDroppedItem: called - item = " + (item ? item->ShellPath() : std::string("nil")); });

  fItemCounterSemaphore->Signal();
  fNumItemsBeingHandled += 1;
  fItemCounterSemaphore->Release();
  // Cancels a quit that an earlier document armed and that has not fired yet.
  if (fTimerQuit) fTimerQuit->SetMode(0);

  // From now on the start-up timer leaves the configuration window alone.
  fLaunchingFile = true;
  WndLauncher::Instance()->SetVisible(false);

  if (!item || !item->Exists() || item->Directory()) {
    Utilities::LogError("App.HandleDroppedItem: item is nil, or does not exist, or is a directory");
  } else {
    bool selectVersion = SelectionKeyHeld();
    Utilities::LogVerbose([&] { return "App.HandleDroppedItem: selectVersion = " + Str(selectVersion); });

    // Only regular files open; a pipe or a device is refused at once instead of blocking the road.
    std::unique_ptr<BinaryStream> stream = item->OpenAsBinaryFile(false);
    if (!stream) {
      Utilities::LogWarning("App.HandleDroppedItem: could not open file " + item->ShellPath());
      MsgBox("Could not open file");
    } else {
      // Nothing here throws on purpose; should anything fail all the same, the road still closes
      // the document and counts it out, so that the program does not stay behind without a quit.
      try {
        DocumentDetection detected = DocumentDetection::Detect(*item, *stream, *fPreferences);
        if (detected.iconKind) OptionalAddIconToFile(item, *detected.iconKind);
        int32_t docVersion = detected.docVersion;
        bool preferInDesign = detected.preferInDesign;
        const bool canUseInDesign = detected.canUseInDesign;

        if (fSelectedVersion == -2) {
          Utilities::LogNote("App.HandleDroppedItem: fSelectedVersion = -2");
          // A key held at either sample counts: the user may press it only after dropping.
          if (!selectVersion) selectVersion = SelectionKeyHeld();
          if (selectVersion) {
            Utilities::LogNote("App.HandleDroppedItem: initiating user dialog");
            bool selectedUseInDesign = false;
            // The chooser writes into the field itself, first -1: documents that arrive while it
            // is shown are then not launched.
            WndOptions::Instance()->SelectInDesignVersion(docVersion, fSelectedVersion, selectedUseInDesign);
            fUseInDesign = selectedUseInDesign ? 1 : 0;
            Utilities::LogNote("App.HandleDroppedItem: return from user dialog - fSelectedVersion = " +
                               Str(fSelectedVersion) + ", selectedUseInDesign = " + Str(selectedUseInDesign));
          } else {
            Utilities::LogNote("User does not desire version selection - clear fSelectedVersion");
            fSelectedVersion = 0;
          }
        }

        if (fSelectedVersion > 0) {
          docVersion = fSelectedVersion;
          preferInDesign = fUseInDesign == 1;
        } else if (fSelectedVersion == -1) {
          docVersion = -1;
        }

        if (docVersion > 0 && !LaunchWithVersion(item, docVersion, preferInDesign, canUseInDesign)) {
          MsgBox("Could not determine what to do with this file");
        }
      } catch (const std::exception& failure) {
        Utilities::LogError("App.HandleDroppedItem: failed on " + item->ShellPath() + ": " + failure.what());
      }
      if (stream->IsOpen()) stream->Close();
    }
  }

  fItemCounterSemaphore->Signal();
  fNumItemsBeingHandled -= 1;
  if (fNumItemsBeingHandled == 0) {
    if (!fTimerQuit) fTimerQuit = std::make_unique<TmrQuit>();
    fTimerQuit->SetPeriod(250);
    fTimerQuit->SetMode(1);
  }
  fItemCounterSemaphore->Release();
  Utilities::LogVerbose("App.HandleDroppedItem: returned");
}
