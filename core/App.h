#pragma once
#include <cstdint>
#include <memory>

#include "framework/Application.h"
#include "framework/Semaphore.h"
#include "core/CPreferences.h"
#include "core/TmrEdit.h"
#include "core/TmrQuit.h"

class BinaryStream;

// App: the single application object. It owns the run's preferences record, its two timers and
// the semaphore that guards the count of documents in hand.
class App : public Application {
 public:
  App() = default;
  ~App() override = default;

  void Event_Open() override;
  void Event_OpenDocument(FolderItemPtr item) override;
  virtual void EditPrefs();
  virtual CPreferences* GetLoadedPreferences();
  virtual int32_t OptionalAddIconToFile(FolderItemPtr item, int32_t iconKind);

  // The application object that start-up registered (the design's global App accessor).
  static App* Instance();

  // Read by tests and by the windows through the accessors below.
  int32_t SelectedVersion() const { return fSelectedVersion; }
  int32_t UseInDesign() const { return fUseInDesign; }
  int32_t NumItemsBeingHandled() const { return fNumItemsBeingHandled; }
  bool LaunchingFile() const { return fLaunchingFile; }
  CPreferences* Preferences() const { return fPreferences.get(); }

 private:
  friend class AppTestAccess;

  bool LaunchWithVersion(FolderItemPtr item, int32_t docVersion, bool preferInDesign, bool canUseInDesign);
  void LaunchWith(FolderItemPtr app, FolderItemPtr item, int32_t appVersion);
  void HandleDroppedItem(FolderItemPtr item);

  bool fLaunchingFile = false;
  std::unique_ptr<TmrEdit> fTimer;
  int32_t fSelectedVersion = -2;
  int32_t fUseInDesign = -2;
  std::unique_ptr<CPreferences> fPreferences;
  std::unique_ptr<TmrQuit> fTimerQuit;
  int32_t fNumItemsBeingHandled = 0;
  std::unique_ptr<Semaphore> fItemCounterSemaphore;
};

