// The configuration window as built: its properties and every control's values, written out here
// independently of the code that builds them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <string>
#include <vector>

#include "WindowsTestSupport.h"
#include "core/smalllogo.h"
#include "framework/BevelButton.h"
#include "framework/Canvas.h"
#include "framework/CheckBox.h"
#include "framework/GroupBox.h"
#include "framework/PushButton.h"
#include "framework/RadioButton.h"
#include "framework/Separator.h"
#include "framework/StaticText.h"
#include "windows/MenuBar1.h"
#include "windows/WndLauncher.h"

namespace {

enum class Kind { Static, Bevel, Sep, Push, Canvas, Group, Radio, Check };

struct Locks {
  bool left, top, right, bottom;
};
constexpr Locks LT{true, true, false, false}, LTR{true, true, true, false}, TR{false, true, true, false},
    LB{true, false, false, true}, LRB{true, false, true, true}, RB{false, false, true, true},
    None{false, false, false, false};

struct ControlRow {
  const char* name;
  Kind kind;
  int tabIndex;
  const char* parent;  // "" for the window
  int left, top, width, height;
  Locks locks;
  const char* text;  // caption or text; nullptr where the control has none
  int textSize;      // -1 for controls without text
};

const std::string kInfo =
    "This free application fixes the problem you get when multiple versions of InDesign and/or InCopy are "
    "installed on the same computer, and double-clicking a file opens the wrong application.\r\r"
    "Drag and drop any InDesign file onto the Tessarine icon, and Tessarine will automatically select the "
    "appropriate version of InDesign or InCopy. Hold <Option> before releasing the mouse button at the end "
    "of a drag for more options.\r\r"
    "Double-click the application icon to get this configuration dialog.\r\r"
    "Brought to you courtesy of Mirelund Ltd. For more info, or to donate US$4 (a cup of coffee), click the "
    "link below:\r";
const std::string kLink = "https://tessarine.example/\r";

const ControlRow kRows[] = {
    {"LblInDesignCSTitle", Kind::Static, 0, "", 20, 5, 105, 14, LT, "Path to InDesign CS:", 10},
    {"LblInDesignCSPath", Kind::Static, 4, "", 20, 22, 546, 14, LTR, nullptr, 10},
    {"BtnInDesignCSBrowse", Kind::Bevel, 5, "", 173, 5, 60, 16, LT, "Browse...", 10},
    {"Separator1", Kind::Sep, 6, "", 0, 82, 705, 5, LTR, nullptr, -1},
    {"Separator2", Kind::Sep, 7, "", 0, 161, 705, 5, LTR, nullptr, -1},
    {"Separator3", Kind::Sep, 11, "", 0, 240, 705, 5, LTR, nullptr, -1},
    {"Separator4", Kind::Sep, 15, "", 0, 319, 705, 5, LTR, nullptr, -1},
    {"BtnOK", Kind::Push, 19, "", 609, 487, 80, 20, RB, "OK", 0},
    {"BtnCancel", Kind::Push, 20, "", 517, 487, 80, 20, RB, "Cancel", 0},
    {"CnvLogo", Kind::Canvas, 21, "", 20, 367, 48, 48, LB, nullptr, -1},
    {"LblInfo", Kind::Static, 22, "", 82, 361, 607, 114, LRB, kInfo.c_str(), 10},
    {"LblLink", Kind::Static, 23, "", 82, 480, 428, 19, LRB, kLink.c_str(), 10},
    {"LblInCopyCSTitle", Kind::Static, 24, "", 20, 45, 105, 14, LT, "Path to InCopy CS:", 10},
    {"LblInCopyCSPath", Kind::Static, 25, "", 20, 62, 546, 14, LTR, nullptr, 10},
    {"BtnInCopyCSBrowse", Kind::Bevel, 26, "", 173, 43, 60, 16, LT, "Browse...", 10},
    {"BtnInDesignCS2Browse", Kind::Bevel, 27, "", 173, 87, 60, 16, LT, "Browse...", 10},
    {"BtnInCopyCS2Browse", Kind::Bevel, 28, "", 173, 125, 60, 16, LT, "Browse...", 10},
    {"LblInCopyCS2Path", Kind::Static, 29, "", 20, 144, 546, 14, LTR, nullptr, 10},
    {"LblInCopyCS2Title", Kind::Static, 30, "", 20, 127, 105, 14, LT, "Path to InCopy CS2:", 10},
    {"LblInDesignCS2Path", Kind::Static, 31, "", 20, 104, 546, 14, LTR, nullptr, 10},
    {"LblInDesignCS2Title", Kind::Static, 32, "", 20, 87, 105, 14, LT, "Path to InDesign CS2:", 10},
    {"BtnInDesignCS3Browse", Kind::Bevel, 33, "", 173, 166, 60, 16, LT, "Browse...", 10},
    {"BtnInCopyCS3Browse", Kind::Bevel, 34, "", 173, 204, 60, 16, LT, "Browse...", 10},
    {"LblInCopyCS3Path", Kind::Static, 35, "", 20, 223, 546, 14, LTR, nullptr, 10},
    {"LblInCopyCS3Title", Kind::Static, 36, "", 20, 206, 105, 14, LT, "Path to InCopy CS3:", 10},
    {"LblInDesignCS3Path", Kind::Static, 37, "", 20, 183, 546, 14, LTR, nullptr, 10},
    {"LblInDesignCS3Title", Kind::Static, 38, "", 20, 166, 105, 14, LT, "Path to InDesign CS3:", 10},
    {"BtnInCopyCS4Browse", Kind::Bevel, 39, "", 173, 283, 60, 16, LT, "Browse...", 10},
    {"BtnInDesignCS4Browse", Kind::Bevel, 40, "", 173, 245, 60, 16, LT, "Browse...", 10},
    {"LblInCopyCS4Path", Kind::Static, 41, "", 20, 302, 546, 14, LTR, nullptr, 10},
    {"LblInCopyCS4Title", Kind::Static, 42, "", 20, 285, 105, 14, LT, "Path to InCopy CS4:", 10},
    {"LblInDesignCS4Path", Kind::Static, 43, "", 20, 262, 546, 14, LTR, nullptr, 10},
    {"LblInDesignCS4Title", Kind::Static, 44, "", 20, 245, 105, 14, LT, "Path to InDesign CS4:", 10},
    {"GrpCSDefault", Kind::Group, 46, "", 575, 5, 120, 67, TR, "CS Default for .indd", 10},
    {"RbnInDesignCS", Kind::Radio, 0, "GrpCSDefault", 581, 23, 100, 20, None, "InDesign", 10},
    {"RbnInCopyCS", Kind::Radio, 1, "GrpCSDefault", 581, 45, 100, 20, None, "InCopy", 10},
    {"GrpCS2Default", Kind::Group, 47, "", 575, 87, 120, 67, TR, "CS2 Default for .indd", 10},
    {"RbnInDesignCS2", Kind::Radio, 0, "GrpCS2Default", 581, 105, 100, 20, None, "InDesign", 10},
    {"RbnInCopyCS2", Kind::Radio, 1, "GrpCS2Default", 581, 127, 100, 20, None, "InCopy", 10},
    {"GrpCS3Default", Kind::Group, 48, "", 575, 166, 120, 67, TR, "CS3 Default for .indd", 10},
    {"RbnInDesignCS3", Kind::Radio, 0, "GrpCS3Default", 581, 184, 100, 20, None, "InDesign", 10},
    {"RbnInCopyCS3", Kind::Radio, 1, "GrpCS3Default", 581, 206, 100, 20, None, "InCopy", 10},
    {"GrpCS4Default", Kind::Group, 49, "", 575, 245, 120, 67, TR, "CS4 Default for .indd", 10},
    {"RbnInDesignCS4", Kind::Radio, 0, "GrpCS4Default", 581, 263, 100, 20, None, "InDesign", 10},
    {"RbnInCopyCS4", Kind::Radio, 1, "GrpCS4Default", 581, 285, 100, 20, None, "InCopy", 10},
    {"BtnInDesignCSClear", Kind::Bevel, 50, "", 237, 5, 60, 16, LT, "Clear", 10},
    {"BtnInDesignCS2Clear", Kind::Bevel, 51, "", 237, 87, 60, 16, LT, "Clear", 10},
    {"BtnInDesignCS3Clear", Kind::Bevel, 52, "", 237, 166, 60, 16, LT, "Clear", 10},
    {"BtnInDesignCS4Clear", Kind::Bevel, 53, "", 237, 245, 60, 16, LT, "Clear", 10},
    {"BtnInCopyCSClear", Kind::Bevel, 54, "", 237, 43, 60, 16, LT, "Clear", 10},
    {"BtnInCopyCS2Clear", Kind::Bevel, 55, "", 237, 125, 60, 16, LT, "Clear", 10},
    {"BtnInCopyCS3Clear", Kind::Bevel, 56, "", 237, 204, 60, 16, LT, "Clear", 10},
    {"BtnInCopyCS4Clear", Kind::Bevel, 57, "", 237, 283, 60, 16, LT, "Clear", 10},
    {"ChkAdjustIcon", Kind::Check, 58, "", 20, 331, 277, 20, None, "Adjust document icon to match InDesign version",
     10},
};

void PrintTo(const ControlRow& row, std::ostream* os) { *os << row.name; }

// The control's caption or text, and whether its class is the expected one.
bool TextOf(RectControl* control, Kind kind, std::string& text) {
  switch (kind) {
    case Kind::Static:
      if (auto* c = dynamic_cast<StaticText*>(control)) return text = c->Text(), true;
      return false;
    case Kind::Bevel:
      if (auto* c = dynamic_cast<BevelButton*>(control)) return text = c->Caption(), true;
      return false;
    case Kind::Push:
      if (auto* c = dynamic_cast<PushButton*>(control)) return text = c->Caption(), true;
      return false;
    case Kind::Group:
      if (auto* c = dynamic_cast<GroupBox*>(control)) return text = c->Caption(), true;
      return false;
    case Kind::Radio:
      if (auto* c = dynamic_cast<RadioButton*>(control)) return text = c->Caption(), true;
      return false;
    case Kind::Check:
      if (auto* c = dynamic_cast<CheckBox*>(control)) return text = c->Caption(), true;
      return false;
    case Kind::Sep:
      return dynamic_cast<Separator*>(control) != nullptr;
    case Kind::Canvas:
      return dynamic_cast<Canvas*>(control) != nullptr;
  }
  return false;
}

class WndLauncherLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    window = WndLauncher::Instance();
  }
  void TearDown() override { DiscardWindow(GetImplicitWindow("WndLauncher.WndLauncher")); }
  WndLauncher* window = nullptr;
};

class WndLauncherControl : public WndLauncherLayout, public ::testing::WithParamInterface<ControlRow> {};
class WndLauncherCaption : public WndLauncherControl {};

}  // namespace

TEST_F(WndLauncherLayout, WindowPropertiesAndHiddenAtConstruction) {
  EXPECT_EQ(window->Title(), "Halvorn Tessarine Configuration");
  EXPECT_EQ(window->Width(), 705);
  EXPECT_EQ(window->Height(), 525);
  EXPECT_EQ(window->ContentWidget()->width(), 705);
  EXPECT_EQ(window->ContentWidget()->height(), 525);
  EXPECT_EQ(window->Frame(), 1);
  EXPECT_FALSE(window->Resizeable());
  EXPECT_TRUE(window->CloseButton());
  EXPECT_TRUE(window->MinimizeButton());
  EXPECT_FALSE(window->MaximizeButton());
  EXPECT_FALSE(window->Visible());
  EXPECT_FALSE(window->NativeWidget()->isVisible());
  EXPECT_EQ(window->GetMenuBar(), MenuBar1::Instance());
  EXPECT_EQ(window->DefaultButton(), window->BtnOK());
  EXPECT_EQ(window->CancelButton(), window->BtnCancel());
}

TEST_F(WndLauncherLayout, ControlsAreCreatedInDesignOrderAndReachedByName) {
  const auto& controls = window->Controls();
  ASSERT_EQ(controls.size(), std::size(kRows));
  for (size_t i = 0; i < controls.size(); ++i) EXPECT_EQ(controls[i]->Name(), kRows[i].name) << "#" << i + 1;
  EXPECT_EQ(window->LblInDesignCSTitle(), controls[0].get());
  EXPECT_EQ(window->CnvLogo(), controls[9].get());
  EXPECT_EQ(window->RbnInCopyCS4(), controls[44].get());
  EXPECT_EQ(window->BtnInCopyCS4Clear(), controls[52].get());
  EXPECT_EQ(window->ChkAdjustIcon(), controls[53].get());
}

TEST_F(WndLauncherLayout, DesignStateBeforeAnyPreferences) {
  EXPECT_TRUE(window->ChkAdjustIcon()->Value());
  EXPECT_EQ(window->ChkAdjustIcon()->State(), 1);
  for (RadioButton* radio : {window->RbnInDesignCS(), window->RbnInCopyCS(), window->RbnInDesignCS2(),
                             window->RbnInCopyCS2(), window->RbnInDesignCS3(), window->RbnInCopyCS3(),
                             window->RbnInDesignCS4(), window->RbnInCopyCS4()}) {
    EXPECT_FALSE(radio->Value()) << radio->Name();
  }
  for (GroupBox* group : {window->GrpCSDefault(), window->GrpCS2Default(), window->GrpCS3Default(),
                          window->GrpCS4Default()}) {
    EXPECT_TRUE(group->Enabled()) << group->Name();
  }
  // Without a logo file the canvas is still there, empty.
  EXPECT_EQ(window->CnvLogo()->Backdrop(), smalllogo());
  EXPECT_EQ(window->LblLink()->TextColor(), RGB(32, 16, 245));
  EXPECT_TRUE(window->LblLink()->Multiline());
  EXPECT_TRUE(window->LblInfo()->Multiline());
  EXPECT_FALSE(window->LblInDesignCSPath()->Multiline());
  EXPECT_EQ(window->LblInfo()->TextColor(), RGB(0, 0, 0));
  EXPECT_TRUE(window->BtnOK()->Default());
  EXPECT_FALSE(window->BtnOK()->Cancel());
  EXPECT_TRUE(window->BtnCancel()->Cancel());
  EXPECT_FALSE(window->BtnCancel()->Default());
}

TEST_F(WndLauncherLayout, BevelButtonsNeverTakeTheFocus) {
  for (const auto& control : window->Controls()) {
    if (auto* bevel = dynamic_cast<BevelButton*>(control.get())) {
      EXPECT_EQ(bevel->NativeWidget()->focusPolicy(), Qt::NoFocus) << bevel->Name();
    }
  }
}

TEST_F(WndLauncherLayout, TwoCallsReturnTheSameHiddenWindow) {
  EXPECT_EQ(WndLauncher::Instance(), window);
  EXPECT_FALSE(window->Visible());
}

TEST_P(WndLauncherControl, HasItsDesignValues) {
  const ControlRow& row = GetParam();
  RectControl* control = window->Control(row.name);
  ASSERT_NE(control, nullptr);
  std::string text;
  EXPECT_TRUE(TextOf(control, row.kind, text)) << "wrong class";
  EXPECT_EQ(control->TabIndex(), row.tabIndex);
  EXPECT_EQ(control->Left(), row.left);
  EXPECT_EQ(control->Top(), row.top);
  EXPECT_EQ(control->Width(), row.width);
  EXPECT_EQ(control->Height(), row.height);
  EXPECT_EQ(control->LockLeft(), row.locks.left);
  EXPECT_EQ(control->LockTop(), row.locks.top);
  EXPECT_EQ(control->LockRight(), row.locks.right);
  EXPECT_EQ(control->LockBottom(), row.locks.bottom);
  if (row.text) {
    EXPECT_EQ(text, row.text);
  }
  EXPECT_TRUE(control->Enabled());
  EXPECT_TRUE(control->Visible());
  const std::string parent = control->InitialParent() ? control->InitialParent()->Name() : "";
  EXPECT_EQ(parent, row.parent);
  if (row.textSize >= 0) ExpectTextSize(control->NativeWidget(), row.textSize);
  // The content area holds the control where its bounds say, also inside a group box.
  QWidget* widget = control->NativeWidget();
  const QPoint atWindow = widget->mapTo(window->ContentWidget(), QPoint(0, 0));
  EXPECT_EQ(atWindow, QPoint(row.left, row.top));
}

// Measured with the fonts that tools/setup.sh installs: a caption cut by the font it is shown in
// loses its last characters, such as the colon of "Path to InDesign CS2:".
TEST_P(WndLauncherCaption, FitsInTheFontItIsShownIn) {
  ExpectCaptionFits(window->Control(GetParam().name)->NativeWidget());
}

INSTANTIATE_TEST_SUITE_P(AllControls, WndLauncherControl, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<ControlRow>& info) { return std::string(info.param.name); });

std::vector<ControlRow> CaptionRows() {
  std::vector<ControlRow> rows;
  for (const ControlRow& row : kRows) {
    if (row.text) rows.push_back(row);
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(AllCaptions, WndLauncherCaption, ::testing::ValuesIn(CaptionRows()),
                         [](const ::testing::TestParamInfo<ControlRow>& info) { return std::string(info.param.name); });
