// The keys held on a real desktop: the program asks the X server, not a test seam, whether Shift
// is down when a document arrives.
#include <gtest/gtest.h>

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
  // staying until the program has looked.
  Child key(ChildLaunch{{"/usr/bin/xdotool", "keydown", GetParam(), "sleep", "5", "keyup", GetParam()},
                        desktop, Path("output/key.txt"), "", false, -1});
  ASSERT_TRUE(key.Started());
  Pause(300);
  RunOptions options;
  options.display = &display;
  auto run = Start({document}, options);

  ASSERT_TRUE(display.WaitForWindow(*run, "Open With InDesign/InCopy Version", 10000));
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
