// The keys held on a real desktop: the program asks the X server, not a test seam, whether Shift
// is down when a document arrives. The chooser it then shows waits past the start-up timer, which
// must not bring up the configuration window, and the run ends a quarter of a second after the
// user's answer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HostileSupport.h"

using namespace HostileSupport;
using namespace TestDocuments;

namespace {

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

class DesktopKeysTest : public ProgramFixture, public ::testing::WithParamInterface<KeyRow> {};

TEST_P(DesktopKeysTest, KeyHeldOnTheDesktopOffersTheChooser) {
  VirtualDisplay display;
  if (!display.Available()) GTEST_SKIP() << "no virtual display (Xvfb, xdotool)";
  if (GetParam().altNotOnMod1) {
    if (access("/usr/bin/xkbcomp", X_OK) != 0) GTEST_SKIP() << "no xkbcomp to load a keyboard map";
    PutAltOnMod3(display, Path("output"));
    if (HasFatalFailure()) return;
  }
  Configure(IDCS);
  prefs.paths[IDCS2] = WriteRecorder(Path("apps/other recorder"), Path("other.bin"));
  WritePreferences();
  const std::string document = Document("Layout CS.indd", InDesignDocument(3));
  const std::map<std::string, std::string> desktop = {{"DISPLAY", display.Name()}, {"PATH", "/usr/bin:/bin"}};

  // The X server lets go of a client's keys when the client leaves, so xdotool holds the key by
  // staying until the test lets it go; its pointer query is a round trip that sees the key down
  // at the server before the held mark appears.
  const std::string held = Path("output/key-held");
  const std::string hold = Path("output/key-hold");
  std::filesystem::create_directories(Path("output"));
  std::ofstream(hold).flush();
  const char* key = GetParam().key;
  Child keys(ChildLaunch{{"/usr/bin/xdotool", "keydown", key, "getmouselocation", "exec", "--sync", "--args", "5",
                          "/bin/sh", "-c", "touch \"$0\"; while [ -e \"$1\" ]; do sleep 0.05; done", held, hold,
                          "keyup", key},
                         desktop, Path("output/key.txt"), "", false, -1});
  ASSERT_TRUE(keys.Started());
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(held); }, 10000)) << ReadFileBytes(Path("output/key.txt"));
  RunOptions options;
  options.display = &display;
  const Clock::time_point started = Clock::now();
  auto run = Start({document}, options);

  ASSERT_TRUE(display.WaitForWindow(*run, VirtualDisplay::kChooserTitle, 10000)) << run->Output();
  std::filesystem::remove(hold);  // the program has looked
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

INSTANTIATE_TEST_SUITE_P(Keys, DesktopKeysTest,
                         ::testing::Values(KeyRow{"shift", "shift", false}, KeyRow{"alt", "alt", false},
                                           KeyRow{"altNotOnMod1", "alt", true}),
                         [](const ::testing::TestParamInfo<KeyRow>& info) { return std::string(info.param.name); });

}  // namespace
