// The program on a real desktop: it asks the X server, not a test seam, whether Shift is down when
// a document arrives; the chooser it then shows waits past the start-up timer, which must not bring
// up the configuration window, and the run ends a quarter of a second after the user's answer. Its
// windows offer under a window manager what they are meant to.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HostileSupport.h"

using namespace HostileSupport;
using namespace TestDocuments;

namespace {

// Holds a key down on the display until Release; the X server lets go of a client's keys when the
// client leaves, so xdotool holds the key by staying until it is told to go. Its pointer query is
// a round trip that sees the key down at the server before the held mark appears.
class HeldKey {
 public:
  HeldKey(VirtualDisplay& display, const std::string& key, const std::string& folder)
      : fHeld(folder + "/key-held"), fHold(folder + "/key-hold") {
    std::filesystem::create_directories(folder);
    std::ofstream(fHold).flush();
    fChild = std::make_unique<Child>(ChildLaunch{
        {"/usr/bin/xdotool", "keydown", key, "getmouselocation", "exec", "--sync", "--args", "5", "/bin/sh", "-c",
         "touch \"$0\"; while [ -e \"$1\" ]; do sleep 0.05; done", fHeld, fHold, "keyup", key},
        {{"DISPLAY", display.Name()}, {"PATH", "/usr/bin:/bin"}},
        folder + "/key.txt",
        "",
        false,
        -1});
  }
  ~HeldKey() { Release(); }

  // Whether the key is down at the server.
  bool Down() { return fChild->Started() && WaitUntil([&] { return std::filesystem::exists(fHeld); }, 10000); }
  void Release() { std::filesystem::remove(fHold); }

 private:
  std::string fHeld, fHold;
  std::unique_ptr<Child> fChild;
};

struct KeyRow {
  const char* name;
  const char* key;     // as xdotool names it
  bool altNotOnMod1;   // the keyboard map puts the Alt keys on Mod3 instead of Mod1
  friend void PrintTo(const KeyRow& row, std::ostream* out) { *out << row.name; }
};

// Moves every key of the Mod1 row of the display's keyboard map to Mod3, as some desktops' maps
// have it: Alt then sets Mod3 alone. The map is read and loaded back with xkbcomp.
void PutAltOnMod3(VirtualDisplay& display, const std::string& folder) {
  const std::map<std::string, std::string> desktop = {{"DISPLAY", display.Name()}, {"PATH", "/usr/bin:/bin"}};
  const std::string map = folder + "/keymap.xkb";
  ASSERT_EQ(RunCommand({"/usr/bin/xkbcomp", "-w", "0", "-xkb", display.Name(), map}, desktop,
                       folder + "/xkbcomp-read.txt").exitCode, 0);
  std::string text = ReadFileBytes(map);
  const std::string from = "modifier_map Mod1 ";
  size_t moved = 0;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), "modifier_map Mod3 ");
    ++moved;
  }
  ASSERT_GT(moved, 0u) << text.substr(0, 2000);
  std::ofstream(map, std::ios::binary | std::ios::trunc) << text;
  const CommandResult load =
      RunCommand({"/usr/bin/xkbcomp", "-w", "0", map, display.Name()}, desktop, folder + "/xkbcomp-load.txt");
  ASSERT_EQ(load.exitCode, 0) << load.output;
  // The server now holds the moved map (else the row would test Mod1 again).
  ASSERT_EQ(RunCommand({"/usr/bin/xkbcomp", "-w", "0", "-xkb", display.Name(), map}, desktop,
                       folder + "/xkbcomp-check.txt").exitCode, 0);
  const std::string loaded = ReadFileBytes(map);
  ASSERT_EQ(loaded.find(from), std::string::npos);
  ASSERT_NE(loaded.find("modifier_map Mod3 { <LALT> }"), std::string::npos);
}

// InDesign CS and CS2 configured: a document of CS would offer both.
class DesktopKeysTest : public ProgramFixture, public ::testing::WithParamInterface<KeyRow> {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    if (!display.Available()) GTEST_SKIP() << "no virtual display (Xvfb, xdotool)";
    if (GetParam().altNotOnMod1) {
      if (access("/usr/bin/xkbcomp", X_OK) != 0) GTEST_SKIP() << "no xkbcomp to load a keyboard map";
      PutAltOnMod3(display, Path("output"));
      if (HasFatalFailure()) return;
    }
    Configure(IDCS);
    prefs.paths[IDCS2] = WriteRecorder(Path("apps/other recorder"), Path("other.bin"));
    WritePreferences();
  }

  VirtualDisplay display;
};

TEST_P(DesktopKeysTest, KeyHeldOnTheDesktopOffersTheChooser) {
  const std::string document = Document("Layout CS.indd", InDesignDocument(3));

  HeldKey key(display, GetParam().key, Path("output"));
  ASSERT_TRUE(key.Down()) << ReadFileBytes(Path("output/key.txt"));
  RunOptions options;
  options.display = &display;
  // As on a user's desktop: the toolkit goes where DISPLAY points.
  options.environment["QT_QPA_PLATFORM"] = std::nullopt;
  const Clock::time_point started = Clock::now();
  auto run = Start({document}, options);

  ASSERT_TRUE(display.WaitForWindow(*run, VirtualDisplay::kChooserTitle, 10000)) << run->Output();
  key.Release();  // the program has looked
  // The start-up timer fires two seconds after the start, while the chooser waits: a document has
  // come, so it only switches itself off.
  const int untilPastTheTimer = static_cast<int>(std::max<int64_t>(3000 - Milliseconds(Clock::now() - started), 100));
  EXPECT_FALSE(display.WaitForWindow(*run, VirtualDisplay::kConfigurationTitle, untilPastTheTimer))
      << "the configuration window came up over the chooser";
  ASSERT_TRUE(run->Running()) << run->Output();
  EXPECT_EQ(ReadRecords(RecordFile()), std::vector<Record>{}) << "nothing is opened while the chooser waits";
  // Return presses OK on the preselection, InDesign CS (its version's default application).
  const std::vector<std::string> chooser = display.Windows(run->Pid(), VirtualDisplay::kChooserTitle);
  ASSERT_FALSE(chooser.empty());
  const VirtualDisplay::Answer answer = display.PressReturn(chooser.front());

  ExpectQuitAQuarterSecondAfter(*run, answer);
  EXPECT_EQ(WaitForRecords(RecordFile(), 1), (std::vector<Record>{{"first", document}}));
  EXPECT_EQ(ReadRecords(Path("other.bin")), std::vector<Record>{});
  EXPECT_TRUE(run->LogLines().empty()) << run->Output();
}

// Where the chooser cannot be shown (here: the window library is missing), the run goes on as if
// no key were held: each document opens with the application of its own version.
TEST_P(DesktopKeysTest, KeyHeldWhereNoChooserCanBeShownOpensEachDocumentAsItsOwn) {
  const std::string cs = Document("Layout CS.indd", InDesignDocument(3));
  const std::string cs2 = Document("Layout CS2.indd", InDesignDocument(4));
  HeldKey key(display, GetParam().key, Path("output"));
  ASSERT_TRUE(key.Down()) << ReadFileBytes(Path("output/key.txt"));
  RunOptions options;
  options.display = &display;
  options.environment["QT_QPA_PLATFORM"] = std::nullopt;

  auto run = Start({cs, cs2}, options, BundleWithout("libTessarineWindows.so"));
  EXPECT_EQ(run->WaitForExit(10000), 0) << run->Output();
  EXPECT_LT(Milliseconds(run->Elapsed()), Scaled(2000)) << run->Output();
  EXPECT_EQ(WaitForRecords(RecordFile(), 1), (std::vector<Record>{{"first", cs}}));
  EXPECT_EQ(WaitForRecords(Path("other.bin"), 1), (std::vector<Record>{{"first", cs2}}));
  const std::vector<std::string> lines = run->LogLines();
  ASSERT_EQ(lines.size(), 1u) << run->Output();
  EXPECT_EQ(lines.front().rfind("Error:WndOptions.SelectInDesignVersion: the chooser cannot be shown, every "
                                "document opens as its own: the window library cannot be loaded: ",
                                0),
            0u)
      << lines.front();
}

INSTANTIATE_TEST_SUITE_P(Keys, DesktopKeysTest,
                         ::testing::Values(KeyRow{"shift", "shift", false}, KeyRow{"alt", "alt", false},
                                           KeyRow{"altNotOnMod1", "alt", true}),
                         [](const ::testing::TestParamInfo<KeyRow>& info) { return std::string(info.param.name); });

}  // namespace

// The windows under openbox, as xprop reads them: the hints the program gives (window type, the
// Motif functions and decorations that most managers follow, the transient and modal marks) and
// the actions openbox then allows.
class WindowManagerTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    if (!display.Available()) GTEST_SKIP() << "no virtual display (Xvfb, xdotool)";
    if (!display.StartWindowManager()) GTEST_SKIP() << "no window manager (openbox, xprop)";
    options.display = &display;
  }

  std::string Shown(Child& run, const std::string& title) {
    if (!display.WaitForWindow(run, title, 10000)) return "";
    const std::vector<std::string> windows = display.Windows(run.Pid(), title);
    return windows.empty() ? "" : windows.front();
  }

  // The actions openbox allows, named without their prefix ("CLOSE", "MINIMIZE", ...).
  std::vector<std::string> AllowedActions(const std::string& window) {
    const std::string text = display.Properties(window, {"_NET_WM_ALLOWED_ACTIONS"});
    std::vector<std::string> actions;
    const std::string prefix = "_NET_WM_ACTION_";
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at)) {
      at += prefix.size();
      const size_t end = text.find_first_of(", \n", at);
      actions.push_back(text.substr(at, end - at));
    }
    return actions;
  }

  static bool Has(const std::vector<std::string>& actions, const std::string& action) {
    return std::find(actions.begin(), actions.end(), action) != actions.end();
  }

  VirtualDisplay display;
  RunOptions options;
};

TEST_F(WindowManagerTest, TheConfigurationWindowOffersCloseAndMinimiseButNoZoomAndBrowsingLeavesNoDialogState) {
  WritePreferences();
  auto run = Start({}, options);
  const std::string window = Shown(*run, VirtualDisplay::kConfigurationTitle);
  ASSERT_FALSE(window.empty()) << run->Output();

  EXPECT_EQ(display.Properties(window, {"_NET_WM_WINDOW_TYPE", "_MOTIF_WM_HINTS"}),
            "_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_NORMAL\n"
            "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x2c, 0x3a, 0x0, 0x0\n");
  const std::vector<std::string> actions = AllowedActions(window);
  EXPECT_TRUE(Has(actions, "CLOSE") && Has(actions, "MINIMIZE") && Has(actions, "MOVE")) << ::testing::PrintToString(actions);
  EXPECT_FALSE(Has(actions, "MAXIMIZE_HORZ") || Has(actions, "MAXIMIZE_VERT") || Has(actions, "RESIZE"))
      << ::testing::PrintToString(actions);

  // Browse for InDesign CS (its button sits below the menu bar at the content's (173, 5)), then
  // cancel the open dialog, and accept the window.
  const CommandResult geometry = display.Xdotool({"getwindowgeometry", "--shell", window});
  const size_t height = geometry.output.find("HEIGHT=");
  ASSERT_NE(height, std::string::npos) << geometry.output;
  const int menuBar = std::stoi(geometry.output.substr(height + 7)) - 525;
  display.Xdotool({"mousemove", "--window", window, "200", std::to_string(menuBar + 12), "click", "1"});
  const std::string dialog = Shown(*run, "Open");
  ASSERT_FALSE(dialog.empty()) << run->Output();
  display.Xdotool({"windowfocus", "--sync", dialog, "key", "Escape"});
  ASSERT_TRUE(WaitUntil([&] { return display.Windows(run->Pid(), "Open").empty(); }, 10000));
  display.Xdotool({"windowfocus", "--sync", window, "key", "Return"});
  EXPECT_EQ(run->WaitForExit(10000), 0) << run->Output();

  // The open dialog's history and last folder are kept nowhere: no state but the preferences file.
  std::vector<std::string> kept;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Path("home"))) {
    if (entry.path().filename() == "QtProject.conf") kept.push_back(entry.path());
  }
  EXPECT_EQ(kept, std::vector<std::string>{});
  EXPECT_TRUE(run->LogLines().empty()) << run->Output();
}

TEST_F(WindowManagerTest, TheChooserIsAModalDialogWithoutBoxesThatComesBackWhenMinimisedOrClosed) {
  Configure(IDCS);
  prefs.paths[IDCS2] = WriteRecorder(Path("apps/other recorder"), Path("other.bin"));
  WritePreferences();
  const std::string document = Document("Layout CS.indd", InDesignDocument(3));
  HeldKey key(display, "shift", Path("output"));
  ASSERT_TRUE(key.Down()) << ReadFileBytes(Path("output/key.txt"));
  auto run = Start({document}, options);
  const std::string chooser = Shown(*run, VirtualDisplay::kChooserTitle);
  ASSERT_FALSE(chooser.empty()) << run->Output();
  key.Release();

  // A dialog first (normal after it, for managers that know no dialogs), moved only.
  const std::string type = display.Properties(chooser, {"_NET_WM_WINDOW_TYPE"});
  EXPECT_EQ(type.rfind("_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DIALOG", 0), 0u) << type;
  EXPECT_EQ(display.Properties(chooser, {"_MOTIF_WM_HINTS", "_NET_WM_STATE"}),
            "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x4, 0x1a, 0x0, 0x0\n"
            "_NET_WM_STATE(ATOM) = _NET_WM_STATE_MODAL\n");
  EXPECT_NE(display.Properties(chooser, {"WM_TRANSIENT_FOR"}).find("window id"), std::string::npos);
  const std::vector<std::string> actions = AllowedActions(chooser);
  EXPECT_FALSE(Has(actions, "MAXIMIZE_HORZ") || Has(actions, "MAXIMIZE_VERT") || Has(actions, "RESIZE"))
      << ::testing::PrintToString(actions);

  // openbox offers its own minimise and close on every window: minimised, the chooser comes back;
  // asked to close, it stays. xprop reports each change of the window's state, reading it when the
  // report comes: a quick return may show as Normal twice rather than Iconic, then Normal.
  Child states(ChildLaunch{{"/usr/bin/xprop", "-spy", "-id", chooser, "WM_STATE"},
                           {{"DISPLAY", display.Name()}, {"PATH", "/usr/bin:/bin"}},
                           Path("output/states.txt"),
                           "",
                           false,
                           -1});
  const auto reports = [&] {
    const std::string text = ReadFileBytes(Path("output/states.txt"));
    std::vector<std::string> states;
    const std::string mark = "window state: ";
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
      at += mark.size();
      states.push_back(text.substr(at, text.find('\n', at) - at));
    }
    return states;
  };
  ASSERT_TRUE(WaitUntil([&] { return !reports().empty(); }, 10000));
  const size_t before = reports().size();
  display.Xdotool({"windowminimize", chooser});
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::vector<std::string> now = reports();
        return now.size() >= before + 2 && now.back() == "Normal";
      },
      10000))
      << ::testing::PrintToString(reports());
  // Closed, the chooser would have ended the run with its preselection, InDesign CS; still there,
  // it takes InDesign CS2 (at the content's (20, 46)) and OK.
  display.Xdotool({"windowfocus", "--sync", chooser, "key", "alt+F4"});
  display.Xdotool({"mousemove", "--window", chooser, "40", "56", "click", "1"});
  display.Xdotool({"windowfocus", "--sync", chooser, "key", "Return"});
  EXPECT_EQ(run->WaitForExit(10000), 0) << run->Output();
  EXPECT_EQ(WaitForRecords(Path("other.bin"), 1), (std::vector<Record>{{"first", document}}));
  EXPECT_EQ(ReadRecords(RecordFile()), std::vector<Record>{});
}
