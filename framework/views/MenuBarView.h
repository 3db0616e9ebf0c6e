#pragma once
// MenuBarView: builds a window's own Qt menu bar from a MenuItem tree. The tree may be shown by
// several windows at once; each gets its own view, and choosing an action triggers the shared item.
#include <QKeySequence>
#include <string>

class MenuItem;
class QMenuBar;
class QWidget;

namespace MenuBarView {

// Top-level items become menus, their children actions (or submenus), "-" a separator.
QMenuBar* Build(MenuItem* root, QWidget* parent);

// "Cmd+Q" as Qt writes it: Cmd is Ctrl here, Option is Alt. Empty for an empty text.
QKeySequence Shortcut(const std::string& text);

}  // namespace MenuBarView
