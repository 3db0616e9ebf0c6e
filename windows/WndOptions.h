#pragma once
// WndOptions: the version chooser, shown when Shift or Option is held for the first document of
// a run. It offers the configured applications of the document's version and newer as one group
// of eight radio buttons, InDesign on the left and InCopy on the right, CS at the top. It has no
// close box and no menu bar of its own: only OK and Cancel end its modal run, both by hiding it.
#include <cstdint>

#include "framework/Window.h"

class Canvas;
class PushButton;
class RadioButton;
class StaticText;

class WndOptions : public Window {
 public:
  WndOptions();
  ~WndOptions() override;
  // The single instance: the existing window, or a new hidden one on the first call.
  static WndOptions* Instance();

  // Construction hooks, run by Window::Constructor. CreateControls0 is internal to the control set-up.
  void Layout() override;
  void CreateControls() override;
  virtual void CreateControls0();

  virtual void BtnOK_Action();
  virtual void BtnCancel_Action();
  virtual bool LblLink_MouseDown(int32_t x, int32_t y);
  virtual void LblLink_MouseUp(int32_t x, int32_t y);
  virtual void LblLink_MouseEnter();
  virtual void LblLink_MouseExit();

  // Offers the applications that can open a document of in_docVersion and returns the choice:
  // out_version is the chosen version code, in_docVersion when only one application is usable, -1
  // when none is or the user cancels; out_useInDesign is false only for a chosen InCopy. The caller
  // passes its run's decision field itself as out_version: it reads -1 while the window is shown.
  virtual void SelectInDesignVersion(int32_t in_docVersion, int32_t& out_version, bool& out_useInDesign);

  // The controls, in creation order.
  RadioButton* RbnInDesignCS() const;
  RadioButton* RbnInDesignCS2() const;
  RadioButton* RbnInDesignCS3() const;
  RadioButton* RbnInDesignCS4() const;
  PushButton* BtnOK() const;
  PushButton* BtnCancel() const;
  RadioButton* RbnInCopyCS4() const;
  RadioButton* RbnInCopyCS3() const;
  RadioButton* RbnInCopyCS2() const;
  RadioButton* RbnInCopyCS() const;
  Canvas* CnvLogo() const;
  StaticText* LblInfo() const;
  StaticText* LblLink() const;

 private:
  friend class WndOptionsTestAccess;

  bool fCanceled = false;
};
