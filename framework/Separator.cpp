#include "framework/Separator.h"

#include <QFrame>

namespace {

std::unique_ptr<QWidget> MakeLine() {
  auto line = std::make_unique<QFrame>();
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

Separator::Separator(Window* window, std::string name) : RectControl(window, std::move(name), MakeLine()) {}
