// The launch walk: from the document's own version up to CS4, the preferred application first at
// each version, InCopy stories only with InCopy; and the request itself.
#include <gtest/gtest.h>

#include "CoreFixture.h"

using namespace TestDocuments;

namespace {

enum App8 { IDCS, IDCS2, IDCS3, IDCS4, ICCS, ICCS2, ICCS3, ICCS4 };

struct WalkRow {
  std::string name;
  int32_t docVersion;
  bool preferInDesign;
  bool canUseInDesign;
  std::vector<App8> present;      // configured and existing; the others are configured but missing
  std::optional<App8> expected;   // none: nothing is launched
  friend void PrintTo(const WalkRow& row, std::ostream* out) { *out << row.name; }
};

class LaunchWalk : public AppFixture, public ::testing::WithParamInterface<WalkRow> {};

TEST_P(LaunchWalk, TakesTheFirstUsableCandidate) {
  const WalkRow row = GetParam();
  RecordingApps apps;
  PreferencesText prefs;
  for (size_t i = 0; i < 8; ++i) prefs.paths[i] = apps.dir.Path("missing " + std::to_string(i));
  for (App8 present : row.present) prefs.paths[present] = apps.paths[present];
  App& app = OpenApp(prefs);

  const auto item = std::make_shared<FolderItem>(documents.Write("doc.indd", "x"));
  const bool launched = AppTestAccess::LaunchWithVersion(app, item, row.docVersion, row.preferInDesign,
                                                         row.canUseInDesign);
  EXPECT_EQ(launched, row.expected.has_value());
  if (row.expected) {
    const std::string tag = RecordingApps::kTags[*row.expected];
    ASSERT_TRUE(apps.WaitFor(tag, item->NativePath())) << apps.Record();
    Runtime::ProcessEvents(100);
    EXPECT_EQ(apps.Record(), tag + " " + item->NativePath() + "\n") << "one request, one document";
  }
  if (row.docVersion < 1) {
    EXPECT_EQ(Log(), (std::vector<std::string>{"Error:App.LaunchWithVersion: docVersion < 1"}));
  } else {
    EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LaunchWalk,
    ::testing::Values(
        WalkRow{"OtherApplicationOfTheSameVersionBeforeANewerOne", 4, true, true, {ICCS2, IDCS4}, ICCS2},
        WalkRow{"NewerVersionWhenTheOwnHasNone", 4, true, true, {IDCS4, ICCS4}, IDCS4},
        WalkRow{"CS3BeforeCS4", 4, true, true, {ICCS3, IDCS4}, ICCS3},
        WalkRow{"InCopyPreferredFirst", 5, false, true, {IDCS3, ICCS3}, ICCS3},
        WalkRow{"InDesignAfterInCopy", 5, false, true, {IDCS3}, IDCS3},
        WalkRow{"PreferenceHoldsForTheWholeWalk", 4, false, true, {IDCS4, ICCS4}, ICCS4},
        WalkRow{"StoryNeverWithInDesign", 6, true, false, {IDCS4, ICCS4}, ICCS4},
        WalkRow{"StoryWithOnlyInDesignPresent", 3, true, false, {IDCS, IDCS2, IDCS3, IDCS4}, std::nullopt},
        WalkRow{"StoryNotPreferringInDesign", 3, false, false, {IDCS, ICCS2}, ICCS2},
        WalkRow{"NeverAnOlderVersion", 5, true, true, {IDCS, IDCS2, ICCS, ICCS2}, std::nullopt},
        WalkRow{"CodeOneStartsAtCS", 1, true, true, {IDCS, IDCS2}, IDCS},
        WalkRow{"CodeTwoStartsAtCS", 2, false, true, {IDCS, ICCS}, ICCS},
        WalkRow{"CodeAboveSixRunsNoStep", 7, true, true, {IDCS4, ICCS4}, std::nullopt},
        WalkRow{"CodeZero", 0, true, true, {IDCS, ICCS}, std::nullopt},
        WalkRow{"NegativeCode", -1, true, true, {IDCS, ICCS}, std::nullopt},
        WalkRow{"NothingPresent", 3, true, true, {}, std::nullopt}),
    [](const ::testing::TestParamInfo<WalkRow>& info) { return info.param.name; });

using LaunchTest = AppFixture;

TEST_F(LaunchTest, EmptyPathsAreNotUsable) {
  PreferencesText prefs;  // all eight paths empty
  App& app = OpenApp(prefs);
  EXPECT_FALSE(AppTestAccess::LaunchWithVersion(app, std::make_shared<FolderItem>(documents.Write("a.indd", "x")),
                                                3, true, true));
}

TEST_F(LaunchTest, DesktopLauncherOpensTheDocument) {
  RecordingApps apps;
  PreferencesText prefs;
  prefs.paths[IDCS3] = WriteDesktopLauncher(apps.dir, "indesign-cs3.desktop", apps.paths[IDCS3]);
  App& app = OpenApp(prefs);
  const auto item = std::make_shared<FolderItem>(documents.Write("with blank.indd", "x"));
  EXPECT_TRUE(AppTestAccess::LaunchWithVersion(app, item, 5, true, true));
  EXPECT_TRUE(apps.WaitFor("IDCS3", item->NativePath()));
}

TEST_F(LaunchTest, ExistingItemThatIsNoApplicationCountsAsUsable) {
  // Nothing checks that the item is an application: the request is made, and its failure logged.
  PreferencesText prefs;
  prefs.paths[IDCS2] = documents.path();
  App& app = OpenApp(prefs);
  const auto item = std::make_shared<FolderItem>(documents.Write("a.indd", "x"));
  EXPECT_TRUE(AppTestAccess::LaunchWithVersion(app, item, 4, true, true));
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].rfind("Error:App.LaunchWith: could not open " + item->ShellPath() + " with " +
                               FolderItem(documents.path()).ShellPath() + ": ",
                           0),
            0u)
      << Log()[0];
}

TEST_F(LaunchTest, MissingItemsAreReportedNotLaunched) {
  App& app = OpenApp();
  AppTestAccess::LaunchWith(app, nullptr, nullptr, 4);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].rfind("Error:App.LaunchWith: could not open nil with nil: ", 0), 0u) << Log()[0];
}

}  // namespace
