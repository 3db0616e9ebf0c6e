#pragma once
// What the two windows' control set-ups share: applying a control's position, locks, tab index and
// the properties every control of these windows has alike, the plain "System" font, and the
// maker's link with its two colours.
#include <string>

#include "framework/Color.h"
#include "framework/RectControl.h"
#include "framework/Text.h"

namespace ControlDesign {

struct Bounds {
  int left, top, width, height;
};

struct Locks {
  bool left, top, right, bottom;
};

inline constexpr Locks kLockNone{false, false, false, false};
inline constexpr Locks kLockLeftTop{true, true, false, false};
inline constexpr Locks kLockLeftTopRight{true, true, true, false};
inline constexpr Locks kLockTopRight{false, true, true, false};
inline constexpr Locks kLockLeftBottom{true, false, false, true};
inline constexpr Locks kLockLeftRightBottom{true, false, true, true};
inline constexpr Locks kLockRightBottom{false, false, true, true};

// The maker's web page: the link labels show it followed by a carriage return, and open it without.
inline constexpr const char* kMakerURL = "https://tessarine.example/";
inline std::string MakerLinkText() { return std::string(kMakerURL) + Chr(13); }

inline constexpr Color kBlack = RGB(0, 0, 0);
inline constexpr Color kLinkColor = RGB(32, 16, 245);
inline constexpr Color kLinkHoverColor = RGB(245, 35, 73);

// Every control of these windows is enabled and visible at design, has no help tag and
// deactivates with its window.
inline void ApplyPlace(RectControl& control, int tabIndex, Bounds bounds, Locks locks) {
  control.SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
  control.SetLocks(locks.left, locks.top, locks.right, locks.bottom);
  control.SetTabIndex(tabIndex);
  control.SetEnabled(true);
  control.SetVisible(true);
  control.SetHelpTag("");
  control.SetAutoDeactivate(true);
}

// "System", plain; size 0 is the platform's standard size.
inline void ApplyPlainFont(RectControl& control, int textSize) {
  control.SetTextFont("System");
  control.SetTextSize(textSize);
  control.SetBold(false);
  control.SetItalic(false);
  control.SetUnderline(false);
}

}  // namespace ControlDesign
