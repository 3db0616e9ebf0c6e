#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "WindowFixture.h"
#include "framework/BevelButton.h"
#include "framework/Canvas.h"
#include "framework/CheckBox.h"
#include "framework/GroupBox.h"
#include "framework/Picture.h"
#include "framework/PushButton.h"
#include "framework/RadioButton.h"
#include "framework/Runtime.h"
#include "framework/Separator.h"
#include "framework/StaticText.h"
#include "support/FakePlatform.h"

namespace {

class ControlsTest : public WindowFixture {};

// Two group boxes of two radio buttons each, as the configuration window has them.
class RadioGroupsTest : public WindowFixture {
 protected:
  void SetUp() override {
    window = MakeWindow("Probe.Radios", 400, 200);
    for (int band = 0; band < 2; ++band) {
      const int top = 5 + band * 80;
      groups[band] = window->Add<GroupBox>("Grp" + std::to_string(band), 175, top, 120, 67);
      for (int i = 0; i < 2; ++i) {
        RadioButton* radio = window->Add<RadioButton>("Rbn" + std::to_string(band) + std::to_string(i), 181,
                                                      top + 18 + i * 22, 100, 20);
        radio->SetInitialParent(groups[band]);
        radio->Action = [this, band, i] { actions.push_back(band * 10 + i); };
        radios[band][i] = radio;
      }
    }
  }

  ProbeWindow* window = nullptr;
  GroupBox* groups[2] = {};
  RadioButton* radios[2][2] = {};
  std::vector<int> actions;
};

TEST_F(RadioGroupsTest, SelectingInOneGroupLeavesTheOtherGroupAlone) {
  radios[0][0]->SetValue(true);
  radios[1][0]->SetValue(true);
  radios[1][1]->Push();
  EXPECT_TRUE(radios[0][0]->Value());
  EXPECT_FALSE(radios[1][0]->Value());
  EXPECT_TRUE(radios[1][1]->Value());
  radios[0][1]->SetValue(true);
  EXPECT_FALSE(radios[0][0]->Value());
  EXPECT_TRUE(radios[1][1]->Value());
  // Only clicks run Action, also on the button already selected; SetValue never does.
  radios[1][1]->Push();
  EXPECT_EQ(actions, (std::vector<int>{11, 11}));
}

TEST_F(RadioGroupsTest, SetValueFalseClearsEvenTheSelectedButton) {
  radios[0][1]->SetValue(true);
  radios[0][1]->SetValue(false);
  EXPECT_FALSE(radios[0][0]->Value());
  EXPECT_FALSE(radios[0][1]->Value());
  // Exclusivity still holds afterwards.
  radios[0][1]->SetValue(true);
  radios[0][0]->SetValue(true);
  EXPECT_FALSE(radios[0][1]->Value());
}

TEST_F(RadioGroupsTest, DisabledGroupBoxDisablesItsRadioButtons) {
  radios[0][0]->SetValue(true);
  groups[0]->SetEnabled(false);
  EXPECT_FALSE(groups[0]->Enabled());
  EXPECT_FALSE(radios[0][1]->NativeWidget()->isEnabled());
  EXPECT_TRUE(radios[0][1]->Enabled());  // its own setting is untouched
  EXPECT_TRUE(radios[1][1]->NativeWidget()->isEnabled());
  radios[0][1]->Push();
  EXPECT_TRUE(radios[0][0]->Value());
  EXPECT_TRUE(actions.empty());
  groups[0]->SetEnabled(true);
  radios[0][1]->Push();
  EXPECT_TRUE(radios[0][1]->Value());
  EXPECT_EQ(actions, (std::vector<int>{1}));
}

TEST_F(RadioGroupsTest, BoundsStayInWindowCoordinatesInsideAGroupBox) {
  RadioButton* radio = radios[1][1];
  EXPECT_EQ(radio->Left(), 181);
  EXPECT_EQ(radio->Top(), 5 + 80 + 18 + 22);
  EXPECT_EQ(radio->NativeWidget()->parentWidget(), groups[1]->NativeWidget());
  EXPECT_EQ(radio->NativeWidget()->mapTo(window->ContentWidget(), QPoint(0, 0)), QPoint(181, 125));
  // Moving the box keeps its children where the window coordinates put them.
  groups[1]->SetBounds(170, 80, 130, 72);
  EXPECT_EQ(radio->NativeWidget()->mapTo(window->ContentWidget(), QPoint(0, 0)), QPoint(181, 125));
}

TEST_F(ControlsTest, CheckBoxActionRunsOnClicksOnly) {
  ProbeWindow* window = MakeWindow("Probe.Check");
  auto* check = window->Add<CheckBox>("Chk", 10, 10, 200, 20);
  int actions = 0;
  check->Action = [&] { ++actions; };
  check->SetValue(true);
  EXPECT_EQ(check->State(), 1);
  EXPECT_EQ(actions, 0);
  check->Push();
  EXPECT_FALSE(check->Value());
  EXPECT_EQ(actions, 1);
  window->Show();
  QTest::mouseClick(check->NativeWidget(), Qt::LeftButton, {}, QPoint(8, 10));
  EXPECT_TRUE(check->Value());
  EXPECT_EQ(actions, 2);
  window->Hide();
}

// A click whose action throws inside a modal window: the error line, and the window's loop ends
// with the run.
TEST_F(ControlsTest, AnExceptionFromAnActionEndsTheModalLoopAndTheRun) {
  ScopedFakePlatform fake;
  ProbeWindow* window = MakeWindow("Probe.Throw");
  auto* button = window->Add<PushButton>("BtnThrow", 10, 10, 100, 24);
  button->Action = [] { throw std::runtime_error("from a button"); };
  RunModal(window, [button] { QTest::mouseClick(button->NativeWidget(), Qt::LeftButton); });
  EXPECT_EQ(fake->log, std::vector<std::string>{"Error:Application.UnhandledException: from a button"});
  EXPECT_TRUE(Runtime::IsQuitting());
  window->Hide();
  Runtime::ProcessEvents(0);  // a fresh stretch of events outside a run
  EXPECT_FALSE(Runtime::IsQuitting());
}

TEST_F(ControlsTest, BevelButtonsNeverTakeTheFocus) {
  ProbeWindow* window = MakeWindow("Probe.Bevel");
  auto* first = window->Add<PushButton>("BtnFirst", 10, 10, 80, 20);
  auto* bevel = window->Add<BevelButton>("BtnBevel", 100, 10, 60, 16);
  auto* last = window->Add<PushButton>("BtnLast", 170, 10, 80, 20);
  first->SetTabIndex(0);
  bevel->SetTabIndex(1);
  last->SetTabIndex(2);
  bevel->SetTabStop(true);
  int clicks = 0;
  bevel->Action = [&] { ++clicks; };
  EXPECT_FALSE(bevel->AcceptFocus());
  EXPECT_EQ(bevel->NativeWidget()->focusPolicy(), Qt::NoFocus);

  window->Show();
  QApplication::setActiveWindow(window->NativeWidget());
  first->NativeWidget()->setFocus();
  QTest::mouseClick(bevel->NativeWidget(), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(QApplication::focusWidget(), first->NativeWidget());
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), bevel->NativeWidget());
  }
  window->Hide();
}

class StaticTextMouseTest : public WindowFixture {
 protected:
  void SetUp() override {
    window = MakeWindow("Probe.Link", 300, 120);
    link = window->Add<StaticText>("LblLink", 50, 40, 100, 20);
    link->SetText("example.org\r");
    link->MouseDown = [this](int x, int y) {
      events.push_back("down " + std::to_string(x) + "," + std::to_string(y));
      return wantUp;
    };
    link->MouseUp = [this](int x, int y) {
      events.push_back("up " + std::to_string(x) + "," + std::to_string(y));
    };
    link->MouseEnter = [this] { events.push_back("enter"); };
    link->MouseExit = [this] { events.push_back("exit"); };
    window->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->NativeWidget()));
    handle = window->NativeWidget()->windowHandle();
  }

  // A point of the content area in the native window's coordinates.
  QPoint At(int x, int y) const {
    return window->ContentWidget()->mapTo(window->NativeWidget(), QPoint(x, y));
  }

  ProbeWindow* window = nullptr;
  StaticText* link = nullptr;
  QWindow* handle = nullptr;
  bool wantUp = true;
  std::vector<std::string> events;
};

TEST_F(StaticTextMouseTest, MouseUpFollowsAPressEvenWhenReleasedElsewhere) {
  QTest::mouseMove(handle, At(10, 10));
  QTest::mouseMove(handle, At(60, 45));
  QTest::mousePress(handle, Qt::LeftButton, {}, At(60, 45));
  QTest::mouseMove(handle, At(250, 100));
  QTest::mouseRelease(handle, Qt::LeftButton, {}, At(250, 100));
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0], "enter");
  EXPECT_EQ(events[1], "down 10,5");
  EXPECT_NE(std::find(events.begin(), events.end(), "up 200,60"), events.end());
  window->Hide();
}

TEST_F(StaticTextMouseTest, NoMouseUpWhenMouseDownDeclines) {
  wantUp = false;
  QTest::mousePress(handle, Qt::LeftButton, {}, At(60, 45));
  QTest::mouseRelease(handle, Qt::LeftButton, {}, At(60, 45));
  EXPECT_NE(std::find(events.begin(), events.end(), "down 10,5"), events.end());
  for (const std::string& event : events) EXPECT_EQ(event.rfind("up", 0), std::string::npos) << event;
  window->Hide();
}

TEST_F(StaticTextMouseTest, EnterAndExitFollowThePointer) {
  QTest::mouseMove(handle, At(5, 5));
  QTest::mouseMove(handle, At(60, 45));
  QTest::mouseMove(handle, At(200, 100));
  EXPECT_EQ(events, (std::vector<std::string>{"enter", "exit"}));
  window->Hide();
}

TEST_F(ControlsTest, StaticTextShowsCarriageReturnsAsLineBreaksOnlyWhenMultiline) {
  ProbeWindow* window = MakeWindow("Probe.Text");
  auto* text = window->Add<StaticText>("LblInfo", 10, 10, 200, 80);
  auto* label = static_cast<QLabel*>(text->NativeWidget());
  text->SetText("Hold <Option>\r\rthen drop.\r");
  EXPECT_EQ(text->Text(), "Hold <Option>\r\rthen drop.\r");
  EXPECT_FALSE(label->text().contains(QLatin1Char('\n')));
  text->SetMultiline(true);
  EXPECT_EQ(label->text(), QStringLiteral("Hold <Option>\n\nthen drop.\n"));
  EXPECT_TRUE(label->wordWrap());
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
  text->SetTextColor(RGB(32, 16, 245));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(32, 16, 245));
  EXPECT_EQ(text->TextColor(), RGB(32, 16, 245));
}

TEST_F(ControlsTest, FontsFollowTheApplicationDefaults) {
  ProbeWindow* window = MakeWindow("Probe.Fonts");
  auto* small = window->Add<StaticText>("LblSmall", 10, 10, 100, 14);
  auto* standard = window->Add<PushButton>("BtnStandard", 10, 30, 80, 20);
  small->SetTextFont("System");
  small->SetTextSize(10);
  standard->SetTextFont("System");
  standard->SetTextSize(0);
  standard->SetBold(true);
  EXPECT_EQ(small->NativeWidget()->font().family(), QApplication::font().family());
  // Design sizes count pixels, as the bounds do.
  EXPECT_EQ(small->NativeWidget()->font().pixelSize(), 10);
  EXPECT_EQ(standard->NativeWidget()->font().pointSizeF(), QApplication::font().pointSizeF());
  EXPECT_TRUE(standard->NativeWidget()->font().bold());
}

TEST_F(ControlsTest, CanvasDrawsItsBackdropWithWhiteTransparentOnRequest) {
  ProbeWindow* window = MakeWindow("Probe.Canvas");
  auto* canvas = window->Add<Canvas>("CnvLogo", 20, 20, 4, 1);
  QImage image(2, 1, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(255, 255, 255));
  image.setPixel(1, 0, qRgb(10, 20, 30));
  QByteArray png;
  QBuffer buffer(&png);
  ASSERT_TRUE(image.save(&buffer, "PNG"));
  PicturePtr picture = Picture::FromData(png.toStdString());
  ASSERT_NE(picture, nullptr);

  auto render = [&] {
    QImage out(4, 1, QImage::Format_ARGB32);
    out.fill(qRgb(255, 0, 0));
    canvas->NativeWidget()->render(&out, QPoint(), QRegion(), QWidget::DrawChildren);
    return out;
  };
  QImage empty = render();
  EXPECT_EQ(empty.pixel(0, 0), qRgb(255, 0, 0));  // nothing without a backdrop

  canvas->SetBackdrop(picture);
  QImage opaque = render();
  EXPECT_EQ(opaque.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(opaque.pixel(1, 0), qRgb(10, 20, 30));
  EXPECT_EQ(opaque.pixel(2, 0), qRgb(255, 0, 0));

  picture->SetTransparent(1);
  canvas->SetBackdrop(picture);
  QImage masked = render();
  EXPECT_EQ(masked.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(masked.pixel(1, 0), qRgb(10, 20, 30));
}

// The views are made from the models' state when first needed: a window configured while it has
// no view must look exactly like one configured after its view was made.
class LazyViewTest : public WindowFixture {
 protected:
  struct Parts {
    StaticText* text;
    PushButton* push;
    BevelButton* bevel;
    GroupBox* group;
    RadioButton* radios[2];
    CheckBox* check;
    Canvas* canvas;
    Separator* line;
  };

  static Parts Build(ProbeWindow* window) {
    Parts p{};
    p.text = window->Add<StaticText>("LblInfo", 10, 10, 200, 40);
    p.push = window->Add<PushButton>("BtnOK", 200, 160, 80, 20);
    p.bevel = window->Add<BevelButton>("BtnBrowse", 10, 60, 60, 16);
    // A control placed in a group box added after it.
    p.radios[0] = window->Add<RadioButton>("RbnA", 181, 100, 90, 20);
    p.group = window->Add<GroupBox>("GrpDefault", 175, 80, 120, 67);
    p.radios[1] = window->Add<RadioButton>("RbnB", 181, 122, 90, 20);
    p.check = window->Add<CheckBox>("ChkIcon", 10, 90, 150, 20);
    p.canvas = window->Add<Canvas>("CnvLogo", 10, 120, 2, 1);
    p.line = window->Add<Separator>("Sep", 10, 150, 150, 4);
    return p;
  }

  static void Configure(ProbeWindow* window, const Parts& p, const PicturePtr& picture) {
    window->SetTitle("Probe Title");
    p.text->SetText("Hold <Option>\rthen drop.");
    p.text->SetMultiline(true);
    p.text->SetTextColor(RGB(32, 16, 245));
    p.text->SetTextAlign(2);
    p.text->SetTextFont("System");
    p.text->SetTextSize(10);
    p.text->SetItalic(true);
    p.text->SetHelpTag("a tag");
    p.push->SetCaption("OK");
    p.push->SetDefault(true);
    p.push->SetBold(true);
    p.push->SetTabStop(false);
    p.bevel->SetCaption("Browse...");
    p.bevel->SetEnabled(false);
    for (RadioButton* radio : p.radios) radio->SetInitialParent(p.group);
    p.radios[0]->SetCaption("InDesign");
    p.radios[1]->SetCaption("InCopy");
    p.radios[0]->SetValue(true);
    p.radios[1]->SetValue(true);
    p.group->SetCaption("Default");
    p.group->SetBounds(170, 78, 130, 72);
    p.group->SetEnabled(false);
    p.check->SetCaption("Adjust icons");
    p.check->SetValue(true);
    p.check->SetUnderline(true);
    p.canvas->SetBackdrop(picture);
    p.line->SetVisible(false);
  }

  // What the user sees of the window, control by control.
  static std::vector<std::string> Snapshot(ProbeWindow* window) {
    std::vector<std::string> lines;
    QWidget* content = window->ContentWidget();
    lines.push_back(window->NativeWidget()->windowTitle().toStdString());
    for (const auto& control : window->Controls()) {
      QWidget* widget = control->NativeWidget();
      const QPoint at = widget->mapTo(content, QPoint(0, 0));
      std::string line = control->Name() + " at " + std::to_string(at.x()) + "," + std::to_string(at.y()) +
                         " " + std::to_string(widget->width()) + "x" + std::to_string(widget->height()) +
                         (widget->isHidden() ? " hidden" : "") + (widget->isEnabled() ? "" : " disabled") +
                         " focus " + std::to_string(widget->focusPolicy()) + " font " +
                         widget->font().toString().toStdString() + " tip " + widget->toolTip().toStdString() +
                         " colour " + widget->palette().color(QPalette::WindowText).name().toStdString();
      if (auto* label = qobject_cast<QLabel*>(widget)) {
        line += " text " + label->text().toStdString() + " align " + std::to_string(label->alignment()) +
                (label->wordWrap() ? " wrap" : "");
      }
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        line += " caption " + button->text().toStdString() + (button->isChecked() ? " checked" : "");
      }
      if (auto* button = qobject_cast<QPushButton*>(widget)) line += button->isDefault() ? " default" : "";
      if (auto* group = qobject_cast<QGroupBox*>(widget)) line += " title " + group->title().toStdString();
      lines.push_back(line);
    }
    QImage canvas(2, 1, QImage::Format_ARGB32);
    canvas.fill(qRgb(255, 0, 0));
    window->Control("CnvLogo")->NativeWidget()->render(&canvas, QPoint(), QRegion(), QWidget::DrawChildren);
    lines.push_back("canvas " + QColor(canvas.pixel(0, 0)).name().toStdString() + " " +
                    QColor(canvas.pixel(1, 0)).name().toStdString());
    return lines;
  }

  static PicturePtr TwoPixels() {
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 255, 255));
    image.setPixel(1, 0, qRgb(10, 20, 30));
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    PicturePtr picture = Picture::FromData(png.toStdString());
    picture->SetTransparent(1);
    return picture;
  }
};

TEST_F(LazyViewTest, SettersBeforeAndAfterTheViewExistsShowTheSame) {
  const PicturePtr picture = TwoPixels();
  ProbeWindow* before = MakeWindow("Probe.LazyBefore", 320, 200);
  const Parts early = Build(before);
  Configure(before, early, picture);
  before->Hide();
  // Built, configured and hidden, never shown: nothing of the toolkit was made for it.
  EXPECT_FALSE(before->HasView());
  EXPECT_EQ(early.text->Text(), "Hold <Option>\rthen drop.");
  EXPECT_TRUE(early.radios[1]->Value());
  EXPECT_FALSE(early.radios[0]->Value());
  EXPECT_FALSE(early.bevel->Enabled());

  ProbeWindow* after = MakeWindow("Probe.LazyAfter", 320, 200);
  const Parts late = Build(after);
  ASSERT_NE(after->NativeWidget(), nullptr);
  EXPECT_TRUE(after->HasView());
  Configure(after, late, picture);

  const std::vector<std::string> shown = Snapshot(before), expected = Snapshot(after);
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(shown.back(), "canvas #ff0000 #0a141e");  // white drawn transparent
  // The group box's children follow it into the view, and it disables them.
  EXPECT_EQ(early.radios[0]->NativeWidget()->parentWidget(), early.group->NativeWidget());
  EXPECT_FALSE(early.radios[0]->NativeWidget()->isEnabled());
  early.radios[0]->Push();
  EXPECT_TRUE(early.radios[1]->Value());
}

// Clicks on the views reach the models, which answer every getter afterwards.
TEST_F(LazyViewTest, UserChangesInTheViewUpdateTheModel) {
  ProbeWindow* window = MakeWindow("Probe.LazyClicks", 320, 200);
  const Parts p = Build(window);
  p.radios[0]->SetValue(true);
  window->Show();
  QTest::mouseClick(p.radios[1]->NativeWidget(), Qt::LeftButton, {}, QPoint(8, 10));
  EXPECT_FALSE(p.radios[0]->Value());
  EXPECT_TRUE(p.radios[1]->Value());
  QTest::mouseClick(p.check->NativeWidget(), Qt::LeftButton, {}, QPoint(8, 10));
  EXPECT_TRUE(p.check->Value());
  window->Hide();
  EXPECT_FALSE(window->Visible());
}

}  // namespace
