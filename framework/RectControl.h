#pragma once
// RectControl: the base of the window controls. Bounds are in the window's content coordinates,
// also for a control whose parent is a group box. Locks are design values; the windows that use
// them cannot be resized.
//
// A control is a model like its window: it keeps its properties, and its view exists only once
// the window's view does (see Window).
#include <functional>
#include <memory>
#include <string>

#include "framework/Color.h"
#include "framework/Toolkit.h"

class QWidget;
class Window;

class RectControl : protected toolkit::ControlClient {
 public:
  RectControl(Window* window, std::string name, toolkit::ControlKind kind);
  virtual ~RectControl();
  RectControl(const RectControl&) = delete;
  RectControl& operator=(const RectControl&) = delete;

  const std::string& Name() const { return fName; }
  Window* GetWindow() const { return fWindow; }

  int Left() const { return fLeft; }
  int Top() const { return fTop; }
  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  void SetBounds(int left, int top, int width, int height);
  void SetLocks(bool left, bool top, bool right, bool bottom);
  bool LockLeft() const { return fLockLeft; }
  bool LockTop() const { return fLockTop; }
  bool LockRight() const { return fLockRight; }
  bool LockBottom() const { return fLockBottom; }

  bool Enabled() const { return fEnabled; }  // its own setting
  void SetEnabled(bool enabled);
  bool Visible() const { return fVisible; }
  void SetVisible(bool visible);
  int TabIndex() const { return fTabIndex; }
  void SetTabIndex(int tabIndex) { fTabIndex = tabIndex; }
  bool TabStop() const { return fTabStop; }
  void SetTabStop(bool tabStop);
  const std::string& HelpTag() const { return fHelpTag; }
  void SetHelpTag(const std::string& helpTag);
  void SetAutoDeactivate(bool autoDeactivate) { fAutoDeactivate = autoDeactivate; }

  // Text properties of text-bearing controls. Size 0 is the platform's standard size; any other size
  // counts pixels, as a design point does on a 72 dpi screen. "System" is the platform's standard font.
  void SetTextFont(const std::string& font);
  void SetTextSize(int size);
  void SetBold(bool bold);
  void SetItalic(bool italic);
  void SetUnderline(bool underline);
  const toolkit::TextStyle& TextStyle() const { return fStyle; }

  // Makes parent (a group box) this control's parent; the bounds stay in window coordinates.
  void SetInitialParent(RectControl* parent);
  RectControl* InitialParent() const { return fParent; }

  // The toolkit's widget, made now with the window's view if there is none yet; none once the
  // toolkit deleted it.
  QWidget* NativeWidget() const;

 protected:
  // Enabled, and not inside a disabled group box: a click on it counts.
  bool TakesClicks() const;
  toolkit::ControlView* ExistingView() const { return fView.get(); }
  // Gives the view the control's own properties; each kind adds its own after the common ones.
  virtual void ApplyToView();

 private:
  friend class Window;
  void MakeView(toolkit::WindowView& windowView);
  void ApplyParent();
  void Place();
  void ApplyStyle();

  Window* fWindow;
  std::string fName;
  toolkit::ControlKind fKind;
  std::unique_ptr<toolkit::ControlView> fView;
  RectControl* fParent = nullptr;
  int fLeft = 0, fTop = 0, fWidth = 0, fHeight = 0;
  bool fLockLeft = false, fLockTop = false, fLockRight = false, fLockBottom = false;
  bool fEnabled = true, fVisible = true, fTabStop = true, fAutoDeactivate = true;
  int fTabIndex = 0;
  std::string fHelpTag;
  toolkit::TextStyle fStyle;
};
