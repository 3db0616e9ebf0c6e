#pragma once
// Window: a top-level window built from design values. Constructor() runs Layout and then
// CreateControls, the two hooks a window class overrides. ShowModal runs a nested event loop until
// the window is hidden (Hide, or Visible set to False) or closed, or the application quits.
// Positions and sizes are those of the content area: a menu bar stands above it.
// Each window class has at most one implicit instance, found by class name; the close box closes
// the window, which then is no longer the implicit instance and is deleted once control is back in
// the event loop.
//
// The window is a model: it keeps all its properties, and its on-screen view (from the toolkit) is
// made only when the window is first shown, or when its native widget is asked for. A window that
// stays hidden never loads the toolkit.
#include <memory>
#include <string>
#include <vector>

#include "framework/Color.h"
#include "framework/Toolkit.h"

class MenuBar;
class RectControl;
class PushButton;
class QWidget;
namespace EventLoop {
class DeferredCall;
class NestedLoop;
}  // namespace EventLoop

class Window : protected toolkit::WindowClient {
 public:
  explicit Window(std::string className);
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Window construction: Layout, then CreateControls; then the window is the implicit instance of its class.
  void Constructor();

  const std::string& ClassName() const { return fClassName; }

  std::string Title() const { return fTitle; }
  void SetTitle(const std::string& title);
  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  void SetWidth(int width);
  void SetHeight(int height);
  void SetMinWidth(int width);
  void SetMinHeight(int height);
  void SetMaxWidth(int width);
  void SetMaxHeight(int height);
  void SetFrame(int frame) { fFrame = frame; }
  int Frame() const { return fFrame; }
  void SetResizeable(bool resizeable);
  bool Resizeable() const { return fFlags.resizeable; }
  void SetCloseButton(bool closeButton);
  bool CloseButton() const { return fFlags.closeButton; }
  void SetMinimizeButton(bool minimizeButton);
  bool MinimizeButton() const { return fFlags.minimizeButton; }
  void SetMaximizeButton(bool maximizeButton);
  bool MaximizeButton() const { return fFlags.maximizeButton; }
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

  bool Visible() const { return fVisible; }
  void SetVisible(bool visible);
  void Show();
  void Hide();
  void ShowModal();
  bool IsModalRunning() const { return fModalDepth > 0; }
  // Why no window can be shown in this run (no display that answers, no window toolkit), in
  // words for the user; empty when windows can be shown. Where none can, Show and ShowModal
  // leave the window hidden and return at once.
  static std::string WhyNoneCanBeShown();
  // As the close box does: the window closes and stops being its class's implicit instance.
  void Close();
  bool IsClosed() const { return fClosed; }

  // Adds a control under its name; the window owns it. The control's view goes into the
  // content area, or into the parent control set with SetInitialParent.
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

  // The toolkit's widgets, made now if the window has no view yet (tests and tools reach the
  // real widgets through them).
  QWidget* ContentWidget() const;  // the content area
  QWidget* NativeWidget() const;   // the top-level widget
  bool HasView() const { return fView != nullptr; }

 protected:
  virtual void Layout() {}
  virtual void CreateControls() {}

  // What the view reports.
  void ViewCloseBox() override;
  bool ViewKey(toolkit::Key key) override;
  void ViewAboutToShow() override;
  void ViewHidden() override;
  void ViewContentResized(int width, int height) override;

 private:
  friend class RectControl;
  void AdoptControl(std::unique_ptr<RectControl> control);
  // The view, made from the model on first need; its controls' views with it.
  toolkit::WindowView& View();
  toolkit::WindowView* ExistingView() const { return fView.get(); }
  void ApplySize();
  void ApplyTabOrder();
  void EndModalRuns();
  void ScheduleDeletion();

  std::string fClassName;
  std::unique_ptr<toolkit::WindowView> fView;
  std::string fTitle;
  MenuBar* fMenuBar = nullptr;
  std::vector<std::unique_ptr<RectControl>> fControls;
  PushButton* fDefaultButton = nullptr;
  PushButton* fCancelButton = nullptr;
  int fFrame = 0;
  toolkit::WindowFlags fFlags;
  bool fMenuBarVisible = true, fFullScreen = false, fLiveResize = true, fComposite = false;
  bool fHasBackColor = false;
  Color fBackColor = RGB(255, 255, 255);
  int fPlacement = 0, fMacProcID = 0;
  int fMinWidth = 64, fMinHeight = 64, fMaxWidth = 32000, fMaxHeight = 32000;
  int fWidth = 300, fHeight = 300;
  bool fVisible = false;
  int fModalDepth = 0;
  std::vector<EventLoop::NestedLoop*> fModalLoops;  // innermost last
  bool fClosed = false;
  EventLoop::DeferredCall* fDeletion = nullptr;  // set once the deletion after Close is scheduled
};

// The implicit instance of a window class by its class name, or none.
Window* GetImplicitWindow(const std::string& className);
