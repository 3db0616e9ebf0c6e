#include "framework/views/X11Decorations.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace X11Decorations {

namespace {

// The Motif hints' fields, as window managers read them.
constexpr uint32_t kHasFunctions = 1, kHasDecorations = 2;
constexpr uint32_t kResize = 2, kMove = 4, kMinimize = 8, kMaximize = 16, kClose = 32;
constexpr uint32_t kBorder = 2, kResizeHandles = 4, kTitle = 8, kMenu = 16, kMinimizeBox = 32, kMaximizeBox = 64;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

}  // namespace

void State(QWidget* window, const toolkit::WindowFlags& flags) {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return;

  // A function named in the hints is offered, and one left out is not: a function list without any
  // would mean all of them.
  const bool maximize = flags.maximizeButton && flags.resizeable;
  uint32_t functions = kMove;
  uint32_t decorations = kBorder | kTitle | kMenu;
  if (flags.resizeable) {
    functions |= kResize;
    decorations |= kResizeHandles;
  }
  if (flags.minimizeButton) {
    functions |= kMinimize;
    decorations |= kMinimizeBox;
  }
  if (maximize) {
    functions |= kMaximize;
    decorations |= kMaximizeBox;
  }
  if (flags.closeButton) functions |= kClose;
  const uint32_t hints[5] = {kHasFunctions | kHasDecorations, functions, decorations, 0, 0};

  static constexpr char kName[] = "_MOTIF_WM_HINTS";
  const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> atom(xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr));
  if (!atom) return;
  const auto id = static_cast<xcb_window_t>(window->winId());
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom->atom, atom->atom, 32, 5, hints);
  xcb_flush(connection);
}

}  // namespace X11Decorations
