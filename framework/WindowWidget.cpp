#include "framework/WindowWidget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QResizeEvent>

#include "framework/Window.h"

WindowWidget::WindowWidget(Window* window) : QWidget(nullptr, Qt::Window), fWindow(window) {}

void WindowWidget::setVisible(bool visible) {
  if (visible && fWindow) fWindow->PrepareToShow();
  QWidget::setVisible(visible);
}

void WindowWidget::closeEvent(QCloseEvent* event) {
  // The Window decides: it hides itself (never Qt's own close, which could end the application
  // with its last window), and a window without a close box stays open.
  event->ignore();
  if (fWindow) fWindow->HandleCloseBox();
}

void WindowWidget::keyPressEvent(QKeyEvent* event) {
  // Keys reach the window when the focused control did not take them.
  if (fWindow && fWindow->HandleKey(event->key())) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void WindowWidget::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // A spontaneous hide (minimising) leaves the window shown as far as the program is concerned.
  if (fWindow && !event->spontaneous()) fWindow->HandleHidden();
}

bool WindowWidget::eventFilter(QObject* watched, QEvent* event) {
  if (fWindow && event->type() == QEvent::Resize && watched == fWindow->ContentWidget()) {
    const QSize size = static_cast<QResizeEvent*>(event)->size();
    fWindow->HandleContentResized(size.width(), size.height());
  }
  return QWidget::eventFilter(watched, event);
}
