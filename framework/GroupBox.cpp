#include "framework/GroupBox.h"

#include <QGroupBox>

namespace {

// Qt gets the caption only when the box is shown: setting a title measures it, and the first
// measurement loads the font database, which a window that stays hidden (the configuration window
// of a run with documents) should not pay for at start-up.
class GroupBoxWidget : public QGroupBox {
 public:
  QString caption;

  void SetCaption(const QString& text) {
    caption = text;
    if (isVisible()) setTitle(caption);
  }

 protected:
  void showEvent(QShowEvent* event) override {
    if (title() != caption) setTitle(caption);
    QGroupBox::showEvent(event);
  }
};

GroupBoxWidget* Box(QWidget* widget) { return static_cast<GroupBoxWidget*>(widget); }

}  // namespace

// Its children are child widgets, so Qt disables them with the box.
GroupBox::GroupBox(Window* window, std::string name)
    : RectControl(window, std::move(name), std::make_unique<GroupBoxWidget>()) {}

std::string GroupBox::Caption() const {
  return NativeWidget() ? Box(NativeWidget())->caption.toStdString() : std::string();
}

void GroupBox::SetCaption(const std::string& caption) {
  if (NativeWidget()) Box(NativeWidget())->SetCaption(QString::fromStdString(caption));
}
