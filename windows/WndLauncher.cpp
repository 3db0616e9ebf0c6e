#include "windows/WndLauncher.h"

#include <string>

#include "core/CPreferences.h"
#include "core/Utilities.h"
#include "core/smalllogo.h"
#include "framework/BevelButton.h"
#include "framework/Canvas.h"
#include "framework/CheckBox.h"
#include "framework/Dialogs.h"
#include "framework/FolderItem.h"
#include "framework/GroupBox.h"
#include "framework/MenuItem.h"
#include "framework/PushButton.h"
#include "framework/RadioButton.h"
#include "framework/Separator.h"
#include "framework/StaticText.h"
#include "framework/Text.h"
#include "windows/ControlDesign.h"
#include "windows/MenuBar1.h"

using namespace ControlDesign;

namespace {

constexpr const char* kClassName = "WndLauncher.WndLauncher";

// The design values of one version band; every band follows the same pattern from its top y0.
struct BandDesign {
  int y0;
  const char* inDesignTitle;
  const char* inCopyTitle;
  const char* groupCaption;
};
constexpr BandDesign kCS{5, "Path to InDesign CS:", "Path to InCopy CS:", "CS Default for .indd"};
constexpr BandDesign kCS2{87, "Path to InDesign CS2:", "Path to InCopy CS2:", "CS2 Default for .indd"};
constexpr BandDesign kCS3{166, "Path to InDesign CS3:", "Path to InCopy CS3:", "CS3 Default for .indd"};
constexpr BandDesign kCS4{245, "Path to InDesign CS4:", "Path to InCopy CS4:", "CS4 Default for .indd"};

// The band's rows: InDesign at y0, InCopy 40 below; the InCopy row's buttons stand 2 higher.
constexpr int kInCopyTitleOffset = 40;
constexpr int kInCopyButtonOffset = 38;
constexpr int kPathOffset = 17;
constexpr int kBrowseLeft = 173;
constexpr int kClearLeft = 237;

std::string InfoText() {
  const std::string cr = Chr(13);
  return "This free application fixes the problem you get when multiple versions of InDesign and/or "
         "InCopy are installed on the same computer, and double-clicking a file opens the wrong "
         "application." +
         cr + cr +
         "Drag and drop any InDesign file onto the Tessarine icon, and Tessarine will automatically "
         "select the appropriate version of InDesign or InCopy. Hold <Option> before releasing the "
         "mouse button at the end of a drag for more options." +
         cr + cr + "Double-click the application icon to get this configuration dialog." + cr + cr +
         "Brought to you courtesy of Mirelund Ltd. For more info, or to donate US$4 (a cup of "
         "coffee), click the link below:" +
         cr;
}

using Handler = void (WndLauncher::*)();

StaticText* AddTitle(WndLauncher* w, const char* name, int tabIndex, int top, const char* text) {
  auto* label = w->AddControl(std::make_unique<StaticText>(w, name));
  ApplyPlace(*label, tabIndex, {20, top, 105, 14}, kLockLeftTop);
  ApplyPlainFont(*label, 10);
  label->SetText(text);
  label->SetTextAlign(0);
  label->SetTextColor(kBlack);
  label->SetMultiline(false);
  return label;
}

// Its text is set at each showing; it needs none at design.
StaticText* AddPathLabel(WndLauncher* w, const char* name, int tabIndex, int top) {
  auto* label = w->AddControl(std::make_unique<StaticText>(w, name));
  ApplyPlace(*label, tabIndex, {20, top, 546, 14}, kLockLeftTopRight);
  ApplyPlainFont(*label, 10);
  label->SetTextAlign(0);
  label->SetTextColor(kBlack);
  label->SetMultiline(false);
  return label;
}

BevelButton* AddBevel(WndLauncher* w, const char* name, int tabIndex, int left, int top,
                      const char* caption, Handler action) {
  auto* button = w->AddControl(std::make_unique<BevelButton>(w, name));
  ApplyPlace(*button, tabIndex, {left, top, 60, 16}, kLockLeftTop);
  ApplyPlainFont(*button, 10);
  button->SetCaption(caption);
  button->SetCaptionAlign(3);
  button->SetCaptionPlacement(1);
  button->SetCaptionDelta(0);
  button->SetBevel(0);
  button->SetButtonType(0);
  button->SetHasMenu(0);
  button->SetMenuValue(0);
  button->SetValue(false);
  button->SetTabStop(true);
  button->Action = [w, action] { (w->*action)(); };
  return button;
}

Separator* AddSeparator(WndLauncher* w, const char* name, int tabIndex, int top) {
  auto* separator = w->AddControl(std::make_unique<Separator>(w, name));
  ApplyPlace(*separator, tabIndex, {0, top, 705, 5}, kLockLeftTopRight);
  separator->SetTabStop(true);
  return separator;
}

PushButton* AddPushButton(WndLauncher* w, const char* name, int tabIndex, int left,
                          const char* caption, bool isDefault, Handler action) {
  auto* button = w->AddControl(std::make_unique<PushButton>(w, name));
  ApplyPlace(*button, tabIndex, {left, 487, 80, 20}, kLockRightBottom);
  ApplyPlainFont(*button, 0);
  button->SetCaption(caption);
  button->SetDefault(isDefault);
  button->SetCancel(!isDefault);
  button->SetTabStop(true);
  button->Action = [w, action] { (w->*action)(); };
  return button;
}

GroupBox* AddGroup(WndLauncher* w, const char* name, int tabIndex, const BandDesign& band) {
  auto* group = w->AddControl(std::make_unique<GroupBox>(w, name));
  ApplyPlace(*group, tabIndex, {575, band.y0, 120, 67}, kLockTopRight);
  ApplyPlainFont(*group, 10);
  group->SetCaption(band.groupCaption);
  return group;
}

// A radio button inside its band's group box: the pair is an exclusive group of its own.
RadioButton* AddRadio(WndLauncher* w, const char* name, int tabIndex, GroupBox* group, int top,
                      const char* caption, Handler action) {
  auto* radio = w->AddControl(std::make_unique<RadioButton>(w, name));
  radio->SetInitialParent(group);
  ApplyPlace(*radio, tabIndex, {581, top, 100, 20}, kLockNone);
  ApplyPlainFont(*radio, 10);
  radio->SetCaption(caption);
  radio->SetValue(false);
  radio->SetTabStop(true);
  radio->Action = [w, action] { (w->*action)(); };
  return radio;
}

// One application path of the working copy, the label that shows it and its handlers' log names.
struct PathRow {
  std::string CPreferences::*field;
  StaticText* (WndLauncher::*label)() const;
  const char* browseLogName;
  const char* clearLogName;
};

enum : int { kInDesignCS, kInDesignCS2, kInDesignCS3, kInDesignCS4, kInCopyCS, kInCopyCS2, kInCopyCS3, kInCopyCS4 };

// The first Clear button's log name lacks its version: that is the name the log has always used.
const PathRow kPathRows[] = {
    {&CPreferences::fInDesignCSPath, &WndLauncher::LblInDesignCSPath, "WndLauncher.BtnInDesignCSBrowse.Action",
     "WndLauncher.BtnInDesignClear.Action"},
    {&CPreferences::fInDesignCS2Path, &WndLauncher::LblInDesignCS2Path, "WndLauncher.BtnInDesignCS2Browse.Action",
     "WndLauncher.BtnInDesignCS2Clear.Action"},
    {&CPreferences::fInDesignCS3Path, &WndLauncher::LblInDesignCS3Path, "WndLauncher.BtnInDesignCS3Browse.Action",
     "WndLauncher.BtnInDesignCS3Clear.Action"},
    {&CPreferences::fInDesignCS4Path, &WndLauncher::LblInDesignCS4Path, "WndLauncher.BtnInDesignCS4Browse.Action",
     "WndLauncher.BtnInDesignCS4Clear.Action"},
    {&CPreferences::fInCopyCSPath, &WndLauncher::LblInCopyCSPath, "WndLauncher.BtnInCopyCSBrowse.Action",
     "WndLauncher.BtnInCopyCSClear.Action"},
    {&CPreferences::fInCopyCS2Path, &WndLauncher::LblInCopyCS2Path, "WndLauncher.BtnInCopyCS2Browse.Action",
     "WndLauncher.BtnInCopyCS2Clear.Action"},
    {&CPreferences::fInCopyCS3Path, &WndLauncher::LblInCopyCS3Path, "WndLauncher.BtnInCopyCS3Browse.Action",
     "WndLauncher.BtnInCopyCS3Clear.Action"},
    {&CPreferences::fInCopyCS4Path, &WndLauncher::LblInCopyCS4Path, "WndLauncher.BtnInCopyCS4Browse.Action",
     "WndLauncher.BtnInCopyCS4Clear.Action"},
};

// One version band: its two paths, its group box and its default flag with the two buttons.
struct Band {
  int inDesignRow;
  int inCopyRow;
  GroupBox* (WndLauncher::*group)() const;
  bool CPreferences::*defaultInDesign;
  RadioButton* (WndLauncher::*inDesignButton)() const;
  RadioButton* (WndLauncher::*inCopyButton)() const;
};

const Band kBands[] = {
    {kInDesignCS, kInCopyCS, &WndLauncher::GrpCSDefault, &CPreferences::fCSDefaultInDesign,
     &WndLauncher::RbnInDesignCS, &WndLauncher::RbnInCopyCS},
    {kInDesignCS2, kInCopyCS2, &WndLauncher::GrpCS2Default, &CPreferences::fCS2DefaultInDesign,
     &WndLauncher::RbnInDesignCS2, &WndLauncher::RbnInCopyCS2},
    {kInDesignCS3, kInCopyCS3, &WndLauncher::GrpCS3Default, &CPreferences::fCS3DefaultInDesign,
     &WndLauncher::RbnInDesignCS3, &WndLauncher::RbnInCopyCS3},
    {kInDesignCS4, kInCopyCS4, &WndLauncher::GrpCS4Default, &CPreferences::fCS4DefaultInDesign,
     &WndLauncher::RbnInDesignCS4, &WndLauncher::RbnInCopyCS4},
};

// The display form of a stored path whose item exists; the empty text otherwise.
std::string DisplayFormIfExists(const std::string& path) {
  FolderItemPtr item = Utilities::GetFolderItemOrNil(path, kPathFormShell);
  if (item && item->Exists()) return Utilities::ShellToPosix(path);
  return "";
}

bool HoldsLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

WndLauncher::WndLauncher() : Window(kClassName) {}

WndLauncher::~WndLauncher() { fPreferences = nullptr; }

WndLauncher* WndLauncher::Instance() {
  if (auto* existing = dynamic_cast<WndLauncher*>(GetImplicitWindow(kClassName))) return existing;
  // The framework keeps the window as its class's implicit instance from Constructor on.
  auto* window = new WndLauncher();
  window->Constructor();
  return window;
}

void WndLauncher::Layout() {
  SetMenuBar(MenuBar1::Instance());
  SetTitle("Halvorn Tessarine Configuration");
  SetWidth(705);
  SetHeight(525);
  SetMinWidth(705);
  SetMinHeight(492);
  SetMaxWidth(32000);
  SetMaxHeight(32000);
  SetFrame(1);
  SetResizeable(false);
  SetCloseButton(true);
  SetMinimizeButton(true);
  SetMaximizeButton(false);
  SetVisible(false);
  SetMenuBarVisible(true);
  SetFullScreen(false);
  SetLiveResize(true);
  SetComposite(false);
  SetHasBackColor(false);
  SetBackColor(RGB(255, 255, 255));
  SetPlacement(0);
  SetMacProcID(0);
}

void WndLauncher::CreateControls() {
  CreateControls0();
  CreateControls1();
}

void WndLauncher::CreateControls0() {
  AddTitle(this, "LblInDesignCSTitle", 0, kCS.y0, kCS.inDesignTitle);
  AddPathLabel(this, "LblInDesignCSPath", 4, kCS.y0 + kPathOffset);
  AddBevel(this, "BtnInDesignCSBrowse", 5, kBrowseLeft, kCS.y0, "Browse...", &WndLauncher::BtnInDesignCSBrowse_Action);
  AddSeparator(this, "Separator1", 6, 82);
  AddSeparator(this, "Separator2", 7, 161);
  AddSeparator(this, "Separator3", 11, 240);
  AddSeparator(this, "Separator4", 15, 319);
  AddPushButton(this, "BtnOK", 19, 609, "OK", true, &WndLauncher::BtnOK_Action);
  AddPushButton(this, "BtnCancel", 20, 517, "Cancel", false, &WndLauncher::BtnCancel_Action);

  auto* logo = AddControl(std::make_unique<Canvas>(this, "CnvLogo"));
  logo->SetBackdrop(smalllogo());
  ApplyPlace(*logo, 21, {20, 367, 48, 48}, kLockLeftBottom);
  logo->SetTabStop(true);
  logo->SetUseFocusRing(true);
  logo->SetAcceptFocus(false);
  logo->SetAcceptTabs(false);
  logo->SetDoubleBuffer(false);
  logo->SetEraseBackground(false);

  auto* info = AddControl(std::make_unique<StaticText>(this, "LblInfo"));
  ApplyPlace(*info, 22, {82, 361, 607, 114}, kLockLeftRightBottom);
  ApplyPlainFont(*info, 10);
  info->SetText(InfoText());
  info->SetTextAlign(0);
  info->SetTextColor(kBlack);
  info->SetMultiline(true);

  auto* link = AddControl(std::make_unique<StaticText>(this, "LblLink"));
  ApplyPlace(*link, 23, {82, 480, 428, 19}, kLockLeftRightBottom);
  ApplyPlainFont(*link, 10);
  link->SetText(MakerLinkText());
  link->SetTextAlign(0);
  link->SetTextColor(kLinkColor);
  link->SetMultiline(true);
  link->MouseDown = [this](int x, int y) { return LblLink_MouseDown(x, y); };
  link->MouseUp = [this](int x, int y) { LblLink_MouseUp(x, y); };
  link->MouseEnter = [this] { LblLink_MouseEnter(); };
  link->MouseExit = [this] { LblLink_MouseExit(); };

  AddTitle(this, "LblInCopyCSTitle", 24, kCS.y0 + kInCopyTitleOffset, kCS.inCopyTitle);
  AddPathLabel(this, "LblInCopyCSPath", 25, kCS.y0 + kInCopyTitleOffset + kPathOffset);
  AddBevel(this, "BtnInCopyCSBrowse", 26, kBrowseLeft, kCS.y0 + kInCopyButtonOffset, "Browse...",
           &WndLauncher::BtnInCopyCSBrowse_Action);

  AddBevel(this, "BtnInDesignCS2Browse", 27, kBrowseLeft, kCS2.y0, "Browse...", &WndLauncher::BtnInDesignCS2Browse_Action);
  AddBevel(this, "BtnInCopyCS2Browse", 28, kBrowseLeft, kCS2.y0 + kInCopyButtonOffset, "Browse...",
           &WndLauncher::BtnInCopyCS2Browse_Action);
  AddPathLabel(this, "LblInCopyCS2Path", 29, kCS2.y0 + kInCopyTitleOffset + kPathOffset);
  AddTitle(this, "LblInCopyCS2Title", 30, kCS2.y0 + kInCopyTitleOffset, kCS2.inCopyTitle);
  AddPathLabel(this, "LblInDesignCS2Path", 31, kCS2.y0 + kPathOffset);
  AddTitle(this, "LblInDesignCS2Title", 32, kCS2.y0, kCS2.inDesignTitle);

  AddBevel(this, "BtnInDesignCS3Browse", 33, kBrowseLeft, kCS3.y0, "Browse...", &WndLauncher::BtnInDesignCS3Browse_Action);
  AddBevel(this, "BtnInCopyCS3Browse", 34, kBrowseLeft, kCS3.y0 + kInCopyButtonOffset, "Browse...",
           &WndLauncher::BtnInCopyCS3Browse_Action);
  AddPathLabel(this, "LblInCopyCS3Path", 35, kCS3.y0 + kInCopyTitleOffset + kPathOffset);
  AddTitle(this, "LblInCopyCS3Title", 36, kCS3.y0 + kInCopyTitleOffset, kCS3.inCopyTitle);
  AddPathLabel(this, "LblInDesignCS3Path", 37, kCS3.y0 + kPathOffset);
  AddTitle(this, "LblInDesignCS3Title", 38, kCS3.y0, kCS3.inDesignTitle);

  AddBevel(this, "BtnInCopyCS4Browse", 39, kBrowseLeft, kCS4.y0 + kInCopyButtonOffset, "Browse...",
           &WndLauncher::BtnInCopyCS4Browse_Action);
  AddBevel(this, "BtnInDesignCS4Browse", 40, kBrowseLeft, kCS4.y0, "Browse...", &WndLauncher::BtnInDesignCS4Browse_Action);
  AddPathLabel(this, "LblInCopyCS4Path", 41, kCS4.y0 + kInCopyTitleOffset + kPathOffset);
  AddTitle(this, "LblInCopyCS4Title", 42, kCS4.y0 + kInCopyTitleOffset, kCS4.inCopyTitle);
  AddPathLabel(this, "LblInDesignCS4Path", 43, kCS4.y0 + kPathOffset);
  AddTitle(this, "LblInDesignCS4Title", 44, kCS4.y0, kCS4.inDesignTitle);

  // A group box comes before its two radio buttons, which name it as their parent.
  GroupBox* group = AddGroup(this, "GrpCSDefault", 46, kCS);
  AddRadio(this, "RbnInDesignCS", 0, group, kCS.y0 + 18, "InDesign", &WndLauncher::RbnInDesignCS_Action);
  AddRadio(this, "RbnInCopyCS", 1, group, kCS.y0 + 40, "InCopy", &WndLauncher::RbnInCopyCS_Action);
  group = AddGroup(this, "GrpCS2Default", 47, kCS2);
  AddRadio(this, "RbnInDesignCS2", 0, group, kCS2.y0 + 18, "InDesign", &WndLauncher::RbnInDesignCS2_Action);
  AddRadio(this, "RbnInCopyCS2", 1, group, kCS2.y0 + 40, "InCopy", &WndLauncher::RbnInCopyCS2_Action);
  group = AddGroup(this, "GrpCS3Default", 48, kCS3);
  AddRadio(this, "RbnInDesignCS3", 0, group, kCS3.y0 + 18, "InDesign", &WndLauncher::RbnInDesignCS3_Action);
  AddRadio(this, "RbnInCopyCS3", 1, group, kCS3.y0 + 40, "InCopy", &WndLauncher::RbnInCopyCS3_Action);
  group = AddGroup(this, "GrpCS4Default", 49, kCS4);
  AddRadio(this, "RbnInDesignCS4", 0, group, kCS4.y0 + 18, "InDesign", &WndLauncher::RbnInDesignCS4_Action);
  AddRadio(this, "RbnInCopyCS4", 1, group, kCS4.y0 + 40, "InCopy", &WndLauncher::RbnInCopyCS4_Action);

  AddBevel(this, "BtnInDesignCSClear", 50, kClearLeft, kCS.y0, "Clear", &WndLauncher::BtnInDesignCSClear_Action);
  AddBevel(this, "BtnInDesignCS2Clear", 51, kClearLeft, kCS2.y0, "Clear", &WndLauncher::BtnInDesignCS2Clear_Action);
  AddBevel(this, "BtnInDesignCS3Clear", 52, kClearLeft, kCS3.y0, "Clear", &WndLauncher::BtnInDesignCS3Clear_Action);
  AddBevel(this, "BtnInDesignCS4Clear", 53, kClearLeft, kCS4.y0, "Clear", &WndLauncher::BtnInDesignCS4Clear_Action);
  AddBevel(this, "BtnInCopyCSClear", 54, kClearLeft, kCS.y0 + kInCopyButtonOffset, "Clear",
           &WndLauncher::BtnInCopyCSClear_Action);
}

void WndLauncher::CreateControls1() {
  AddBevel(this, "BtnInCopyCS2Clear", 55, kClearLeft, kCS2.y0 + kInCopyButtonOffset, "Clear",
           &WndLauncher::BtnInCopyCS2Clear_Action);
  AddBevel(this, "BtnInCopyCS3Clear", 56, kClearLeft, kCS3.y0 + kInCopyButtonOffset, "Clear",
           &WndLauncher::BtnInCopyCS3Clear_Action);
  AddBevel(this, "BtnInCopyCS4Clear", 57, kClearLeft, kCS4.y0 + kInCopyButtonOffset, "Clear",
           &WndLauncher::BtnInCopyCS4Clear_Action);

  auto* check = AddControl(std::make_unique<CheckBox>(this, "ChkAdjustIcon"));
  ApplyPlace(*check, 58, {20, 331, 277, 20}, kLockNone);
  ApplyPlainFont(*check, 10);
  check->SetCaption("Adjust document icon to match InDesign version");
  check->SetState(1);
  check->SetValue(true);
  check->SetTabStop(true);
  check->Action = [this] { ChkAdjustIcon_Action(); };
}

// ---- Editing a record ----

bool WndLauncher::EditPreferences(CPreferences& R) {
  Utilities::LogVerbose("WndLauncher.EditPreferences: called");
  fCanceled = false;
  fPreferences = std::make_unique<CPreferences>(R);

  ChkAdjustIcon()->SetValue(!fPreferences->fDontAddIcon);
  for (const Band& band : kBands) {
    const PathRow& inDesign = kPathRows[band.inDesignRow];
    const PathRow& inCopy = kPathRows[band.inCopyRow];
    (this->*inDesign.label)()->SetText(DisplayFormIfExists((*fPreferences).*inDesign.field));
    (this->*inCopy.label)()->SetText(DisplayFormIfExists((*fPreferences).*inCopy.field));
    const bool defaultInDesign = (*fPreferences).*band.defaultInDesign;
    (this->*band.inDesignButton)()->SetValue(defaultInDesign);
    (this->*band.inCopyButton)()->SetValue(!defaultInDesign);
  }
  UpdateStatus();

  // Ends when OK or Cancel hides the window, when the close box closes it, or when a document
  // handed over meanwhile hides it. Only Cancel sets fCanceled.
  ShowModal();

  if (!fCanceled) R.CopyPreferences(*fPreferences);
  Utilities::LogVerbose("WndLauncher.EditPreferences: returned - fCanceled = " + Str(fCanceled));
  return !fCanceled;
}

void WndLauncher::UpdateStatus() {
  Utilities::LogVerbose("WndLauncher.UpdateStatus: called");
  for (const Band& band : kBands) {
    bool bothShown = !(this->*kPathRows[band.inDesignRow].label)()->Text().empty();
    if (bothShown) bothShown = !(this->*kPathRows[band.inCopyRow].label)()->Text().empty();
    (this->*band.group)()->SetEnabled(bothShown);
  }
  Utilities::LogVerbose("WndLauncher.UpdateStatus: returned");
}

// ---- OK and Cancel ----

void WndLauncher::BtnOK_Action() {
  Utilities::LogVerbose("WndLauncher.BtnOK.Action: called");
  Hide();
  Utilities::LogVerbose("WndLauncher.BtnOK.Action: returned");
}

void WndLauncher::BtnCancel_Action() {
  Utilities::LogVerbose("WndLauncher.BtnCancel.Action: called");
  fCanceled = true;
  Hide();
  Utilities::LogVerbose("WndLauncher.BtnCancel.Action: returned");
}

// ---- The link label ----

bool WndLauncher::LblLink_MouseDown(int32_t, int32_t) { return true; }

void WndLauncher::LblLink_MouseUp(int32_t, int32_t) {
  Utilities::LogVerbose("WndLauncher.LblLink.MouseUp: called");
  ShowURL(kMakerURL);
  Utilities::LogVerbose("WndLauncher.LblLink.MouseUp: returned");
}

void WndLauncher::LblLink_MouseEnter() { LblLink()->SetTextColor(kLinkHoverColor); }

void WndLauncher::LblLink_MouseExit() { LblLink()->SetTextColor(kLinkColor); }

// ---- Application paths ----

void WndLauncher::BrowseFor(int row) {
  const PathRow& path = kPathRows[row];
  const std::string logName = path.browseLogName;
  Utilities::LogVerbose(logName + ": called");
  if (FolderItemPtr selectedApp = GetOpenFolderItem("Apps")) {
    const std::string shellPath = selectedApp->ShellPath();
    Utilities::LogVerbose(logName + ": selectedApp = " + shellPath);
    // The preferences file holds one field per line: a line break would shift every later field.
    if (HoldsLineBreak(shellPath)) {
      Utilities::LogError(logName + ": path holds a line break, not used");
    } else {
      (*fPreferences).*path.field = shellPath;
      (this->*path.label)()->SetText(Utilities::ShellToPosix((*fPreferences).*path.field));
      UpdateStatus();
    }
  }
  Utilities::LogVerbose(logName + ": returned");
}

void WndLauncher::ClearPath(int row) {
  const PathRow& path = kPathRows[row];
  const std::string logName = path.clearLogName;
  Utilities::LogVerbose(logName + ": called");
  (*fPreferences).*path.field = "";
  (this->*path.label)()->SetText("");
  UpdateStatus();
  Utilities::LogVerbose(logName + ": returned");
}

void WndLauncher::BtnInDesignCSBrowse_Action() { BrowseFor(kInDesignCS); }
void WndLauncher::BtnInCopyCSBrowse_Action() { BrowseFor(kInCopyCS); }
void WndLauncher::BtnInDesignCS2Browse_Action() { BrowseFor(kInDesignCS2); }
void WndLauncher::BtnInCopyCS2Browse_Action() { BrowseFor(kInCopyCS2); }
void WndLauncher::BtnInDesignCS3Browse_Action() { BrowseFor(kInDesignCS3); }
void WndLauncher::BtnInCopyCS3Browse_Action() { BrowseFor(kInCopyCS3); }
void WndLauncher::BtnInCopyCS4Browse_Action() { BrowseFor(kInCopyCS4); }
void WndLauncher::BtnInDesignCS4Browse_Action() { BrowseFor(kInDesignCS4); }

void WndLauncher::BtnInDesignCSClear_Action() { ClearPath(kInDesignCS); }
void WndLauncher::BtnInDesignCS2Clear_Action() { ClearPath(kInDesignCS2); }
void WndLauncher::BtnInDesignCS3Clear_Action() { ClearPath(kInDesignCS3); }
void WndLauncher::BtnInDesignCS4Clear_Action() { ClearPath(kInDesignCS4); }
void WndLauncher::BtnInCopyCSClear_Action() { ClearPath(kInCopyCS); }
void WndLauncher::BtnInCopyCS2Clear_Action() { ClearPath(kInCopyCS2); }
void WndLauncher::BtnInCopyCS3Clear_Action() { ClearPath(kInCopyCS3); }
void WndLauncher::BtnInCopyCS4Clear_Action() { ClearPath(kInCopyCS4); }

// ---- Default applications and the icon check box ----
// Each writes its own button's constant, the value that EditPreferences shows for it, so an Action
// reported for a value the program set leaves the working copy as it was.

void WndLauncher::RbnInDesignCS_Action() {
  Utilities::LogVerbose("WndLauncher.RbnInDesignCS.Action: called");
  fPreferences->fCSDefaultInDesign = true;
  Utilities::LogVerbose("WndLauncher.RbnInDesignCS.Action: returned");
}

void WndLauncher::RbnInCopyCS_Action() {
  Utilities::LogVerbose("WndLauncher.RbnInCopyCS.Action: called");
  fPreferences->fCSDefaultInDesign = false;
  Utilities::LogVerbose("WndLauncher.RbnInCopyCS.Action: returned");
}

void WndLauncher::RbnInDesignCS2_Action() {
  Utilities::LogVerbose("WndLauncher.RbnInDesignCS2.Action: called");
  fPreferences->fCS2DefaultInDesign = true;
  Utilities::LogVerbose("WndLauncher.RbnInDesignCS2.Action: returned");
}

void WndLauncher::RbnInCopyCS2_Action() {
  Utilities::LogVerbose("WndLauncher.RbnInCopyCS2.Action: called");
  fPreferences->fCS2DefaultInDesign = false;
  Utilities::LogVerbose("WndLauncher.RbnInCopyCS2.Action: returned");
}

void WndLauncher::RbnInDesignCS3_Action() {
  Utilities::LogVerbose("WndLauncher.RbnInDesignCS3.Action: called");
  fPreferences->fCS3DefaultInDesign = true;
  Utilities::LogVerbose("WndLauncher.RbnInDesignCS3.Action: returned");
}

void WndLauncher::RbnInCopyCS3_Action() {
  Utilities::LogVerbose("WndLauncher.RbnInCopyCS3.Action: called");
  fPreferences->fCS3DefaultInDesign = false;
  Utilities::LogVerbose("WndLauncher.RbnInCopyCS3.Action: returned");
}

void WndLauncher::RbnInDesignCS4_Action() {
  Utilities::LogVerbose("WndLauncher.RbnInDesignCS4.Action: called");
  fPreferences->fCS4DefaultInDesign = true;
  Utilities::LogVerbose("WndLauncher.RbnInDesignCS4.Action: returned");
}

void WndLauncher::RbnInCopyCS4_Action() {
  Utilities::LogVerbose("WndLauncher.RbnInCopyCS4.Action: called");
  fPreferences->fCS4DefaultInDesign = false;
  Utilities::LogVerbose("WndLauncher.RbnInCopyCS4.Action: returned");
}

void WndLauncher::ChkAdjustIcon_Action() {
  Utilities::LogVerbose("WndLauncher.ChkAdjustIcon.Action: called");
  fPreferences->fDontAddIcon = !ChkAdjustIcon()->Value();
  Utilities::LogVerbose("WndLauncher.ChkAdjustIcon.Action: returned");
}

// ---- Menu items ----

MenuItem* WndLauncher::MenuBarItem(const char* name) const {
  MenuBar* menuBar = GetMenuBar();
  return menuBar ? menuBar->Find(name) : nullptr;
}

MenuItem* WndLauncher::EditMenu() { return MenuBarItem("EditMenu"); }
MenuItem* WndLauncher::EditSelectAll() { return MenuBarItem("EditSelectAll"); }
MenuItem* WndLauncher::UntitledMenu0() { return MenuBarItem("UntitledMenu0"); }
MenuItem* WndLauncher::EditClear() { return MenuBarItem("EditClear"); }
MenuItem* WndLauncher::EditPaste() { return MenuBarItem("EditPaste"); }
MenuItem* WndLauncher::EditCopy() { return MenuBarItem("EditCopy"); }
MenuItem* WndLauncher::EditCut() { return MenuBarItem("EditCut"); }
MenuItem* WndLauncher::UntitledMenu1() { return MenuBarItem("UntitledMenu1"); }
MenuItem* WndLauncher::EditUndo() { return MenuBarItem("EditUndo"); }
MenuItem* WndLauncher::FileMenu() { return MenuBarItem("FileMenu"); }
QuitMenuItem* WndLauncher::FileQuit() { return dynamic_cast<QuitMenuItem*>(MenuBarItem("FileQuit")); }

// ---- Controls by name ----

#define TESSARINE_CONTROL(Class, Name) \
  Class* WndLauncher::Name() const { return static_cast<Class*>(Control(#Name)); }

TESSARINE_CONTROL(StaticText, LblInDesignCSTitle)
TESSARINE_CONTROL(StaticText, LblInDesignCSPath)
TESSARINE_CONTROL(BevelButton, BtnInDesignCSBrowse)
TESSARINE_CONTROL(Separator, Separator1)
TESSARINE_CONTROL(Separator, Separator2)
TESSARINE_CONTROL(Separator, Separator3)
TESSARINE_CONTROL(Separator, Separator4)
TESSARINE_CONTROL(PushButton, BtnOK)
TESSARINE_CONTROL(PushButton, BtnCancel)
TESSARINE_CONTROL(Canvas, CnvLogo)
TESSARINE_CONTROL(StaticText, LblInfo)
TESSARINE_CONTROL(StaticText, LblLink)
TESSARINE_CONTROL(StaticText, LblInCopyCSTitle)
TESSARINE_CONTROL(StaticText, LblInCopyCSPath)
TESSARINE_CONTROL(BevelButton, BtnInCopyCSBrowse)
TESSARINE_CONTROL(BevelButton, BtnInDesignCS2Browse)
TESSARINE_CONTROL(BevelButton, BtnInCopyCS2Browse)
TESSARINE_CONTROL(StaticText, LblInCopyCS2Path)
TESSARINE_CONTROL(StaticText, LblInCopyCS2Title)
TESSARINE_CONTROL(StaticText, LblInDesignCS2Path)
TESSARINE_CONTROL(StaticText, LblInDesignCS2Title)
TESSARINE_CONTROL(BevelButton, BtnInDesignCS3Browse)
TESSARINE_CONTROL(BevelButton, BtnInCopyCS3Browse)
TESSARINE_CONTROL(StaticText, LblInCopyCS3Path)
TESSARINE_CONTROL(StaticText, LblInCopyCS3Title)
TESSARINE_CONTROL(StaticText, LblInDesignCS3Path)
TESSARINE_CONTROL(StaticText, LblInDesignCS3Title)
TESSARINE_CONTROL(BevelButton, BtnInCopyCS4Browse)
TESSARINE_CONTROL(BevelButton, BtnInDesignCS4Browse)
TESSARINE_CONTROL(StaticText, LblInCopyCS4Path)
TESSARINE_CONTROL(StaticText, LblInCopyCS4Title)
TESSARINE_CONTROL(StaticText, LblInDesignCS4Path)
TESSARINE_CONTROL(StaticText, LblInDesignCS4Title)
TESSARINE_CONTROL(GroupBox, GrpCSDefault)
TESSARINE_CONTROL(RadioButton, RbnInDesignCS)
TESSARINE_CONTROL(RadioButton, RbnInCopyCS)
TESSARINE_CONTROL(GroupBox, GrpCS2Default)
TESSARINE_CONTROL(RadioButton, RbnInDesignCS2)
TESSARINE_CONTROL(RadioButton, RbnInCopyCS2)
TESSARINE_CONTROL(GroupBox, GrpCS3Default)
TESSARINE_CONTROL(RadioButton, RbnInDesignCS3)
TESSARINE_CONTROL(RadioButton, RbnInCopyCS3)
TESSARINE_CONTROL(GroupBox, GrpCS4Default)
TESSARINE_CONTROL(RadioButton, RbnInDesignCS4)
TESSARINE_CONTROL(RadioButton, RbnInCopyCS4)
TESSARINE_CONTROL(BevelButton, BtnInDesignCSClear)
TESSARINE_CONTROL(BevelButton, BtnInDesignCS2Clear)
TESSARINE_CONTROL(BevelButton, BtnInDesignCS3Clear)
TESSARINE_CONTROL(BevelButton, BtnInDesignCS4Clear)
TESSARINE_CONTROL(BevelButton, BtnInCopyCSClear)
TESSARINE_CONTROL(BevelButton, BtnInCopyCS2Clear)
TESSARINE_CONTROL(BevelButton, BtnInCopyCS3Clear)
TESSARINE_CONTROL(BevelButton, BtnInCopyCS4Clear)
TESSARINE_CONTROL(CheckBox, ChkAdjustIcon)

#undef TESSARINE_CONTROL
