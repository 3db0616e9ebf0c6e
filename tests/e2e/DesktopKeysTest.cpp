// The keys held on a real desktop: the program asks the X server, not a test seam, whether Shift
// is down when a document arrives.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HostileSupport.h"

using namespace HostileSupport;
using namespace TestDocuments;

namespace {

// Shift, or Alt for the Option key.
class DesktopKeysTest : public ProgramFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(DesktopKeysTest, KeyHeldOnTheDesktopOffersTheChooser) {
  VirtualDisplay display;
  if (!display.Available()) GTEST_SKIP() << "no virtual display (Xvfb, xdotool)";
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
  Child key(ChildLaunch{{"/usr/bin/xdotool", "keydown", GetParam(), "getmouselocation", "exec", "--sync", "--args",
                         "5", "/bin/sh", "-c", "touch \"$0\"; while [ -e \"$1\" ]; do sleep 0.05; done", held, hold,
                         "keyup", GetParam()},
                        desktop, Path("output/key.txt"), "", false, -1});
  ASSERT_TRUE(key.Started());
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(held); }, 10000)) << ReadFileBytes(Path("output/key.txt"));
  RunOptions options;
  options.display = &display;
  auto run = Start({document}, options);

  ASSERT_TRUE(display.WaitForWindow(*run, "Open With InDesign/InCopy Version", 10000));
  std::filesystem::remove(hold);  // the program has looked
  EXPECT_EQ(ReadRecords(RecordFile()), std::vector<Record>{}) << "nothing is opened while the chooser waits";
  // Return presses OK on the preselection, InDesign CS (its version's default application).
  const std::vector<std::string> chooser = display.Windows(run->Pid(), "Open With InDesign/InCopy Version");
  ASSERT_FALSE(chooser.empty());
  RunCommand({"/usr/bin/xdotool", "windowfocus", "--sync", chooser.front(), "key", "Return"}, desktop,
             Path("output/return.txt"));

  EXPECT_EQ(run->WaitForExit(10000), 0) << run->Output();
  EXPECT_EQ(WaitForRecords(RecordFile(), 1), (std::vector<Record>{{"first", document}}));
  EXPECT_EQ(ReadRecords(Path("other.bin")), std::vector<Record>{});
  EXPECT_TRUE(run->LogLines().empty()) << run->Output();
}

INSTANTIATE_TEST_SUITE_P(Keys, DesktopKeysTest, ::testing::Values("shift", "alt"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
