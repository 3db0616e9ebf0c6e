#include "framework/views/WindowWidget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QResizeEvent>

#include "framework/views/QtWindowView.h"

WindowWidget::WindowWidget(QtWindowView* view) : QWidget(nullptr, Qt::Window), fView(view) {}

void WindowWidget::setVisible(bool visible) {
  if (visible && fView) fView->AboutToShow();
  QWidget::setVisible(visible);
}

void WindowWidget::closeEvent(QCloseEvent* event) {
  // The window decides: it hides itself (never Qt's own close, which could end the application
  // with its last window), and a window without a close box stays open.
  event->ignore();
  if (fView) fView->Client().ViewCloseBox();
}

void WindowWidget::keyPressEvent(QKeyEvent* event) {
  // Keys reach the window when the focused control did not take them.
  const toolkit::Key key = event->key() == Qt::Key_Return  ? toolkit::Key::Return
                           : event->key() == Qt::Key_Enter ? toolkit::Key::Enter
                           : event->key() == Qt::Key_Escape ? toolkit::Key::Escape
                                                            : toolkit::Key::Other;
  if (fView && key != toolkit::Key::Other && fView->Client().ViewKey(key)) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void WindowWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (fView && event->type() == QEvent::WindowStateChange && isMinimized()) fView->Minimized();
}

void WindowWidget::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // A spontaneous hide (minimising) leaves the window shown as far as the program is concerned.
  if (fView && !event->spontaneous()) fView->Hidden();
}

bool WindowWidget::eventFilter(QObject* watched, QEvent* event) {
  if (fView && event->type() == QEvent::Resize && watched == fView->ContentHandle()) {
    const QSize size = static_cast<QResizeEvent*>(event)->size();
    fView->Client().ViewContentResized(size.width(), size.height());
  }
  return QWidget::eventFilter(watched, event);
}
