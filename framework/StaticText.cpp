#include "framework/StaticText.h"

#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>

namespace {

// Delivers the mouse to the StaticText's handlers. Qt sends the release to the widget that took
// the press, wherever the button is released: that is the mouse-up a MouseDown asks for.
class LabelWidget : public QLabel {
 public:
  StaticText* owner = nullptr;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (owner && owner->MouseDown) {
      const QPoint at = event->position().toPoint();
      fWantsUp = owner->MouseDown(at.x(), at.y());
      event->accept();
      return;
    }
    QLabel::mousePressEvent(event);
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    if (fWantsUp) {
      fWantsUp = false;
      const QPoint at = event->position().toPoint();
      if (owner && owner->MouseUp) owner->MouseUp(at.x(), at.y());
      event->accept();
      return;
    }
    QLabel::mouseReleaseEvent(event);
  }

  void enterEvent(QEnterEvent* event) override {
    QLabel::enterEvent(event);
    if (owner && owner->MouseEnter) owner->MouseEnter();
  }

  void leaveEvent(QEvent* event) override {
    QLabel::leaveEvent(event);
    if (owner && owner->MouseExit) owner->MouseExit();
  }

 private:
  bool fWantsUp = false;
};

LabelWidget* Label(QWidget* widget) { return static_cast<LabelWidget*>(widget); }

}  // namespace

StaticText::StaticText(Window* window, std::string name)
    : RectControl(window, std::move(name), std::make_unique<LabelWidget>()) {
  LabelWidget* label = Label(NativeWidget());
  label->owner = this;
  // Texts such as "Hold <Option>" are shown as written, never as markup.
  label->setTextFormat(Qt::PlainText);
  SetTextAlign(0);
  SetTextColor(fTextColor);
}

StaticText::~StaticText() {
  // The widget goes after this part of the object: no more handler calls from it.
  if (NativeWidget()) Label(NativeWidget())->owner = nullptr;
}

void StaticText::SetText(const std::string& text) {
  fText = text;
  Render();
}

void StaticText::SetTextColor(Color color) {
  fTextColor = color;
  if (!NativeWidget()) return;
  QPalette palette = NativeWidget()->palette();
  const QColor qcolor(color.red, color.green, color.blue);
  palette.setColor(QPalette::WindowText, qcolor);
  palette.setColor(QPalette::Text, qcolor);
  NativeWidget()->setPalette(palette);
}

void StaticText::SetMultiline(bool multiline) {
  fMultiline = multiline;
  Render();
}

void StaticText::SetTextAlign(int align) {
  if (!NativeWidget()) return;
  Qt::Alignment horizontal = align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
  Label(NativeWidget())->setAlignment(horizontal | Qt::AlignTop);
}

void StaticText::Render() {
  if (!NativeWidget()) return;
  QString shown = QString::fromStdString(fText);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  if (fMultiline) {
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  } else {
    shown.replace(QLatin1Char('\r'), QLatin1Char(' '));
    shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
  }
  LabelWidget* label = Label(NativeWidget());
  label->setWordWrap(fMultiline);
  label->setText(shown);
}
