// The keys held on a real desktop: the program asks the X server, not a test seam, whether Shift
// is down when a document arrives.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HostileSupport.h"

using namespace HostileSupport;
using namespace TestDocuments;

namespace {

// A key held on the display until the object goes. The X server lets go of a client's keys when
// the client leaves, so xdotool holds the key by staying until it is let go; its pointer query is
// a round trip that sees the key down at the server before the held mark appears.
class HeldKey {
 public:
  HeldKey(const std::string& folder, VirtualDisplay& display, const std::string& key)
      : fHeld(folder + "/key-held"), fHold(folder + "/key-hold") {
    std::filesystem::create_directories(folder);
    std::ofstream(fHold).flush();
    fKey = std::make_unique<Child>(
        ChildLaunch{{"/usr/bin/xdotool", "keydown", key, "getmouselocation", "exec", "--sync", "--args", "5", "/bin/sh",
                     "-c", "touch \"$0\"; while [ -e \"$1\" ]; do sleep 0.05; done", fHeld, fHold, "keyup", key},
                    {{"DISPLAY", display.Name()}, {"PATH", "/usr/bin:/bin"}},
                    folder + "/key.txt",
                    "",
                    false,
                    -1});
    fDown = fKey->Started() && WaitUntil([&] { return std::filesystem::exists(fHeld); }, 10000);
  }
  ~HeldKey() { LetGo(); }

  bool Down() const { return fDown; }
  std::string Output() const { return fKey->Output(); }
  void LetGo() { std::filesystem::remove(fHold); }

 private:
  std::string fHeld, fHold;
  std::unique_ptr<Child> fKey;
  bool fDown = false;
};

// Shift, or Alt for the Option key.
// InDesign CS and CS2 configured: a document of CS would offer both.
class DesktopKeysTest : public ProgramFixture, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    if (!display.Available()) GTEST_SKIP() << "no virtual display (Xvfb, xdotool)";
    Configure(IDCS);
    prefs.paths[IDCS2] = WriteRecorder(Path("apps/other recorder"), Path("other.bin"));
    WritePreferences();
  }

  VirtualDisplay display;
};

TEST_P(DesktopKeysTest, KeyHeldOnTheDesktopOffersTheChooser) {
  const std::string document = Document("Layout CS.indd", InDesignDocument(3));
  const std::map<std::string, std::string> desktop = {{"DISPLAY", display.Name()}, {"PATH", "/usr/bin:/bin"}};
  HeldKey key(Path("output/key"), display, GetParam());
  ASSERT_TRUE(key.Down()) << key.Output();
  RunOptions options;
  options.display = &display;
  // As on a user's desktop: the toolkit goes where DISPLAY points.
  options.environment["QT_QPA_PLATFORM"] = std::nullopt;
  auto run = Start({document}, options);

  ASSERT_TRUE(display.WaitForWindow(*run, "Open With InDesign/InCopy Version", 10000));
  key.LetGo();  // the program has looked
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

// Where the chooser cannot be shown (here: the window library is missing), the run goes on as if
// no key were held: each document opens with the application of its own version.
TEST_P(DesktopKeysTest, KeyHeldWhereNoChooserCanBeShownOpensEachDocumentAsItsOwn) {
  const std::string cs = Document("Layout CS.indd", InDesignDocument(3));
  const std::string cs2 = Document("Layout CS2.indd", InDesignDocument(4));
  HeldKey key(Path("output/key"), display, GetParam());
  ASSERT_TRUE(key.Down()) << key.Output();
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

INSTANTIATE_TEST_SUITE_P(Keys, DesktopKeysTest, ::testing::Values("shift", "alt"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
