#include "framework/MenuItem.h"

#include "framework/Application.h"

void MenuItem::Append(std::unique_ptr<MenuItem> item) {
  if (item) fChildren.push_back(std::move(item));
}

MenuItem* MenuItem::Child(const std::string& name) const {
  for (const auto& child : fChildren) {
    if (child->Name() == name) return child.get();
  }
  return nullptr;
}

// Searches the items below this one, each item before its own children.
MenuItem* MenuItem::Find(const std::string& name) {
  for (const auto& child : fChildren) {
    if (child->Name() == name) return child.get();
    if (MenuItem* found = child->Find(name)) return found;
  }
  return nullptr;
}

void MenuItem::Trigger() {}

void QuitMenuItem::Trigger() {
  if (Application* app = Application::Current()) app->Quit(0);
}
