#include "framework/RectControl.h"

#include <QApplication>
#include <QFont>
#include <QWidget>

#include "framework/Window.h"

namespace {

// Lives as a child of a control's widget: when the widget tree deletes the widget first (a group
// box taking its children along), the control learns it and stops using it.
class ControlLink : public QObject {
 public:
  std::function<void()> gone;
  ~ControlLink() override {
    if (gone) gone();
  }
};

}  // namespace

RectControl::RectControl(Window* window, std::string name, std::unique_ptr<QWidget> widget)
    : fWindow(window), fName(std::move(name)), fWidget(widget.release()) {
  fFocusPolicy = fWidget->focusPolicy();
  auto* link = new ControlLink();
  link->setParent(fWidget);
  link->gone = [this] {
    fWidget = nullptr;
    fLink = nullptr;
  };
  fLink = link;
  if (fWindow && fWindow->ContentWidget()) {
    fWidget->setParent(fWindow->ContentWidget());
    // In a window not shown yet the widget is shown with it. Showing it now, before it has its
    // bounds, would first size it to its content: a text measured, and the font database loaded,
    // for a window that may stay hidden.
    if (!fVisible || fWindow->ContentWidget()->isVisible()) fWidget->setVisible(fVisible);
  }
}

RectControl::~RectControl() {
  if (!fWidget) return;
  static_cast<ControlLink*>(fLink)->gone = nullptr;
  delete fWidget;
}

void RectControl::SetBounds(int left, int top, int width, int height) {
  fLeft = left;
  fTop = top;
  fWidth = width;
  fHeight = height;
  Place();
  // The children's places are relative to this control's widget.
  if (!fWindow) return;
  for (const auto& control : fWindow->Controls()) {
    if (control->fParent == this) control->Place();
  }
}

void RectControl::Place() {
  if (!fWidget) return;
  int left = fLeft, top = fTop;
  if (fParent) {
    left -= fParent->fLeft;
    top -= fParent->fTop;
  }
  fWidget->setGeometry(left, top, fWidth, fHeight);
}

void RectControl::SetLocks(bool left, bool top, bool right, bool bottom) {
  fLockLeft = left;
  fLockTop = top;
  fLockRight = right;
  fLockBottom = bottom;
}

bool RectControl::Enabled() const {
  // Qt's isEnabled() also reflects the parents; the control's own setting is the forced flag.
  return fWidget && !fWidget->testAttribute(Qt::WA_ForceDisabled);
}

void RectControl::SetEnabled(bool enabled) {
  if (fWidget) fWidget->setEnabled(enabled);
}

void RectControl::SetVisible(bool visible) {
  fVisible = visible;
  // A widget without a parent would become a window of its own.
  if (fWidget && fWidget->parentWidget()) fWidget->setVisible(visible);
}

void RectControl::SetTabStop(bool tabStop) {
  fTabStop = tabStop;
  if (!fWidget) return;
  auto policy = static_cast<Qt::FocusPolicy>(tabStop ? fFocusPolicy : (fFocusPolicy & ~Qt::TabFocus));
  fWidget->setFocusPolicy(policy);
}

void RectControl::SetHelpTag(const std::string& helpTag) {
  if (fWidget) fWidget->setToolTip(QString::fromStdString(helpTag));
}

void RectControl::SetTextFont(const std::string& font) {
  if (!fWidget) return;
  QFont f = fWidget->font();
  f.setFamily(font == "System" || font.empty() ? QApplication::font().family()
                                               : QString::fromStdString(font));
  fWidget->setFont(f);
}

void RectControl::SetTextSize(int size) {
  if (!fWidget) return;
  QFont f = fWidget->font();
  if (size > 0) {
    // Design sizes are in points of 1/72 inch on a 72 dpi screen, like the bounds: one point is one
    // pixel, so a size-10 text fits the 14-pixel label it was laid out for.
    f.setPixelSize(size);
  } else {
    f.setPointSizeF(QApplication::font().pointSizeF());
  }
  fWidget->setFont(f);
}

void RectControl::SetBold(bool bold) {
  if (!fWidget) return;
  QFont f = fWidget->font();
  f.setBold(bold);
  fWidget->setFont(f);
}

void RectControl::SetItalic(bool italic) {
  if (!fWidget) return;
  QFont f = fWidget->font();
  f.setItalic(italic);
  fWidget->setFont(f);
}

void RectControl::SetUnderline(bool underline) {
  if (!fWidget) return;
  QFont f = fWidget->font();
  f.setUnderline(underline);
  fWidget->setFont(f);
}

void RectControl::SetInitialParent(RectControl* parent) {
  fParent = parent;
  if (!fWidget) return;
  QWidget* parentWidget = parent && parent->fWidget ? parent->fWidget
                          : fWindow                 ? fWindow->ContentWidget()
                                                    : nullptr;
  if (parentWidget && fWidget->parentWidget() != parentWidget) fWidget->setParent(parentWidget);
  Place();
  if (fWidget->parentWidget()) fWidget->setVisible(fVisible);
}
