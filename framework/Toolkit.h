#pragma once
// The seam between the window models (Window and the controls) and the toolkit that shows them.
// A model keeps every property itself and answers every getter; its view is made the first time
// something must appear on screen (or a test asks for the native widget), from the model's state,
// and from then on the model forwards each change to it. Views report the user's doings back
// through the Client interfaces. Nothing here names a type of the toolkit, so that the toolkit can
// live in a library of its own, loaded only when a window is first needed.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Color.h"

class MenuBar;
class Picture;
using PicturePtr = std::shared_ptr<Picture>;

namespace toolkit {

// What a control's view shows; each kind takes the properties that its model has.
enum class ControlKind { Label, PushButton, BevelButton, RadioButton, CheckBox, GroupBox, Separator, Canvas };

// A text style as the design gives it: what was never set stays the toolkit's default.
// size 0 is the standard size; any other size counts pixels. A family of "System" or "" is the
// standard font.
struct TextStyle {
  std::optional<std::string> family;
  std::optional<int> size;
  std::optional<bool> bold, italic, underline;
  bool IsDefault() const { return !family && !size && !bold && !italic && !underline; }
};

// The keys a window acts on; every other key is the focused control's.
enum class Key { Return, Enter, Escape, Other };

// The user's doings on a control's view.
class ControlClient {
 public:
  virtual void ViewClicked() {}                      // a click that the control took (enabled)
  virtual void ViewValueChanged(bool value) { (void)value; }  // check and radio buttons, any cause
  virtual bool ViewMouseDown(int x, int y) { (void)x, (void)y; return false; }  // true: wants the up
  virtual bool WantsMouseDown() const { return false; }
  virtual void ViewMouseUp(int x, int y) { (void)x, (void)y; }
  virtual void ViewMouseEnter() {}
  virtual void ViewMouseExit() {}

 protected:
  ~ControlClient() = default;
};

class ControlView {
 public:
  virtual ~ControlView() = default;
  virtual void* NativeHandle() = 0;  // the toolkit's own widget; none once the toolkit deleted it
  // parent: the group box's view the control sits in, or none for the window's content area.
  virtual void SetParent(ControlView* parent) = 0;
  virtual void SetGeometry(int left, int top, int width, int height) = 0;  // in the parent's coordinates
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetTabStop(bool tabStop) = 0;
  virtual void SetHelpTag(const std::string& helpTag) = 0;
  virtual void SetTextStyle(const TextStyle& style) = 0;
  // Properties of some kinds only; the others ignore them.
  virtual void SetText(const std::string& text) = 0;  // a caption, or a label's text as shown
  virtual void SetTextColor(Color color) = 0;
  virtual void SetMultiline(bool multiline) = 0;
  virtual void SetTextAlign(int align) = 0;  // 0 left, 1 centre, 2 right
  virtual void SetValue(bool value) = 0;
  virtual void SetDefault(bool isDefault) = 0;
  virtual void SetPicture(PicturePtr picture) = 0;  // drawn at the top left; none draws nothing
};

// The user's and the window system's doings on a window's view.
class WindowClient {
 public:
  virtual void ViewCloseBox() = 0;
  virtual bool ViewKey(Key key) = 0;  // true: taken
  virtual void ViewAboutToShow() = 0;  // before every showing, also one the program did not ask for
  virtual void ViewHidden() = 0;       // hidden, not by minimising
  virtual void ViewContentResized(int width, int height) = 0;

 protected:
  ~WindowClient() = default;
};

struct WindowFlags {
  bool resizeable = true, closeButton = true, minimizeButton = true, maximizeButton = true;
};

struct SizeLimits {
  int width = 0, height = 0, minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
};

class WindowView {
 public:
  virtual ~WindowView() = default;
  virtual void* NativeHandle() = 0;   // the top-level widget
  virtual void* ContentHandle() = 0;  // the content area, below the menu bar
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetFlags(const WindowFlags& flags) = 0;
  // A fixed window (not resizeable) has exactly its content size.
  virtual void SetSize(const SizeLimits& size, bool resizeable) = 0;
  // The menu bar's view is made at the first showing: a window that stays hidden never pays for it.
  virtual void SetMenuBar(MenuBar* menuBar) = 0;
  virtual void SetModal(bool modal) = 0;  // takes effect from the next showing
  virtual bool IsModal() const = 0;
  virtual bool IsShown() const = 0;
  virtual void Show() = 0;  // shown, raised and made active
  virtual void Hide() = 0;
  // Tab order of the controls that take the focus by Tab, in the given order.
  virtual void SetTabOrder(const std::vector<ControlView*>& order) = 0;
  virtual std::unique_ptr<ControlView> CreateControl(ControlKind kind, ControlClient& client) = 0;
};

// A nested run of the toolkit's event loop, for a modal window. Run returns once Exit was called or
// the application quits.
class NestedLoop {
 public:
  virtual ~NestedLoop() = default;
  virtual void Run() = 0;
  virtual void Exit() = 0;
};

// A call put off by Defer; the toolkit owns it until it has run or was cancelled.
class DeferredCall;

// Makes the views. The one in use comes from Toolkit::Current(); the program never names it.
class Toolkit {
 public:
  virtual ~Toolkit() = default;
  virtual std::unique_ptr<WindowView> CreateWindow(WindowClient& client) = 0;
  // A control without a window (none to sit in): a view of its own.
  virtual std::unique_ptr<ControlView> CreateControl(ControlKind kind, ControlClient& client) = 0;
  virtual std::unique_ptr<NestedLoop> CreateNestedLoop() = 0;
  // action runs when the loop running at the time of this call gets control back, never inside a
  // loop nested later; Cancel, before then, drops it.
  virtual DeferredCall* Defer(std::function<void()> action) = 0;
  virtual void Cancel(DeferredCall* call) = 0;

  // The window toolkit's views, made ready on first use (WindowSystem::Load). A program whose
  // toolkit cannot be loaded has said why in the log and ends.
  static Toolkit& Current();
};

}  // namespace toolkit
