#include "framework/views/QtControlView.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "framework/views/CanvasWidget.h"
#include "framework/views/LabelWidget.h"

namespace {

using toolkit::ControlKind;

// Qt keeps only one button of an exclusive group in the Tab chain: each focus-in takes the Tab
// stop from the others. Here every radio button stays a Tab stop in the window's tab order; the
// arrow keys still move the selection within the group.
class RadioButtonWidget : public QRadioButton {
 protected:
  void focusInEvent(QFocusEvent* event) override { QWidget::focusInEvent(event); }
};

QWidget* MakeWidget(ControlKind kind, toolkit::ControlClient& client) {
  // clicked comes from the user only (the models run their own clicks), also on a selected radio
  // button; toggled from any change, the program's and the radio group's included.
  auto connectButton = [&client](QAbstractButton* button) {
    QObject::connect(button, &QAbstractButton::clicked, button, [&client] { client.ViewClicked(); });
    QObject::connect(button, &QAbstractButton::toggled, button, [&client](bool on) { client.ViewValueChanged(on); });
    return button;
  };
  switch (kind) {
    case ControlKind::Label: {
      auto* label = new LabelWidget();
      label->client = &client;
      // Texts such as "Hold <Option>" are shown as written, never as markup.
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::PushButton: {
      auto* button = new QPushButton();
      // Return and Escape are the window's (default and cancel button), not the focused button's.
      button->setAutoDefault(false);
      return connectButton(button);
    }
    case ControlKind::BevelButton: {
      auto* button = new QToolButton();
      // Never the keyboard focus, neither by clicking nor by Tab; TabStop cannot give it back, as
      // the control's own focus policy is this one.
      button->setFocusPolicy(Qt::NoFocus);
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
      button->setAutoRaise(false);
      return connectButton(button);
    }
    // Qt's auto-exclusivity groups the radio buttons of one parent widget, which is the rule here:
    // the window's content area, or a group box.
    case ControlKind::RadioButton:
      return connectButton(new RadioButtonWidget());
    case ControlKind::CheckBox:
      return connectButton(new QCheckBox());
    case ControlKind::GroupBox:
      return new QGroupBox();
    case ControlKind::Separator: {
      auto* line = new QFrame();
      line->setFrameShape(QFrame::HLine);
      line->setFrameShadow(QFrame::Sunken);
      return line;
    }
    case ControlKind::Canvas:
      return new CanvasWidget();
  }
  return new QWidget();
}

}  // namespace

QtControlView::QtControlView(ControlKind kind, toolkit::ControlClient& client, QWidget* content)
    : fKind(kind), fWidget(MakeWidget(kind, client)), fContent(content) {
  fFocusPolicy = fWidget->focusPolicy();
  fFont = fWidget->font();
  if (content) fWidget->setParent(content);
}

QtControlView::~QtControlView() {
  if (!fWidget) return;
  if (fKind == ControlKind::Label) static_cast<LabelWidget*>(fWidget.data())->client = nullptr;
  // No more signals into the model, which is going away.
  fWidget->disconnect();
  delete fWidget.data();
}

void QtControlView::SetParent(ControlView* parent) {
  if (!fWidget) return;
  QWidget* parentWidget = parent ? static_cast<QtControlView*>(parent)->fWidget.data() : fContent.data();
  if (parentWidget && fWidget->parentWidget() != parentWidget) fWidget->setParent(parentWidget);
}

void QtControlView::SetGeometry(int left, int top, int width, int height) {
  if (fWidget) fWidget->setGeometry(left, top, width, height);
}

void QtControlView::SetVisible(bool visible) {
  // A widget without a parent would become a window of its own.
  if (fWidget && fWidget->parentWidget()) fWidget->setVisible(visible);
}

void QtControlView::SetEnabled(bool enabled) {
  if (fWidget) fWidget->setEnabled(enabled);
}

void QtControlView::SetTabStop(bool tabStop) {
  if (!fWidget) return;
  fWidget->setFocusPolicy(static_cast<Qt::FocusPolicy>(tabStop ? fFocusPolicy : (fFocusPolicy & ~Qt::TabFocus)));
}

void QtControlView::SetHelpTag(const std::string& helpTag) {
  if (fWidget) fWidget->setToolTip(QString::fromStdString(helpTag));
}

void QtControlView::SetTextStyle(const toolkit::TextStyle& style) {
  if (!fWidget) return;
  QFont font = fFont;
  const bool systemFamily = !style.family || style.family->empty() || *style.family == "System";
  if (style.family) font.setFamily(systemFamily ? QApplication::font().family() : QString::fromStdString(*style.family));
  if (style.size) {
    if (*style.size > 0) {
      // Design sizes are in points of 1/72 inch on a 72 dpi screen, like the bounds: one point is
      // one pixel, so a size-10 text fits the 14-pixel label it was laid out for.
      font.setPixelSize(*style.size);
      // The design's captions were measured in the Mac's system font. Debian's, DejaVu Sans, is
      // wider at the same size and cuts "Path to InDesign CS2:" in its 105-pixel label. Its
      // semi-condensed face (DejaVu Sans Condensed, or the font narrowed by Qt where no such face
      // is installed) keeps the pixel size, and so the line height the layout was made for, and
      // fits every caption.
      if (systemFamily) font.setStretch(QFont::SemiCondensed);
    } else {
      font.setPointSizeF(QApplication::font().pointSizeF());
    }
  }
  if (style.bold) font.setBold(*style.bold);
  if (style.italic) font.setItalic(*style.italic);
  if (style.underline) font.setUnderline(*style.underline);
  fWidget->setFont(font);
}

void QtControlView::SetText(const std::string& text) {
  if (!fWidget) return;
  switch (fKind) {
    case ControlKind::Label:
      fText = text;
      RenderLabel();
      break;
    case ControlKind::PushButton:
    case ControlKind::BevelButton:
    case ControlKind::RadioButton:
    case ControlKind::CheckBox:
      static_cast<QAbstractButton*>(fWidget.data())->setText(QString::fromStdString(text));
      break;
    case ControlKind::GroupBox:
      static_cast<QGroupBox*>(fWidget.data())->setTitle(QString::fromStdString(text));
      break;
    default:
      break;
  }
}

void QtControlView::SetTextColor(Color color) {
  if (!fWidget || fKind != ControlKind::Label) return;
  QPalette palette = fWidget->palette();
  const QColor qcolor(color.red, color.green, color.blue);
  palette.setColor(QPalette::WindowText, qcolor);
  palette.setColor(QPalette::Text, qcolor);
  fWidget->setPalette(palette);
}

void QtControlView::SetMultiline(bool multiline) {
  if (fKind != ControlKind::Label) return;
  fMultiline = multiline;
  RenderLabel();
}

void QtControlView::SetTextAlign(int align) {
  if (!fWidget || fKind != ControlKind::Label) return;
  const Qt::Alignment horizontal = align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
  static_cast<QLabel*>(fWidget.data())->setAlignment(horizontal | Qt::AlignTop);
}

void QtControlView::RenderLabel() {
  if (!fWidget) return;
  QString shown = QString::fromStdString(fText);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  if (fMultiline) {
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  } else {
    shown.replace(QLatin1Char('\r'), QLatin1Char(' '));
    shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
  }
  auto* label = static_cast<QLabel*>(fWidget.data());
  label->setWordWrap(fMultiline);
  label->setText(shown);
}

void QtControlView::SetValue(bool value) {
  if (!fWidget) return;
  if (fKind == ControlKind::CheckBox) {
    static_cast<QCheckBox*>(fWidget.data())->setChecked(value);
  } else if (fKind == ControlKind::RadioButton) {
    auto* button = static_cast<QRadioButton*>(fWidget.data());
    if (value || !button->isChecked()) {
      button->setChecked(value);
      return;
    }
    // Qt refuses to clear the checked button of an exclusive group; the program may.
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
  }
}

void QtControlView::SetDefault(bool isDefault) {
  if (fWidget && fKind == ControlKind::PushButton) static_cast<QPushButton*>(fWidget.data())->setDefault(isDefault);
}

void QtControlView::SetPicture(PicturePtr picture) {
  if (fWidget && fKind == ControlKind::Canvas) static_cast<CanvasWidget*>(fWidget.data())->SetPicture(std::move(picture));
}
