#pragma once
// X11Decorations: what a window manager on X11 is told to offer on a window (its boxes and the
// actions behind them), from the window's own flags. Qt tells managers that read the Motif hints
// (KWin, Mutter, xfwm4 and others) every action for a window that asks for no box, and resizing
// for a window of fixed size; this states exactly what the flags give. Elsewhere it does nothing.
#include "framework/Toolkit.h"

class QWidget;

namespace X11Decorations {

// For the top-level widget, before each showing; creates its native window if need be.
void State(QWidget* window, const toolkit::WindowFlags& flags);

}  // namespace X11Decorations
