#pragma once
#include "framework/MenuItem.h"

// MenuBar1: the program's one menu bar, a File menu with Quit and an Edit menu with the standard
// editing items. The application and the configuration window install the same instance; no item
// has a handler of the program's own.
class MenuBar1 : public MenuBar {
 public:
  MenuBar1();
  // The single instance, created on the first call and kept until the program ends.
  static MenuBar1* Instance();

  virtual void FileMenu();
  virtual void EditMenu();
};
