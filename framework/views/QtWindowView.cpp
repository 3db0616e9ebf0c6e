#include "framework/views/QtWindowView.h"

#include <QLayout>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "framework/MenuItem.h"
#include "framework/views/MenuBarView.h"
#include "framework/views/QtControlView.h"
#include "framework/views/WindowWidget.h"
#include "framework/views/X11Decorations.h"

QtWindowView::QtWindowView(toolkit::WindowClient& client)
    : fClient(client), fWidget(std::make_unique<WindowWidget>(this)) {
  auto* layout = new QVBoxLayout(fWidget.get());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  fContent = new QWidget();
  layout->addWidget(fContent);
  fContent->installEventFilter(fWidget.get());
  SetFlags({});
}

QtWindowView::~QtWindowView() {
  fWidget->Detach();
  fWidget->hide();
}

void* QtWindowView::NativeHandle() { return fWidget.get(); }
void* QtWindowView::ContentHandle() { return fContent; }

void QtWindowView::SetTitle(const std::string& title) { fWidget->setWindowTitle(QString::fromStdString(title)); }

void QtWindowView::SetFlags(const toolkit::WindowFlags& wanted) {
  fFlags = wanted;
  // A window that cannot be minimised is a dialog: window managers keep it with the application's
  // windows (transient for them) and most offer it no minimise box.
  Qt::WindowFlags flags = (wanted.minimizeButton ? Qt::Window : Qt::Dialog) | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
  if (wanted.closeButton) flags |= Qt::WindowCloseButtonHint;
  if (wanted.minimizeButton) flags |= Qt::WindowMinimizeButtonHint;
  if (wanted.maximizeButton && wanted.resizeable) flags |= Qt::WindowMaximizeButtonHint;
  if (flags == fWidget->windowFlags()) return;
  // Qt hides a window whose flags change; that hiding must not end a modal run.
  const bool visible = fWidget->isVisible();
  fQuietHide = true;
  fWidget->setWindowFlags(flags);
  if (visible) fWidget->show();
  fQuietHide = false;
}

void QtWindowView::SetSize(const toolkit::SizeLimits& size, bool resizeable) {
  fSize = size;
  fResizeable = resizeable;
  ApplySize();
}

void QtWindowView::ApplySize() {
  QLayout* layout = fWidget->layout();
  if (!fResizeable) {
    // The content area is fixed; the window around it takes the menu bar's height on top.
    fContent->setFixedSize(fSize.width, fSize.height);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return;
  }
  layout->setSizeConstraint(QLayout::SetDefaultConstraint);
  fWidget->setMinimumSize(0, 0);
  fWidget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  fContent->setMinimumSize(fSize.minWidth, fSize.minHeight);
  fContent->setMaximumSize(std::min(fSize.maxWidth, QWIDGETSIZE_MAX), std::min(fSize.maxHeight, QWIDGETSIZE_MAX));
  // Before the first showing there is no menu bar view yet: its height is added then.
  int menuHeight = 0;
  if (fMenuBarView) {
    menuHeight = fMenuBarView->heightForWidth(fSize.width);
    if (menuHeight <= 0) menuHeight = fMenuBarView->sizeHint().height();
  }
  fWidget->resize(fSize.width, fSize.height + menuHeight);
}

void QtWindowView::SetMenuBar(MenuBar* menuBar) {
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
  ApplySize();
}

// What only a shown window needs is made at its first showing: the menu bar view loads the
// style's icons, and measuring it loads the font database.
void QtWindowView::AboutToShow() {
  if (!fPrepared) {
    fPrepared = true;
    if (fMenuBar) {
      fMenuBarView = MenuBarView::Build(fMenuBar, fWidget.get());
      fWidget->layout()->setMenuBar(fMenuBarView);
    }
    ApplySize();
  }
  X11Decorations::State(fWidget.get(), fFlags);
  fClient.ViewAboutToShow();
}

void QtWindowView::Minimized() {
  if (fFlags.minimizeButton) return;
  // Some window managers offer a minimise box on every window. A window without one of its own
  // comes straight back: minimised, a modal run would wait with nothing on screen to answer it.
  QTimer::singleShot(0, fWidget.get(), [widget = fWidget.get()] {
    if (!widget->isMinimized()) return;
    widget->showNormal();
    widget->raise();
    widget->activateWindow();
  });
}

void QtWindowView::Hidden() {
  if (!fQuietHide) fClient.ViewHidden();
}

void QtWindowView::SetModal(bool modal) {
  const Qt::WindowModality modality = modal ? Qt::ApplicationModal : Qt::NonModal;
  if (fWidget->windowModality() == modality) return;
  // Qt takes a new modality only from a hidden window.
  fQuietHide = true;
  fWidget->hide();
  fWidget->setWindowModality(modality);
  fQuietHide = false;
}

bool QtWindowView::IsModal() const { return fWidget->windowModality() == Qt::ApplicationModal; }

bool QtWindowView::IsShown() const { return fWidget->isVisible(); }

void QtWindowView::Show() {
  fWidget->show();
  fWidget->raise();
  fWidget->activateWindow();
}

void QtWindowView::Hide() { fWidget->hide(); }

void QtWindowView::SetTabOrder(const std::vector<toolkit::ControlView*>& order) {
  QWidget* previous = nullptr;
  for (toolkit::ControlView* view : order) {
    auto* widget = static_cast<QWidget*>(view->NativeHandle());
    if (!widget || !(widget->focusPolicy() & Qt::TabFocus)) continue;
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

std::unique_ptr<toolkit::ControlView> QtWindowView::CreateControl(toolkit::ControlKind kind,
                                                                  toolkit::ControlClient& client) {
  return std::make_unique<QtControlView>(kind, client, fContent);
}
