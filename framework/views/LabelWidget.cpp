#include "framework/views/LabelWidget.h"

#include <QEnterEvent>
#include <QMouseEvent>

void LabelWidget::mousePressEvent(QMouseEvent* event) {
  if (client && client->WantsMouseDown()) {
    const QPoint at = event->position().toPoint();
    fWantsUp = client->ViewMouseDown(at.x(), at.y());
    event->accept();
    return;
  }
  QLabel::mousePressEvent(event);
}

void LabelWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (fWantsUp) {
    fWantsUp = false;
    const QPoint at = event->position().toPoint();
    if (client) client->ViewMouseUp(at.x(), at.y());
    event->accept();
    return;
  }
  QLabel::mouseReleaseEvent(event);
}

void LabelWidget::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  if (client) client->ViewMouseEnter();
}

void LabelWidget::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  if (client) client->ViewMouseExit();
}
