#pragma once
// MenuItem: a node of a menu bar: a menu or an item, found again by its Name. A Text of "-" makes a
// separator; an ampersand marks the mnemonic letter. KeyboardShortcut is written as "Cmd+Q": on
// Linux Cmd stands for Ctrl.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MenuItem {
 public:
  MenuItem() = default;
  virtual ~MenuItem() = default;
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string& Name() const { return fName; }
  void SetName(const std::string& name) { fName = name; }
  const std::string& Text() const { return fText; }
  void SetText(const std::string& text) { fText = text; }
  bool AutoEnable() const { return fAutoEnable; }
  void SetAutoEnable(bool autoEnable) { fAutoEnable = autoEnable; }
  // nullopt: never set.
  const std::optional<std::string>& KeyboardShortcut() const { return fKeyboardShortcut; }
  void SetKeyboardShortcut(const std::string& shortcut) { fKeyboardShortcut = shortcut; }
  bool IsSeparator() const { return fText == "-"; }

  void Append(std::unique_ptr<MenuItem> item);
  MenuItem* Child(const std::string& name) const;  // a direct child by Name, or none
  size_t Count() const { return fChildren.size(); }
  MenuItem* Item(size_t index) const { return fChildren.at(index).get(); }
  // Depth-first search by Name.
  MenuItem* Find(const std::string& name);

  // What choosing the item does; nothing for a plain item.
  virtual void Trigger();

 private:
  std::string fName, fText;
  bool fAutoEnable = true;
  std::optional<std::string> fKeyboardShortcut;
  std::vector<std::unique_ptr<MenuItem>> fChildren;
};

// Choosing it quits the application through Application::Quit.
class QuitMenuItem : public MenuItem {
 public:
  void Trigger() override;
};

// The top of a menu tree. One MenuBar may be installed on the application and on several windows
// at once: each window shows its own view of the same items.
class MenuBar : public MenuItem {};
