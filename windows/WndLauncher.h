#pragma once
// WndLauncher: the configuration window. Per version CS to CS4 it shows the InDesign and InCopy
// application paths with their Browse and Clear buttons and a group box choosing the default
// application for that version's InDesign documents; below them the icon check box, the logo,
// the info text, the maker's link, OK and Cancel.
//
// It edits a private working copy of the record that EditPreferences is given and copies it back
// only on acceptance: OK, the close box, or the window being hidden by a document handed over.
// Only Cancel discards the edits. It never reads or writes the preferences file.
#include <cstdint>
#include <memory>

#include "framework/Window.h"

class BevelButton;
class Canvas;
class CheckBox;
class CPreferences;
class GroupBox;
class MenuItem;
class PushButton;
class QuitMenuItem;
class RadioButton;
class Separator;
class StaticText;

class WndLauncher : public Window {
 public:
  WndLauncher();
  ~WndLauncher() override;
  // The single instance: the existing window, or a new hidden one when there is none (at start-up,
  // or after the user closed the window with its close box).
  static WndLauncher* Instance();

  // Construction hooks, run by Window::Constructor. CreateControls0 and CreateControls1 are internal
  // to the control set-up.
  void Layout() override;
  void CreateControls() override;
  virtual void CreateControls0();
  virtual void CreateControls1();

  virtual void BtnInDesignCSBrowse_Action();
  virtual void BtnOK_Action();
  virtual void BtnCancel_Action();
  virtual bool LblLink_MouseDown(int32_t x, int32_t y);
  virtual void LblLink_MouseUp(int32_t x, int32_t y);
  virtual void LblLink_MouseEnter();
  virtual void LblLink_MouseExit();
  virtual void BtnInCopyCSBrowse_Action();
  virtual void BtnInDesignCS2Browse_Action();
  virtual void BtnInCopyCS2Browse_Action();
  virtual void BtnInDesignCS3Browse_Action();
  virtual void BtnInCopyCS3Browse_Action();
  virtual void BtnInCopyCS4Browse_Action();
  virtual void BtnInDesignCS4Browse_Action();
  virtual void RbnInDesignCS_Action();
  virtual void RbnInCopyCS_Action();
  virtual void RbnInDesignCS2_Action();
  virtual void RbnInCopyCS2_Action();
  virtual void RbnInDesignCS3_Action();
  virtual void RbnInCopyCS3_Action();
  virtual void RbnInDesignCS4_Action();
  virtual void RbnInCopyCS4_Action();
  virtual void BtnInDesignCSClear_Action();
  virtual void BtnInDesignCS2Clear_Action();
  virtual void BtnInDesignCS3Clear_Action();
  virtual void BtnInDesignCS4Clear_Action();
  virtual void BtnInCopyCSClear_Action();
  virtual void BtnInCopyCS2Clear_Action();
  virtual void BtnInCopyCS3Clear_Action();
  virtual void BtnInCopyCS4Clear_Action();
  virtual void ChkAdjustIcon_Action();

  // The items of the window's menu bar, found by name; none when the window has no menu bar.
  virtual MenuItem* EditMenu();
  virtual MenuItem* EditSelectAll();
  virtual MenuItem* UntitledMenu0();
  virtual MenuItem* EditClear();
  virtual MenuItem* EditPaste();
  virtual MenuItem* EditCopy();
  virtual MenuItem* EditCut();
  virtual MenuItem* UntitledMenu1();
  virtual MenuItem* EditUndo();
  virtual MenuItem* FileMenu();
  virtual QuitMenuItem* FileQuit();

  // Shows the window modally on a working copy of R; on acceptance copies all thirteen fields back
  // into R and returns true. Saves nothing.
  virtual bool EditPreferences(CPreferences& R);
  // Enables each version's default group box exactly when both of its path labels show a path.
  virtual void UpdateStatus();

  // The controls, in creation order.
  StaticText* LblInDesignCSTitle() const;
  StaticText* LblInDesignCSPath() const;
  BevelButton* BtnInDesignCSBrowse() const;
  Separator* Separator1() const;
  Separator* Separator2() const;
  Separator* Separator3() const;
  Separator* Separator4() const;
  PushButton* BtnOK() const;
  PushButton* BtnCancel() const;
  Canvas* CnvLogo() const;
  StaticText* LblInfo() const;
  StaticText* LblLink() const;
  StaticText* LblInCopyCSTitle() const;
  StaticText* LblInCopyCSPath() const;
  BevelButton* BtnInCopyCSBrowse() const;
  BevelButton* BtnInDesignCS2Browse() const;
  BevelButton* BtnInCopyCS2Browse() const;
  StaticText* LblInCopyCS2Path() const;
  StaticText* LblInCopyCS2Title() const;
  StaticText* LblInDesignCS2Path() const;
  StaticText* LblInDesignCS2Title() const;
  BevelButton* BtnInDesignCS3Browse() const;
  BevelButton* BtnInCopyCS3Browse() const;
  StaticText* LblInCopyCS3Path() const;
  StaticText* LblInCopyCS3Title() const;
  StaticText* LblInDesignCS3Path() const;
  StaticText* LblInDesignCS3Title() const;
  BevelButton* BtnInCopyCS4Browse() const;
  BevelButton* BtnInDesignCS4Browse() const;
  StaticText* LblInCopyCS4Path() const;
  StaticText* LblInCopyCS4Title() const;
  StaticText* LblInDesignCS4Path() const;
  StaticText* LblInDesignCS4Title() const;
  GroupBox* GrpCSDefault() const;
  RadioButton* RbnInDesignCS() const;
  RadioButton* RbnInCopyCS() const;
  GroupBox* GrpCS2Default() const;
  RadioButton* RbnInDesignCS2() const;
  RadioButton* RbnInCopyCS2() const;
  GroupBox* GrpCS3Default() const;
  RadioButton* RbnInDesignCS3() const;
  RadioButton* RbnInCopyCS3() const;
  GroupBox* GrpCS4Default() const;
  RadioButton* RbnInDesignCS4() const;
  RadioButton* RbnInCopyCS4() const;
  BevelButton* BtnInDesignCSClear() const;
  BevelButton* BtnInDesignCS2Clear() const;
  BevelButton* BtnInDesignCS3Clear() const;
  BevelButton* BtnInDesignCS4Clear() const;
  BevelButton* BtnInCopyCSClear() const;
  BevelButton* BtnInCopyCS2Clear() const;
  BevelButton* BtnInCopyCS3Clear() const;
  BevelButton* BtnInCopyCS4Clear() const;
  CheckBox* ChkAdjustIcon() const;

 private:
  friend class WndLauncherTestAccess;

  // row: one of the eight application paths, in the order of the preferences record's fields.
  void BrowseFor(int row);
  void ClearPath(int row);
  MenuItem* MenuBarItem(const char* name) const;

  bool fCanceled = false;
  std::unique_ptr<CPreferences> fPreferences;
};
