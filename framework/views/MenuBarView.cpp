#include "framework/views/MenuBarView.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

#include "framework/MenuItem.h"
#include "framework/UnhandledException.h"

namespace {

void AddItems(QMenu* menu, MenuItem* parent) {
  for (size_t i = 0; i < parent->Count(); ++i) {
    MenuItem* item = parent->Item(i);
    if (item->IsSeparator()) {
      menu->addSeparator();
    } else if (item->Count() > 0) {
      AddItems(menu->addMenu(QString::fromStdString(item->Text())), item);
    } else {
      QAction* action = menu->addAction(QString::fromStdString(item->Text()));
      if (item->KeyboardShortcut()) action->setShortcut(MenuBarView::Shortcut(*item->KeyboardShortcut()));
      // The item outlives every view of it: menu bars live as long as the program.
      QObject::connect(action, &QAction::triggered, action, [item] {
        UnhandledException::Guard([item] { item->Trigger(); });
      });
    }
  }
}

}  // namespace

namespace MenuBarView {

QMenuBar* Build(MenuItem* root, QWidget* parent) {
  auto* bar = new QMenuBar(parent);
  // The window keeps its own bar: its content area is sized below it.
  bar->setNativeMenuBar(false);
  if (!root) return bar;
  for (size_t i = 0; i < root->Count(); ++i) {
    MenuItem* top = root->Item(i);
    if (top->IsSeparator()) continue;
    QMenu* menu = bar->addMenu(QString::fromStdString(top->Text()));
    AddItems(menu, top);
  }
  return bar;
}

QKeySequence Shortcut(const std::string& text) {
  if (text.empty()) return {};
  QStringList parts = QString::fromStdString(text).split(QLatin1Char('+'));
  // A trailing empty part is the "+" key itself ("Cmd++").
  for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
    const QString modifier = parts[i].trimmed().toLower();
    if (modifier == QLatin1String("cmd") || modifier == QLatin1String("command")) {
      parts[i] = QStringLiteral("Ctrl");
    } else if (modifier == QLatin1String("option") || modifier == QLatin1String("opt")) {
      parts[i] = QStringLiteral("Alt");
    }
  }
  return QKeySequence::fromString(parts.join(QLatin1Char('+')), QKeySequence::PortableText);
}

}  // namespace MenuBarView
