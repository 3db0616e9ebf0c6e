#pragma once
// Window: a top-level window built from design values. Constructor() runs Layout and then
// CreateControls, the two hooks a window class overrides. ShowModal runs a nested event loop until
// the window is hidden (Hide, or Visible set to False) or closed, or the application quits.
// Positions and sizes are those of the content area: a menu bar stands above it.
// Each window class has at most one implicit instance, found by class name; the close box closes
// the window, which then is no longer the implicit instance and is deleted once control is back in
// the event loop.
#include <memory>
#include <string>
#include <vector>

#include "framework/Color.h"

class MenuBar;
class RectControl;
class PushButton;
class QEventLoop;
class QMenuBar;
class QObject;
class QWidget;
class WindowWidget;

class Window {
 public:
  explicit Window(std::string className);
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Window construction: Layout, then CreateControls; then the window is the implicit instance of its class.
  void Constructor();

  const std::string& ClassName() const { return fClassName; }

  std::string Title() const;
  void SetTitle(const std::string& title);
  int Width() const;
  int Height() const;
  void SetWidth(int width);
  void SetHeight(int height);
  void SetMinWidth(int width);
  void SetMinHeight(int height);
  void SetMaxWidth(int width);
  void SetMaxHeight(int height);
  void SetFrame(int frame) { fFrame = frame; }
  int Frame() const { return fFrame; }
  void SetResizeable(bool resizeable);
  bool Resizeable() const { return fResizeable; }
  void SetCloseButton(bool closeButton);
  bool CloseButton() const { return fCloseButton; }
  void SetMinimizeButton(bool minimizeButton);
  bool MinimizeButton() const { return fMinimizeButton; }
  void SetMaximizeButton(bool maximizeButton);
  bool MaximizeButton() const { return fMaximizeButton; }
  // Stored design values without behaviour on this platform.
  void SetMenuBarVisible(bool visible) { fMenuBarVisible = visible; }
  void SetFullScreen(bool fullScreen) { fFullScreen = fullScreen; }
  void SetLiveResize(bool liveResize) { fLiveResize = liveResize; }
  void SetComposite(bool composite) { fComposite = composite; }
  void SetHasBackColor(bool hasBackColor) { fHasBackColor = hasBackColor; }
  void SetBackColor(Color color) { fBackColor = color; }
  void SetPlacement(int placement) { fPlacement = placement; }
  void SetMacProcID(int procID) { fMacProcID = procID; }

  MenuBar* GetMenuBar() const { return fMenuBar; }
  void SetMenuBar(MenuBar* menuBar);

  bool Visible() const;
  void SetVisible(bool visible);
  void Show();
  void Hide();
  void ShowModal();
  bool IsModalRunning() const { return fModalDepth > 0; }
  // As the close box does: the window closes and stops being its class's implicit instance.
  void Close();
  bool IsClosed() const { return fClosed; }

  // Adds a control under its name; the window owns it. The control's widget goes into the
  // content area, or into the parent control set with SetInitialParent before.
  template <class C>
  C* AddControl(std::unique_ptr<C> control) {
    C* raw = control.get();
    AdoptControl(std::move(control));
    return raw;
  }
  RectControl* Control(const std::string& name) const;
  const std::vector<std::unique_ptr<RectControl>>& Controls() const { return fControls; }

  // Return presses the default button and Escape the cancel button (set by PushButton).
  void SetDefaultButton(PushButton* button) { fDefaultButton = button; }
  void SetCancelButton(PushButton* button) { fCancelButton = button; }
  PushButton* DefaultButton() const { return fDefaultButton; }
  PushButton* CancelButton() const { return fCancelButton; }

  QWidget* ContentWidget() const;  // the content area
  QWidget* NativeWidget() const;   // the top-level widget

 protected:
  virtual void Layout() {}
  virtual void CreateControls() {}

 private:
  friend class WindowWidget;
  friend class WindowReaper;
  void AdoptControl(std::unique_ptr<RectControl> control);
  void PrepareToShow();  // from the widget, before every showing
  void ApplyFlags();
  void ApplySizeLimits();
  void ApplyTabOrder();
  void HandleCloseBox();  // from the widget's close event
  bool HandleKey(int key);
  void HandleHidden();
  void HandleContentResized(int width, int height);
  void EndModalRuns();
  void ScheduleDeletion();

  std::string fClassName;
  std::unique_ptr<WindowWidget> fWidget;
  QWidget* fContent = nullptr;
  MenuBar* fMenuBar = nullptr;
  std::vector<std::unique_ptr<RectControl>> fControls;
  PushButton* fDefaultButton = nullptr;
  PushButton* fCancelButton = nullptr;
  int fFrame = 0;
  bool fResizeable = true, fCloseButton = true, fMinimizeButton = true, fMaximizeButton = true;
  bool fMenuBarVisible = true, fFullScreen = false, fLiveResize = true, fComposite = false;
  bool fHasBackColor = false;
  Color fBackColor = RGB(255, 255, 255);
  int fPlacement = 0, fMacProcID = 0;
  int fMinWidth = 64, fMinHeight = 64, fMaxWidth = 32000, fMaxHeight = 32000;
  int fWidth = 300, fHeight = 300;
  int fModalDepth = 0;
  std::vector<QEventLoop*> fModalLoops;  // innermost last
  bool fClosed = false;
  bool fQuietHide = false;  // hiding for new flags or modality, which ends no modal run
  QMenuBar* fMenuBarView = nullptr;  // made when the window is first shown
  bool fPrepared = false;             // PrepareToShow has run
  QObject* fReaper = nullptr;  // set once the deletion after Close is scheduled
};

// The implicit instance of a window class by its class name, or none.
Window* GetImplicitWindow(const std::string& className);
