#pragma once
// LabelWidget: a label's view. It delivers the mouse to its control. Qt sends the release to the
// widget that took the press, wherever the button is released: that is the mouse-up a MouseDown
// asks for.
#include <QLabel>

#include "framework/Toolkit.h"

class LabelWidget : public QLabel {
 public:
  toolkit::ControlClient* client = nullptr;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool fWantsUp = false;
};
