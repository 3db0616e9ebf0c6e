#include "windows/MenuBar1.h"

#include <memory>
#include <optional>
#include <string>

namespace {

// Name, AutoEnable, Text and, where the item has one (the empty text included), the shortcut, in
// this order.
template <class Item = MenuItem>
std::unique_ptr<MenuItem> BuildItem(const std::string& name, const std::string& text,
                                    std::optional<std::string> shortcut) {
  auto item = std::make_unique<Item>();
  item->SetName(name);
  item->SetAutoEnable(true);
  item->SetText(text);
  if (shortcut) item->SetKeyboardShortcut(*shortcut);
  return item;
}

}  // namespace

MenuBar1::MenuBar1() {
  FileMenu();
  EditMenu();
}

MenuBar1* MenuBar1::Instance() {
  static const std::unique_ptr<MenuBar1> instance = std::make_unique<MenuBar1>();
  return instance.get();
}

void MenuBar1::FileMenu() {
  Append(BuildItem("FileMenu", "&File", ""));
  auto quit = BuildItem<QuitMenuItem>("FileQuit", "&Quit", "Cmd+Q");
  Child("FileMenu")->Append(std::move(quit));
}

void MenuBar1::EditMenu() {
  Append(BuildItem("EditMenu", "&Edit", ""));
  struct EditItem {
    const char* name;
    const char* text;
    std::optional<std::string> shortcut;
  };
  const EditItem items[] = {
      {"EditUndo", "&Undo", "Cmd+Z"},   {"UntitledMenu1", "-", std::nullopt},
      {"EditCut", "Cu&t", "Cmd+X"},     {"EditCopy", "&Copy", "Cmd+C"},
      {"EditPaste", "&Paste", "Cmd+V"}, {"EditClear", "&Delete", ""},
      {"UntitledMenu0", "-", std::nullopt}, {"EditSelectAll", "Select &All", "Cmd+A"},
  };
  for (const EditItem& entry : items) {
    auto item = BuildItem(entry.name, entry.text, entry.shortcut);
    Child("EditMenu")->Append(std::move(item));
  }
}
