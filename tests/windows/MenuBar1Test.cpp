// The menu bar: its items in order with their names, texts and shortcuts, and the one instance
// that the application and the configuration window share.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "WindowsTestSupport.h"
#include "framework/MenuItem.h"
#include "windows/MenuBar1.h"
#include "windows/WndLauncher.h"
#include "windows/WndOptions.h"

namespace {

struct ItemRow {
  const char* name;
  const char* text;
  std::optional<std::string> shortcut;
  bool quit;
};

void ExpectItems(MenuItem* menu, std::initializer_list<ItemRow> rows) {
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->Count(), rows.size());
  size_t i = 0;
  for (const ItemRow& row : rows) {
    MenuItem* item = menu->Item(i++);
    SCOPED_TRACE(row.name);
    EXPECT_EQ(item->Name(), row.name);
    EXPECT_EQ(item->Text(), row.text);
    EXPECT_EQ(item->KeyboardShortcut(), row.shortcut);
    EXPECT_TRUE(item->AutoEnable());
    EXPECT_EQ(dynamic_cast<QuitMenuItem*>(item) != nullptr, row.quit);
  }
}

}  // namespace

TEST(MenuBar1, HoldsFileThenEditWithTheirItems) {
  MenuBar1* bar = MenuBar1::Instance();
  ExpectItems(bar, {{"FileMenu", "&File", "", false}, {"EditMenu", "&Edit", "", false}});
  ExpectItems(bar->Child("FileMenu"), {{"FileQuit", "&Quit", "Cmd+Q", true}});
  ExpectItems(bar->Child("EditMenu"), {{"EditUndo", "&Undo", "Cmd+Z", false},
                                       {"UntitledMenu1", "-", std::nullopt, false},
                                       {"EditCut", "Cu&t", "Cmd+X", false},
                                       {"EditCopy", "&Copy", "Cmd+C", false},
                                       {"EditPaste", "&Paste", "Cmd+V", false},
                                       {"EditClear", "&Delete", "", false},
                                       {"UntitledMenu0", "-", std::nullopt, false},
                                       {"EditSelectAll", "Select &All", "Cmd+A", false}});
  EXPECT_TRUE(bar->Find("UntitledMenu0")->IsSeparator());
  EXPECT_TRUE(bar->Find("UntitledMenu1")->IsSeparator());
}

TEST(MenuBar1, OneInstanceSharedWithTheConfigurationWindowOnly) {
  TestApp();
  MenuBar1* bar = MenuBar1::Instance();
  EXPECT_EQ(MenuBar1::Instance(), bar);
  WndLauncher* launcher = WndLauncher::Instance();
  EXPECT_EQ(launcher->GetMenuBar(), bar);
  EXPECT_EQ(launcher->FileMenu(), bar->Child("FileMenu"));
  EXPECT_EQ(launcher->EditMenu(), bar->Child("EditMenu"));
  EXPECT_EQ(launcher->FileQuit(), bar->Find("FileQuit"));
  EXPECT_NE(launcher->FileQuit(), nullptr);
  EXPECT_EQ(launcher->EditUndo()->Text(), "&Undo");
  EXPECT_EQ(launcher->UntitledMenu1()->Text(), "-");
  EXPECT_EQ(launcher->EditCut()->Name(), "EditCut");
  EXPECT_EQ(launcher->EditCopy()->Name(), "EditCopy");
  EXPECT_EQ(launcher->EditPaste()->Name(), "EditPaste");
  EXPECT_EQ(launcher->EditClear()->Name(), "EditClear");
  EXPECT_EQ(launcher->UntitledMenu0()->Name(), "UntitledMenu0");
  EXPECT_EQ(launcher->EditSelectAll()->Name(), "EditSelectAll");
  EXPECT_EQ(WndOptions::Instance()->GetMenuBar(), nullptr);
  DiscardWindow(launcher);
  DiscardWindow(WndOptions::Instance());
}
