// The built program where no window can be shown, with no platform forced on it: no display set
// (or X asked for without one), a display that takes the connection and never answers, a bundle
// without its window library, or a platform (asked for, or a Wayland display that answers) for
// which the window toolkit has no plug-in.
// A message box then becomes an error line carrying its text and the run goes on; a start without
// documents ends at once with one error line and a failing exit code, the preferences left alone.
#include <gtest/gtest.h>

#include <QDir>
#include <QLibraryInfo>
#include <filesystem>

#include "HostileSupport.h"

using namespace HostileSupport;
using namespace TestDocuments;

namespace {

enum class Missing {
  DisplayUnset,
  AskedForX,
  SilentX,
  SilentWayland,
  WindowLibrary,
  PlatformWithoutPlugin,
  WaylandWithoutPlugin,
};

struct NoDisplayRow {
  const char* name;
  Missing missing;
  friend void PrintTo(const NoDisplayRow& row, std::ostream* out) { *out << row.name; }
};

const std::string kBoxText = "Could not determine what to do with this file";
const std::string kPreferencesLeft = "the preferences file is left as it was";

class NoDisplay : public ProgramFixture, public ::testing::WithParamInterface<NoDisplayRow> {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    // Nothing forced on the program: it finds its display as on a user's desktop.
    options.environment["QT_QPA_PLATFORM"] = std::nullopt;
    switch (GetParam().missing) {
      case Missing::DisplayUnset:
        reason = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        break;
      case Missing::AskedForX:
        options.environment["QT_QPA_PLATFORM"] = "xcb";
        reason = "DISPLAY is not set";
        break;
      case Missing::SilentX:
        ASSERT_TRUE(silentX.Available());
        options.environment["DISPLAY"] = silentX.Name();
        reason = "the X display " + silentX.Name() + " does not answer";
        break;
      case Missing::SilentWayland:
        silentWayland = std::make_unique<SilentListener>(Path("home/runtime/wayland-silent"));
        ASSERT_TRUE(silentWayland->Listening());
        options.environment["WAYLAND_DISPLAY"] = "wayland-silent";
        reason = "the Wayland display wayland-silent does not answer";
        break;
      case Missing::WindowLibrary:
        // A display it could use, but not its library.
        options.environment["QT_QPA_PLATFORM"] = "offscreen";
        executable = BundleWithout("libTessarineWindows.so");
        reason = "the window library cannot be loaded: ";
        break;
      case Missing::PlatformWithoutPlugin:
        options.environment["QT_QPA_PLATFORM"] = "nosuch";
        reason = "no window toolkit plug-in for the platform \"nosuch\"";
        break;
      case Missing::WaylandWithoutPlugin: {
        const QString platforms = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms";
        if (!QDir(platforms).entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty()) {
          GTEST_SKIP() << "the window toolkit has a Wayland plug-in here";
        }
        // A compositor that answers the display's first request, as the program asks it.
        answeringWayland = std::make_unique<SilentListener>(Path("home/runtime/wayland-answering"), [](int peer) {
          char request[12];
          if (read(peer, request, sizeof request) > 0) {
            const uint32_t done[3] = {2, (12u << 16) | 0, 1};
            (void)!write(peer, done, sizeof done);
          }
        });
        ASSERT_TRUE(answeringWayland->Listening());
        options.environment["WAYLAND_DISPLAY"] = "wayland-answering";
        reason = "no window toolkit plug-in for the platform \"wayland\"";
        break;
      }
    }
  }

  std::unique_ptr<Child> StartProgram(const std::vector<std::string>& documents, const std::string& tag = "first") {
    RunOptions run = options;
    run.tag = tag;
    return Start(documents, run, executable);
  }

  // The line a message box becomes; for the missing library, the loader's reason follows.
  bool IsBoxLine(const std::string& line) const {
    return line.rfind("Error:MsgBox: " + kBoxText + " (not shown: " + reason, 0) == 0 && line.back() == ')';
  }

  RunOptions options;
  std::string executable = TESSARINE_EXECUTABLE;
  std::string reason;
  SilentDisplay silentX;
  std::unique_ptr<SilentListener> silentWayland;
  std::unique_ptr<SilentListener> answeringWayland;
};

// CS4, version 7 (nothing can open it), CS3, with only InDesign CS4 configured.
TEST_P(NoDisplay, TheBoxBecomesAnErrorLineAndTheOtherDocumentsOpen) {
  Configure(IDCS4);
  WritePreferences();
  const std::string cs4 = Document("a.indd", InDesignDocument(6));
  const std::string seven = Document("b.indd", InDesignDocument(7));
  const std::string cs3 = Document("c.indd", InDesignDocument(5));

  auto run = StartProgram({cs4, seven, cs3});
  ASSERT_EQ(run->WaitForExit(10000), 0) << run->Output();
  EXPECT_LT(Milliseconds(run->Elapsed()), Scaled(2000)) << run->Output();
  const std::vector<std::string> lines = run->LogLines();
  ASSERT_EQ(lines.size(), 1u) << run->Output();
  EXPECT_TRUE(IsBoxLine(lines.front())) << lines.front();
  EXPECT_EQ(WaitForRecords(RecordFile(), 2), (std::vector<Record>{{"first", cs4}, {"first", cs3}}));
}

TEST_P(NoDisplay, WithoutDocumentsOneErrorLineEndsTheRunAndThePreferencesStay) {
  Configure(IDCS4);
  const std::string text = prefs.Text() + "a line of a newer version\n";
  WritePreferencesText(text);

  auto run = StartProgram({});
  const std::optional<int> exitCode = run->WaitForExit(10000);
  ASSERT_TRUE(exitCode) << run->Output();
  EXPECT_NE(*exitCode, 0);
  // The configuration window's time comes two seconds after the start; then it ends at once.
  EXPECT_GE(Milliseconds(run->Elapsed()), 1900);
  EXPECT_LT(Milliseconds(run->Elapsed()), 2000 + Scaled(1500)) << run->Output();
  const std::vector<std::string> lines = run->LogLines();
  ASSERT_EQ(lines.size(), 1u) << run->Output();
  EXPECT_EQ(lines.front().rfind(
                "Error:App.EditPrefs: the configuration window needs a display and cannot be shown: " + reason, 0),
            0u)
      << lines.front();
  EXPECT_EQ(ReadFileBytes(PreferencesPath()), text) << kPreferencesLeft;
}

// The running instance takes a later start's documents and opens them, whatever its box does.
TEST_P(NoDisplay, DocumentsHandedOverByALaterStartOpen) {
  Configure(IDCS4);
  WritePreferences();
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::string suffix = std::to_string(attempt);
    const Clock::time_point started = Clock::now();
    auto first = StartProgram({});
    ASSERT_TRUE(WaitUntil([&] { return access(Path("home/runtime/tessarine.socket").c_str(), F_OK) == 0; }, 10000))
        << first->Output();
    const std::string cs4 = Document("a" + suffix + ".indd", InDesignDocument(6));
    const std::string seven = Document("b" + suffix + ".indd", InDesignDocument(7));
    const std::string cs3 = Document("c" + suffix + ".indd", InDesignDocument(5));
    auto second = StartProgram({cs4, seven, cs3}, "second");
    ASSERT_EQ(second->WaitForExit(10000), 0) << second->Output();
    // Handed over after the configuration window's time, the documents tell nothing of a hand-over.
    if (Clock::now() - started > std::chrono::milliseconds(1800)) {
      first->WaitForExit(10000);
      std::filesystem::remove(RecordFile());
      continue;
    }
    ASSERT_EQ(first->WaitForExit(10000), 0) << first->Output();
    // The running instance takes them; on a display that does not answer, its first look at the
    // keys holds it up for half a second, and the later start may then open the rest itself. Either
    // way each is handled once, and the box line is written by whichever handled the version-7 document.
    std::vector<std::string> lines = first->LogLines();
    const std::vector<std::string> secondLines = second->LogLines();
    lines.insert(lines.end(), secondLines.begin(), secondLines.end());
    ASSERT_EQ(lines.size(), 1u) << first->Output() << second->Output();
    EXPECT_TRUE(IsBoxLine(lines.front())) << lines.front();
    if (GetParam().missing != Missing::SilentX) {
      EXPECT_TRUE(secondLines.empty()) << "the later start only hands its documents over";
    }
    std::vector<std::string> opened;
    for (const Record& record : WaitForRecords(RecordFile(), 2)) opened.push_back(record.argument);
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(opened, (std::vector<std::string>{cs4, cs3}));
    Pause(100);
    EXPECT_EQ(ReadRecords(RecordFile()).size(), 2u) << "a document was opened twice";
    return;
  }
  GTEST_SKIP() << "the machine never handed the documents over within 1.8 s";
}

INSTANTIATE_TEST_SUITE_P(Desktops, NoDisplay,
                         ::testing::Values(NoDisplayRow{"DisplayUnset", Missing::DisplayUnset},
                                           NoDisplayRow{"AskedForX", Missing::AskedForX},
                                           NoDisplayRow{"SilentX", Missing::SilentX},
                                           NoDisplayRow{"SilentWayland", Missing::SilentWayland},
                                           NoDisplayRow{"WindowLibrary", Missing::WindowLibrary},
                                           NoDisplayRow{"PlatformWithoutPlugin", Missing::PlatformWithoutPlugin},
                                           NoDisplayRow{"WaylandWithoutPlugin", Missing::WaylandWithoutPlugin}),
                         [](const ::testing::TestParamInfo<NoDisplayRow>& info) { return std::string(info.param.name); });

}  // namespace
