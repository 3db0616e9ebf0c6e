#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "WindowFixture.h"
#include "framework/Application.h"
#include "framework/views/MenuBarView.h"
#include "framework/MenuItem.h"
#include "framework/Runtime.h"

namespace {

class CountingItem : public MenuItem {
 public:
  explicit CountingItem(int* count) : fCount(count) {}
  void Trigger() override { ++*fCount; }

 private:
  int* fCount;
};

template <class T = MenuItem, class... Args>
std::unique_ptr<MenuItem> Item(const std::string& name, const std::string& text,
                               std::optional<std::string> shortcut, Args... args) {
  auto item = std::make_unique<T>(args...);
  item->SetName(name);
  item->SetText(text);
  if (shortcut) item->SetKeyboardShortcut(*shortcut);
  return item;
}

// File: Quit; Edit: Undo, separator, Cut, Delete.
std::unique_ptr<MenuBar> MakeBar(int* cuts) {
  auto bar = std::make_unique<MenuBar>();
  bar->Append(Item("FileMenu", "&File", ""));
  bar->Child("FileMenu")->Append(Item<QuitMenuItem>("FileQuit", "&Quit", "Cmd+Q"));
  bar->Append(Item("EditMenu", "&Edit", ""));
  bar->Child("EditMenu")->Append(Item("EditUndo", "&Undo", "Cmd+Z"));
  bar->Child("EditMenu")->Append(Item("UntitledMenu1", "-", std::nullopt));
  bar->Child("EditMenu")->Append(Item<CountingItem>("EditCut", "Cu&t", "Cmd+X", cuts));
  bar->Child("EditMenu")->Append(Item("EditClear", "&Delete", ""));
  return bar;
}

TEST(MenuItemTest, ChildFindsDirectChildrenAndFindSearchesTheTree) {
  int cuts = 0;
  auto bar = MakeBar(&cuts);
  EXPECT_EQ(bar->Count(), 2u);
  EXPECT_EQ(bar->Child("EditCut"), nullptr);
  MenuItem* cut = bar->Find("EditCut");
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(cut->Text(), "Cu&t");
  EXPECT_EQ(bar->Find("UntitledMenu1")->IsSeparator(), true);
  EXPECT_EQ(bar->Find("EditClear")->KeyboardShortcut(), std::optional<std::string>(""));
  EXPECT_EQ(bar->Find("UntitledMenu1")->KeyboardShortcut(), std::nullopt);
  EXPECT_EQ(bar->Find("Nothing"), nullptr);
  bar->Find("EditUndo")->Trigger();  // a plain item does nothing
  cut->Trigger();
  EXPECT_EQ(cuts, 1);
}

struct ShortcutCase {
  const char* design;
  const char* qt;
};

void PrintTo(const ShortcutCase& c, std::ostream* out) { *out << '"' << c.design << '"'; }

class ShortcutTest : public ::testing::TestWithParam<ShortcutCase> {};

TEST_P(ShortcutTest, CmdMeansCtrl) {
  EXPECT_EQ(MenuBarView::Shortcut(GetParam().design), QKeySequence(QString::fromLatin1(GetParam().qt)));
}

INSTANTIATE_TEST_SUITE_P(Shortcuts, ShortcutTest,
                         ::testing::Values(ShortcutCase{"Cmd+Q", "Ctrl+Q"}, ShortcutCase{"Cmd+X", "Ctrl+X"},
                                           ShortcutCase{"Cmd+A", "Ctrl+A"},
                                           ShortcutCase{"Cmd+Shift+Z", "Ctrl+Shift+Z"},
                                           ShortcutCase{"Option+Cmd+P", "Alt+Ctrl+P"}, ShortcutCase{"", ""}));

class MenuBarViewTest : public WindowFixture {};

TEST_F(MenuBarViewTest, OneMenuBarIsShownByTwoWindowsEachWithItsOwnView) {
  int cuts = 0;
  auto bar = MakeBar(&cuts);
  ProbeWindow* windows[2];
  for (int i = 0; i < 2; ++i) {
    windows[i] = NewWindow("Probe.Menu" + std::to_string(i));
    windows[i]->onLayout = [&](ProbeWindow& w) {
      w.SetMenuBar(bar.get());
      w.SetWidth(400);
      w.SetHeight(250);
      w.SetResizeable(false);
    };
    windows[i]->Constructor();
    EXPECT_EQ(windows[i]->GetMenuBar(), bar.get());
    // The view is made when the window is first shown: a window that stays hidden never pays for it.
    EXPECT_EQ(windows[i]->NativeWidget()->findChild<QMenuBar*>(), nullptr);
  }
  QMenuBar* views[2];
  for (int i = 0; i < 2; ++i) {
    windows[i]->Show();
    windows[i]->Hide();
    views[i] = windows[i]->NativeWidget()->findChild<QMenuBar*>();
    ASSERT_NE(views[i], nullptr);
  }
  ASSERT_NE(views[0], views[1]);

  for (QMenuBar* view : views) {
    const QList<QAction*> menus = view->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), QStringLiteral("&File"));
    EXPECT_EQ(menus[1]->text(), QStringLiteral("&Edit"));
    const QList<QAction*> file = menus[0]->menu()->actions();
    ASSERT_EQ(file.size(), 1);
    EXPECT_EQ(file[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    const QList<QAction*> edit = menus[1]->menu()->actions();
    ASSERT_EQ(edit.size(), 4);
    EXPECT_EQ(edit[0]->text(), QStringLiteral("&Undo"));
    EXPECT_TRUE(edit[1]->isSeparator());
    EXPECT_EQ(edit[2]->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
    EXPECT_TRUE(edit[3]->shortcut().isEmpty());
  }
  views[1]->actions()[1]->menu()->actions()[2]->trigger();
  views[0]->actions()[1]->menu()->actions()[2]->trigger();
  EXPECT_EQ(cuts, 2);

  // The content area keeps its size under the menu bar.
  windows[1]->Show();
  EXPECT_EQ(windows[1]->ContentWidget()->size(), QSize(400, 250));
  EXPECT_GT(windows[1]->NativeWidget()->height(), 250);
  EXPECT_EQ(windows[1]->ContentWidget()->mapTo(windows[1]->NativeWidget(), QPoint(0, 0)).y(),
            windows[1]->NativeWidget()->height() - 250);
  windows[1]->Hide();
  for (ProbeWindow* window : windows) window->Close();
  ReapClosedWindows();
}

TEST_F(MenuBarViewTest, QuitFromAWindowsMenuEndsItsModalRun) {
  int cuts = 0;
  auto bar = MakeBar(&cuts);
  bar->Find("FileQuit")->Trigger();  // no application object: nothing happens
  EXPECT_FALSE(Runtime::IsQuitting());

  Application::Register(std::make_unique<Application>());
  ProbeWindow* window = NewWindow("Probe.MenuQuit");
  window->onLayout = [&](ProbeWindow& w) { w.SetMenuBar(bar.get()); };
  window->Constructor();
  RunModal(window, [window] {
    QAction* quit = window->NativeWidget()->findChild<QMenuBar*>()->actions()[0]->menu()->actions()[0];
    quit->trigger();
  });
  EXPECT_TRUE(Runtime::IsQuitting());
  window->Hide();
  Runtime::ProcessEvents(0);
  Application::Register(nullptr);
}

}  // namespace
