#include "framework/Window.h"

#include <algorithm>
#include <map>
#include <utility>

#include "framework/EventLoop.h"
#include "framework/Platform.h"
#include "framework/PushButton.h"
#include "framework/RectControl.h"
#include "framework/Runtime.h"

namespace {

// The implicit instances by class name. Never destroyed: windows may outlive static teardown.
std::map<std::string, Window*>& Registry() {
  static auto* registry = new std::map<std::string, Window*>();
  return *registry;
}

void Unregister(Window* window) {
  auto& registry = Registry();
  auto it = registry.find(window->ClassName());
  if (it != registry.end() && it->second == window) registry.erase(it);
}

}  // namespace

Window::Window(std::string className) : fClassName(std::move(className)) {}

Window::~Window() {
  EventLoop::Cancel(fDeletion);
  Unregister(this);
  // Children before the group boxes they sit in, and all of them before the window's view.
  while (!fControls.empty()) fControls.pop_back();
  fView.reset();
}

void Window::Constructor() {
  Layout();
  CreateControls();
  Registry()[fClassName] = this;
}

Window* GetImplicitWindow(const std::string& className) {
  auto& registry = Registry();
  auto it = registry.find(className);
  return it == registry.end() ? nullptr : it->second;
}

toolkit::WindowView& Window::View() {
  if (fView) return *fView;
  fView = toolkit::Toolkit::Current().CreateWindow(*this);
  fView->SetFlags(fFlags);
  fView->SetTitle(fTitle);
  fView->SetMenuBar(fMenuBar);
  ApplySize();
  // All controls first, then their parents: a group box may come after a control placed in it.
  for (const auto& control : fControls) control->MakeView(*fView);
  for (const auto& control : fControls) control->ApplyParent();
  for (const auto& control : fControls) control->ApplyToView();
  return *fView;
}

void Window::SetTitle(const std::string& title) {
  fTitle = title;
  if (fView) fView->SetTitle(title);
}

void Window::SetWidth(int width) {
  fWidth = width;
  ApplySize();
}

void Window::SetHeight(int height) {
  fHeight = height;
  ApplySize();
}

void Window::SetMinWidth(int width) {
  fMinWidth = width;
  ApplySize();
}

void Window::SetMinHeight(int height) {
  fMinHeight = height;
  ApplySize();
}

void Window::SetMaxWidth(int width) {
  fMaxWidth = width;
  ApplySize();
}

void Window::SetMaxHeight(int height) {
  fMaxHeight = height;
  ApplySize();
}

void Window::SetResizeable(bool resizeable) {
  fFlags.resizeable = resizeable;
  if (fView) fView->SetFlags(fFlags);
  ApplySize();
}

void Window::SetCloseButton(bool closeButton) {
  fFlags.closeButton = closeButton;
  if (fView) fView->SetFlags(fFlags);
}

void Window::SetMinimizeButton(bool minimizeButton) {
  fFlags.minimizeButton = minimizeButton;
  if (fView) fView->SetFlags(fFlags);
}

void Window::SetMaximizeButton(bool maximizeButton) {
  fFlags.maximizeButton = maximizeButton;
  if (fView) fView->SetFlags(fFlags);
}

void Window::ApplySize() {
  if (fFlags.resizeable) {
    fWidth = std::clamp(fWidth, fMinWidth, std::max(fMinWidth, fMaxWidth));
    fHeight = std::clamp(fHeight, fMinHeight, std::max(fMinHeight, fMaxHeight));
  }
  if (fView) {
    fView->SetSize({fWidth, fHeight, fMinWidth, fMinHeight, fMaxWidth, fMaxHeight}, fFlags.resizeable);
  }
}

void Window::ViewContentResized(int width, int height) {
  // Only the user resizes a resizeable window; layout passes of a hidden one are not sizes.
  if (!fFlags.resizeable || !fVisible) return;
  fWidth = width;
  fHeight = height;
}

void Window::SetMenuBar(MenuBar* menuBar) {
  fMenuBar = menuBar;
  if (fView) {
    fView->SetMenuBar(menuBar);
    ApplySize();
  }
}

void Window::SetVisible(bool visible) {
  if (visible) {
    Show();
  } else {
    Hide();
  }
}

std::string Window::WhyNoneCanBeShown() { return Platform::Current().WhyNoWindows(); }

void Window::Show() {
  if (fClosed || !WhyNoneCanBeShown().empty()) return;
  toolkit::WindowView& view = View();
  ApplyTabOrder();
  fVisible = true;
  view.Show();
}

void Window::Hide() {
  fVisible = false;
  if (fView) fView->Hide();
  EndModalRuns();
}

void Window::ViewAboutToShow() { fVisible = true; }

void Window::ViewHidden() {
  fVisible = false;
  EndModalRuns();
}

void Window::EndModalRuns() {
  // Every run of this window ends; an outer one returns once the inner ones have.
  for (EventLoop::NestedLoop* loop : fModalLoops) loop->Exit();
}

void Window::ShowModal() {
  if (fClosed || Runtime::IsQuitting() || !WhyNoneCanBeShown().empty()) return;
  toolkit::WindowView& view = View();
  if (!view.IsModal()) view.SetModal(true);
  Show();

  EventLoop::NestedLoop loop;
  fModalLoops.push_back(&loop);
  ++fModalDepth;
  // The loop may also be ended from outside (the application quitting ends every loop).
  while (fVisible && !fClosed && !Runtime::IsQuitting()) loop.Run();
  --fModalDepth;
  fModalLoops.pop_back();

  if (fModalDepth == 0) {
    if (!fVisible && fView) fView->SetModal(false);
    if (fClosed) ScheduleDeletion();
  }
}

void Window::Close() {
  if (fClosed) return;
  fClosed = true;
  Unregister(this);
  Hide();
  // During a modal run the run itself schedules the deletion once it has returned.
  if (fModalDepth == 0) ScheduleDeletion();
}

void Window::ScheduleDeletion() {
  if (fDeletion) return;
  fDeletion = EventLoop::Defer([this] {
    fDeletion = nullptr;
    delete this;
  });
}

void Window::ViewCloseBox() {
  if (fFlags.closeButton) Close();
}

bool Window::ViewKey(toolkit::Key key) {
  if ((key == toolkit::Key::Return || key == toolkit::Key::Enter) && fDefaultButton) {
    fDefaultButton->Push();
    return true;
  }
  if (key == toolkit::Key::Escape && fCancelButton) {
    fCancelButton->Push();
    return true;
  }
  return false;
}

void Window::AdoptControl(std::unique_ptr<RectControl> control) {
  if (!control) return;
  fControls.push_back(std::move(control));
  if (!fView) return;
  RectControl& added = *fControls.back();
  added.MakeView(*fView);
  added.ApplyParent();
  added.ApplyToView();
  // Controls placed in it before it was added move into it now.
  for (const auto& control : fControls) {
    if (control->InitialParent() == &added) control->SetInitialParent(&added);
  }
}

RectControl* Window::Control(const std::string& name) const {
  for (const auto& control : fControls) {
    if (control->Name() == name) return control.get();
  }
  return nullptr;
}

void Window::ApplyTabOrder() {
  // Tab order follows TabIndex; a control inside a group box counts within it, at the box's place.
  struct Entry {
    int outer, inner;
    toolkit::ControlView* view;
  };
  std::vector<Entry> entries;
  for (const auto& control : fControls) {
    toolkit::ControlView* view = control->ExistingView();
    if (!view) continue;
    if (RectControl* parent = control->InitialParent()) {
      entries.push_back({parent->TabIndex(), control->TabIndex(), view});
    } else {
      entries.push_back({control->TabIndex(), -1, view});
    }
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.outer != b.outer ? a.outer < b.outer : a.inner < b.inner;
  });
  std::vector<toolkit::ControlView*> order;
  order.reserve(entries.size());
  for (const Entry& entry : entries) order.push_back(entry.view);
  fView->SetTabOrder(order);
}

QWidget* Window::ContentWidget() const {
  return static_cast<QWidget*>(const_cast<Window*>(this)->View().ContentHandle());
}

QWidget* Window::NativeWidget() const {
  return static_cast<QWidget*>(const_cast<Window*>(this)->View().NativeHandle());
}
