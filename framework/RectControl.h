#pragma once
// RectControl: the base of the window controls. Bounds are in the window's content coordinates,
// also for a control whose parent is a group box. Locks are design values; the windows that use
// them cannot be resized.
#include <functional>
#include <memory>
#include <string>

#include "framework/Color.h"

class QObject;
class QWidget;
class Window;

class RectControl {
 public:
  RectControl(Window* window, std::string name, std::unique_ptr<QWidget> widget);
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

  bool Enabled() const;  // its own setting
  void SetEnabled(bool enabled);
  bool Visible() const { return fVisible; }
  void SetVisible(bool visible);
  int TabIndex() const { return fTabIndex; }
  void SetTabIndex(int tabIndex) { fTabIndex = tabIndex; }
  bool TabStop() const { return fTabStop; }
  void SetTabStop(bool tabStop);
  void SetHelpTag(const std::string& helpTag);
  void SetAutoDeactivate(bool autoDeactivate) { fAutoDeactivate = autoDeactivate; }

  // Text properties of text-bearing controls. Size 0 is the platform's standard size; any other size
  // counts pixels, as a design point does on a 72 dpi screen. "System" is the platform's standard font.
  void SetTextFont(const std::string& font);
  void SetTextSize(int size);
  void SetBold(bool bold);
  void SetItalic(bool italic);
  void SetUnderline(bool underline);

  // Makes parent (a group box) this control's parent; the bounds stay in window coordinates.
  void SetInitialParent(RectControl* parent);
  RectControl* InitialParent() const { return fParent; }

  QWidget* NativeWidget() const { return fWidget; }

 private:
  void Place();

  Window* fWindow;
  std::string fName;
  QWidget* fWidget;  // owned by the window's widget tree; none once that tree has deleted it
  QObject* fLink = nullptr;  // a child of fWidget that tells this control when the widget goes
  int fFocusPolicy = 0;      // the widget's own focus policy, for TabStop
  RectControl* fParent = nullptr;
  int fLeft = 0, fTop = 0, fWidth = 0, fHeight = 0;
  bool fLockLeft = false, fLockTop = false, fLockRight = false, fLockBottom = false;
  bool fVisible = true, fTabStop = true, fAutoDeactivate = true;
  int fTabIndex = 0;
};
