#include "windows/WndOptions.h"

#include <memory>
#include <string>

#include "core/App.h"
#include "core/CPreferences.h"
#include "core/Utilities.h"
#include "core/smalllogo.h"
#include "framework/Canvas.h"
#include "framework/Dialogs.h"
#include "framework/FolderItem.h"
#include "framework/PushButton.h"
#include "framework/RadioButton.h"
#include "framework/StaticText.h"
#include "framework/Text.h"
#include "windows/ControlDesign.h"

using namespace ControlDesign;

namespace {

constexpr const char* kClassName = "WndOptions.WndOptions";

using Handler = void (WndOptions::*)();

RadioButton* AddRadio(WndOptions* w, const char* name, int tabIndex, int left, int top, const char* caption) {
  auto* radio = w->AddControl(std::make_unique<RadioButton>(w, name));
  ApplyPlace(*radio, tabIndex, {left, top, 140, 20}, kLockLeftTop);
  ApplyPlainFont(*radio, 0);
  radio->SetCaption(caption);
  radio->SetValue(false);
  radio->SetTabStop(true);
  return radio;
}

PushButton* AddPushButton(WndOptions* w, const char* name, int tabIndex, int left, const char* caption,
                          bool isDefault, Handler action) {
  auto* button = w->AddControl(std::make_unique<PushButton>(w, name));
  ApplyPlace(*button, tabIndex, {left, 180, 80, 20}, kLockRightBottom);
  ApplyPlainFont(*button, 0);
  button->SetCaption(caption);
  button->SetDefault(isDefault);
  button->SetCancel(!isDefault);
  button->SetTabStop(true);
  button->Action = [w, action] { (w->*action)(); };
  return button;
}

StaticText* AddText(WndOptions* w, const char* name, int tabIndex, Bounds bounds, const std::string& text,
                    Color color) {
  auto* label = w->AddControl(std::make_unique<StaticText>(w, name));
  ApplyPlace(*label, tabIndex, bounds, kLockLeftRightBottom);
  ApplyPlainFont(*label, 10);
  label->SetText(text);
  label->SetMultiline(true);
  label->SetTextAlign(0);
  label->SetTextColor(color);
  return label;
}

// One choice of the chooser, in the order of the enabling pass and of the result walk.
struct Choice {
  RadioButton* (WndOptions::*button)() const;
  bool inDesign;
  std::string CPreferences::*path;
  int32_t version;
  bool CPreferences::*defaultInDesign;
};

const Choice kChoices[] = {
    {&WndOptions::RbnInDesignCS, true, &CPreferences::fInDesignCSPath, 3, &CPreferences::fCSDefaultInDesign},
    {&WndOptions::RbnInCopyCS, false, &CPreferences::fInCopyCSPath, 3, &CPreferences::fCSDefaultInDesign},
    {&WndOptions::RbnInDesignCS2, true, &CPreferences::fInDesignCS2Path, 4, &CPreferences::fCS2DefaultInDesign},
    {&WndOptions::RbnInCopyCS2, false, &CPreferences::fInCopyCS2Path, 4, &CPreferences::fCS2DefaultInDesign},
    {&WndOptions::RbnInDesignCS3, true, &CPreferences::fInDesignCS3Path, 5, &CPreferences::fCS3DefaultInDesign},
    {&WndOptions::RbnInCopyCS3, false, &CPreferences::fInCopyCS3Path, 5, &CPreferences::fCS3DefaultInDesign},
    {&WndOptions::RbnInDesignCS4, true, &CPreferences::fInDesignCS4Path, 6, &CPreferences::fCS4DefaultInDesign},
    {&WndOptions::RbnInCopyCS4, false, &CPreferences::fInCopyCS4Path, 6, &CPreferences::fCS4DefaultInDesign},
};
constexpr int kChoiceCount = sizeof(kChoices) / sizeof(kChoices[0]);

}  // namespace

WndOptions::WndOptions() : Window(kClassName) {}

WndOptions::~WndOptions() = default;

WndOptions* WndOptions::Instance() {
  if (auto* existing = dynamic_cast<WndOptions*>(GetImplicitWindow(kClassName))) return existing;
  // The framework keeps the window as its class's implicit instance from Constructor on.
  auto* window = new WndOptions();
  window->Constructor();
  return window;
}

void WndOptions::Layout() {
  SetTitle("Open With InDesign/InCopy Version");
  SetWidth(500);
  SetHeight(220);
  SetMinWidth(64);
  SetMinHeight(64);
  SetMaxWidth(32000);
  SetMaxHeight(32000);
  SetFrame(1);
  SetResizeable(false);
  SetLiveResize(false);
  SetCloseButton(false);
  SetMinimizeButton(false);
  SetMaximizeButton(false);
  SetVisible(false);
  SetMenuBarVisible(true);
  SetFullScreen(false);
  SetComposite(false);
  SetHasBackColor(false);
  SetBackColor(RGB(255, 255, 255));
  SetPlacement(0);
  SetMacProcID(0);
}

void WndOptions::CreateControls() { CreateControls0(); }

// All eight radio buttons are children of the window, so they form one exclusive group.
void WndOptions::CreateControls0() {
  AddRadio(this, "RbnInDesignCS", 0, 20, 14, "InDesign CS");
  AddRadio(this, "RbnInDesignCS2", 1, 20, 46, "InDesign CS2");
  AddRadio(this, "RbnInDesignCS3", 2, 20, 78, "InDesign CS3");
  AddRadio(this, "RbnInDesignCS4", 3, 20, 110, "InDesign CS4");
  AddPushButton(this, "BtnOK", 4, 400, "OK", true, &WndOptions::BtnOK_Action);
  AddPushButton(this, "BtnCancel", 5, 308, "Cancel", false, &WndOptions::BtnCancel_Action);
  AddRadio(this, "RbnInCopyCS4", 6, 238, 110, "InCopy CS4");
  AddRadio(this, "RbnInCopyCS3", 7, 238, 78, "InCopy CS3");
  AddRadio(this, "RbnInCopyCS2", 8, 238, 46, "InCopy CS2");
  AddRadio(this, "RbnInCopyCS", 9, 238, 14, "InCopy CS");

  auto* logo = AddControl(std::make_unique<Canvas>(this, "CnvLogo"));
  logo->SetBackdrop(smalllogo());
  ApplyPlace(*logo, 10, {13, 152, 48, 48}, kLockLeftBottom);
  logo->SetTabStop(true);
  logo->SetUseFocusRing(true);
  logo->SetAcceptFocus(false);
  logo->SetAcceptTabs(false);
  logo->SetDoubleBuffer(false);
  logo->SetEraseBackground(false);

  AddText(this, "LblInfo", 11, {73, 152, 407, 16}, "Brought to you courtesy of Mirelund Ltd." + Chr(13), kBlack);
  StaticText* link = AddText(this, "LblLink", 12, {73, 180, 231, 19}, MakerLinkText(), kLinkColor);
  link->MouseDown = [this](int x, int y) { return LblLink_MouseDown(x, y); };
  link->MouseUp = [this](int x, int y) { LblLink_MouseUp(x, y); };
  link->MouseEnter = [this] { LblLink_MouseEnter(); };
  link->MouseExit = [this] { LblLink_MouseExit(); };
}

void WndOptions::BtnOK_Action() {
  Utilities::LogVerbose("WndOptions.BtnOK.Action: called");
  Hide();
  Utilities::LogVerbose("WndOptions.BtnOK.Action: returned");
}

void WndOptions::BtnCancel_Action() {
  Utilities::LogVerbose("WndOptions.BtnCancel.Action: called");
  fCanceled = true;
  Hide();
  Utilities::LogVerbose("WndOptions.BtnCancel.Action: returned");
}

bool WndOptions::LblLink_MouseDown(int32_t, int32_t) { return true; }

void WndOptions::LblLink_MouseUp(int32_t, int32_t) { ShowURL(kMakerURL); }

void WndOptions::LblLink_MouseEnter() { LblLink()->SetTextColor(kLinkHoverColor); }

void WndOptions::LblLink_MouseExit() { LblLink()->SetTextColor(kLinkColor); }

void WndOptions::SelectInDesignVersion(int32_t in_docVersion, int32_t& out_version, bool& out_useInDesign) {
  Utilities::LogVerbose("WndOptions.SelectInDesignVersion: called - in_docVersion = " + Str(in_docVersion));
  // out_version is the run's decision field itself: from here on until OK it reads -1, so that a
  // document handed over while the window is shown is not launched.
  out_useInDesign = true;
  out_version = -1;

  const CPreferences& prefs = *App::Instance()->GetLoadedPreferences();

  int32_t count = 0;
  for (const Choice& choice : kChoices) {
    FolderItemPtr item = Utilities::GetFolderItemOrNil(prefs.*choice.path, kPathFormShell);
    const bool usable = item && item->Exists() && in_docVersion <= choice.version;
    RadioButton* button = (this->*choice.button)();
    button->SetEnabled(usable);
    if (button->Enabled()) ++count;
  }

  if (count == 0) return;
  if (count == 1) {
    out_version = in_docVersion;
    return;
  }

  // The first usable button of the lowest usable version; within a version its default
  // application first. Setting one button clears the others of the group.
  bool selected = false;
  auto tryButton = [&](const Choice& choice) {
    RadioButton* button = (this->*choice.button)();
    if (!selected && button->Enabled() && in_docVersion <= choice.version) {
      button->SetValue(true);
      selected = true;
    }
  };
  for (int inDesign = 0; inDesign < kChoiceCount; inDesign += 2) {
    const Choice& inDesignChoice = kChoices[inDesign];
    const Choice& inCopyChoice = kChoices[inDesign + 1];
    if (prefs.*inDesignChoice.defaultInDesign) {
      tryButton(inDesignChoice);
      tryButton(inCopyChoice);
    } else {
      tryButton(inCopyChoice);
      tryButton(inDesignChoice);
    }
  }

  // Where the window cannot be shown nobody can choose: the run goes on as if no key were held.
  const std::string noWindow = WhyNoneCanBeShown();
  if (!noWindow.empty()) {
    Utilities::LogError("WndOptions.SelectInDesignVersion: the chooser cannot be shown, every document opens as "
                        "its own: " + noWindow);
    out_version = 0;
    return;
  }

  fCanceled = false;
  ShowModal();
  if (fCanceled) return;

  out_version = in_docVersion;
  out_useInDesign = true;
  for (const Choice& choice : kChoices) {
    if ((this->*choice.button)()->Value()) {
      out_version = choice.version;
      if (!choice.inDesign) out_useInDesign = false;
      break;
    }
  }

  Utilities::LogVerbose("WndOptions.SelectInDesignVersion: returned - out_version = " + Str(out_version) +
                        ", out_useInDesign" + Str(out_useInDesign));
}

// ---- Controls by name ----

#define TESSARINE_CONTROL(Class, Name) \
  Class* WndOptions::Name() const { return static_cast<Class*>(Control(#Name)); }

TESSARINE_CONTROL(RadioButton, RbnInDesignCS)
TESSARINE_CONTROL(RadioButton, RbnInDesignCS2)
TESSARINE_CONTROL(RadioButton, RbnInDesignCS3)
TESSARINE_CONTROL(RadioButton, RbnInDesignCS4)
TESSARINE_CONTROL(PushButton, BtnOK)
TESSARINE_CONTROL(PushButton, BtnCancel)
TESSARINE_CONTROL(RadioButton, RbnInCopyCS4)
TESSARINE_CONTROL(RadioButton, RbnInCopyCS3)
TESSARINE_CONTROL(RadioButton, RbnInCopyCS2)
TESSARINE_CONTROL(RadioButton, RbnInCopyCS)
TESSARINE_CONTROL(Canvas, CnvLogo)
TESSARINE_CONTROL(StaticText, LblInfo)
TESSARINE_CONTROL(StaticText, LblLink)

#undef TESSARINE_CONTROL
