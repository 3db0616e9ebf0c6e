#include "framework/Window.h"

#include <QEventLoop>
#include <QLayout>
#include <QMenuBar>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <utility>

#include "framework/MenuBarView.h"
#include "framework/MenuItem.h"
#include "framework/PushButton.h"
#include "framework/RectControl.h"
#include "framework/Runtime.h"
#include "framework/WindowWidget.h"

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

// Deletes a closed window when the event loop that was running at the time of the deletion's
// scheduling gets control back (QObject::deleteLater): by then no handler of the window, and no
// caller of its modal run, is still on the stack.
class WindowReaper : public QObject {
 public:
  explicit WindowReaper(Window* window) : fWindow(window) {}
  ~WindowReaper() override {
    if (Window* window = std::exchange(fWindow, nullptr)) {
      window->fReaper = nullptr;
      delete window;
    }
  }
  void Forget() { fWindow = nullptr; }

 private:
  Window* fWindow;
};

Window::Window(std::string className)
    : fClassName(std::move(className)), fWidget(std::make_unique<WindowWidget>(this)) {
  auto* layout = new QVBoxLayout(fWidget.get());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  fContent = new QWidget();
  layout->addWidget(fContent);
  fContent->installEventFilter(fWidget.get());
  ApplyFlags();
  ApplySizeLimits();
}

Window::~Window() {
  if (fReaper) static_cast<WindowReaper*>(fReaper)->Forget();
  Unregister(this);
  fWidget->Detach();
  fWidget->hide();
  // Children before the group boxes they sit in.
  while (!fControls.empty()) fControls.pop_back();
  fWidget.reset();
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

std::string Window::Title() const { return fWidget->windowTitle().toStdString(); }

void Window::SetTitle(const std::string& title) { fWidget->setWindowTitle(QString::fromStdString(title)); }

int Window::Width() const { return fWidth; }
int Window::Height() const { return fHeight; }

void Window::SetWidth(int width) {
  fWidth = width;
  ApplySizeLimits();
}

void Window::SetHeight(int height) {
  fHeight = height;
  ApplySizeLimits();
}

void Window::SetMinWidth(int width) {
  fMinWidth = width;
  ApplySizeLimits();
}

void Window::SetMinHeight(int height) {
  fMinHeight = height;
  ApplySizeLimits();
}

void Window::SetMaxWidth(int width) {
  fMaxWidth = width;
  ApplySizeLimits();
}

void Window::SetMaxHeight(int height) {
  fMaxHeight = height;
  ApplySizeLimits();
}

void Window::SetResizeable(bool resizeable) {
  fResizeable = resizeable;
  ApplyFlags();
  ApplySizeLimits();
}

void Window::SetCloseButton(bool closeButton) {
  fCloseButton = closeButton;
  ApplyFlags();
}

void Window::SetMinimizeButton(bool minimizeButton) {
  fMinimizeButton = minimizeButton;
  ApplyFlags();
}

void Window::SetMaximizeButton(bool maximizeButton) {
  fMaximizeButton = maximizeButton;
  ApplyFlags();
}

void Window::ApplyFlags() {
  Qt::WindowFlags flags =
      Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
  if (fCloseButton) flags |= Qt::WindowCloseButtonHint;
  if (fMinimizeButton) flags |= Qt::WindowMinimizeButtonHint;
  if (fMaximizeButton && fResizeable) flags |= Qt::WindowMaximizeButtonHint;
  if (flags == fWidget->windowFlags()) return;
  // Qt hides a window whose flags change; that hiding must not end a modal run.
  const bool visible = fWidget->isVisible();
  fQuietHide = true;
  fWidget->setWindowFlags(flags);
  if (visible) fWidget->show();
  fQuietHide = false;
}

void Window::ApplySizeLimits() {
  QLayout* layout = fWidget->layout();
  if (!fResizeable) {
    // The content area is fixed; the window around it takes the menu bar's height on top.
    fContent->setFixedSize(fWidth, fHeight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return;
  }
  layout->setSizeConstraint(QLayout::SetDefaultConstraint);
  fWidget->setMinimumSize(0, 0);
  fWidget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  fContent->setMinimumSize(fMinWidth, fMinHeight);
  fContent->setMaximumSize(std::min(fMaxWidth, QWIDGETSIZE_MAX), std::min(fMaxHeight, QWIDGETSIZE_MAX));
  fWidth = std::clamp(fWidth, fMinWidth, std::max(fMinWidth, fMaxWidth));
  fHeight = std::clamp(fHeight, fMinHeight, std::max(fMinHeight, fMaxHeight));
  // Before the first showing there is no menu bar view yet: its height is added then.
  int menuHeight = 0;
  if (fMenuBarView) {
    menuHeight = fMenuBarView->heightForWidth(fWidth);
    if (menuHeight <= 0) menuHeight = fMenuBarView->sizeHint().height();
  }
  fWidget->resize(fWidth, fHeight + menuHeight);
}

void Window::HandleContentResized(int width, int height) {
  // Only the user resizes a resizeable window; layout passes of a hidden one are not sizes.
  if (!fResizeable || !fWidget->isVisible()) return;
  fWidth = width;
  fHeight = height;
}

void Window::SetMenuBar(MenuBar* menuBar) {
  fMenuBar = menuBar;
  QLayout* layout = fWidget->layout();
  if (fMenuBarView) {
    layout->setMenuBar(nullptr);
    delete fMenuBarView;
    fMenuBarView = nullptr;
  }
  if (menuBar && fPrepared) {
    fMenuBarView = MenuBarView::Build(menuBar, fWidget.get());
    layout->setMenuBar(fMenuBarView);
  }
  ApplySizeLimits();
}

// What only a shown window needs is made at its first showing: the menu bar view loads the
// style's icons, and measuring it loads the font database, which costs milliseconds that a window
// that stays hidden (the configuration window of a run with documents) should not pay at start-up.
void Window::PrepareToShow() {
  if (fPrepared) return;
  fPrepared = true;
  if (fMenuBar) {
    fMenuBarView = MenuBarView::Build(fMenuBar, fWidget.get());
    fWidget->layout()->setMenuBar(fMenuBarView);
  }
  ApplySizeLimits();
}

bool Window::Visible() const { return fWidget->isVisible(); }

void Window::SetVisible(bool visible) {
  if (visible) {
    Show();
  } else {
    Hide();
  }
}

void Window::Show() {
  if (fClosed) return;
  ApplyTabOrder();
  fWidget->show();
  fWidget->raise();
  fWidget->activateWindow();
}

void Window::Hide() {
  fWidget->hide();
  EndModalRuns();
}

void Window::HandleHidden() {
  if (!fQuietHide) EndModalRuns();
}

void Window::EndModalRuns() {
  // Every run of this window ends; an outer one returns once the inner ones have.
  for (QEventLoop* loop : fModalLoops) loop->exit();
}

void Window::ShowModal() {
  if (fClosed || Runtime::IsQuitting()) return;
  if (fWidget->windowModality() != Qt::ApplicationModal) {
    // Qt takes a new modality only from a hidden window.
    fQuietHide = true;
    fWidget->hide();
    fWidget->setWindowModality(Qt::ApplicationModal);
    fQuietHide = false;
  }
  Show();

  QEventLoop loop;
  fModalLoops.push_back(&loop);
  ++fModalDepth;
  // The loop may also be ended from outside (the application quitting ends every loop).
  while (fWidget->isVisible() && !fClosed && !Runtime::IsQuitting()) loop.exec();
  --fModalDepth;
  fModalLoops.pop_back();

  if (fModalDepth == 0) {
    if (!fWidget->isVisible()) fWidget->setWindowModality(Qt::NonModal);
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
  if (fReaper) return;
  auto* reaper = new WindowReaper(this);
  fReaper = reaper;
  reaper->deleteLater();
}

void Window::HandleCloseBox() {
  if (fCloseButton) Close();
}

bool Window::HandleKey(int key) {
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && fDefaultButton) {
    fDefaultButton->Push();
    return true;
  }
  if (key == Qt::Key_Escape && fCancelButton) {
    fCancelButton->Push();
    return true;
  }
  return false;
}

void Window::AdoptControl(std::unique_ptr<RectControl> control) {
  if (control) fControls.push_back(std::move(control));
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
    QWidget* widget;
  };
  std::vector<Entry> entries;
  for (const auto& control : fControls) {
    QWidget* widget = control->NativeWidget();
    if (!widget || !(widget->focusPolicy() & Qt::TabFocus)) continue;
    if (RectControl* parent = control->InitialParent()) {
      entries.push_back({parent->TabIndex(), control->TabIndex(), widget});
    } else {
      entries.push_back({control->TabIndex(), -1, widget});
    }
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.outer != b.outer ? a.outer < b.outer : a.inner < b.inner;
  });
  for (size_t i = 1; i < entries.size(); ++i) QWidget::setTabOrder(entries[i - 1].widget, entries[i].widget);
}

QWidget* Window::ContentWidget() const { return fContent; }
QWidget* Window::NativeWidget() const { return fWidget.get(); }
