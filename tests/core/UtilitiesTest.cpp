// Logging and the stored path form.
#include <gtest/gtest.h>

#include "CoreFixture.h"
#include "core/Utilities.h"

namespace {

using LoggingTest = HomeFixture;

struct LevelCase {
  int32_t level;
  bool written;
};
class LogLevels : public HomeFixture, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(LogLevels, OnlyThreeAndAboveAreWrittenUnchanged) {
  Utilities::LogMessage(GetParam().level, "Some.Operation: text");
  if (GetParam().written) {
    EXPECT_EQ(Log(), (std::vector<std::string>{"Some.Operation: text"}));
  } else {
    EXPECT_TRUE(Log().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, LogLevels,
                         ::testing::Values(LevelCase{-1, false}, LevelCase{0, false}, LevelCase{1, false},
                                           LevelCase{2, false}, LevelCase{3, true}, LevelCase{4, true},
                                           LevelCase{99, true}));

TEST_F(LoggingTest, WrappersPrefixTheirLevelWithoutABlank) {
  Utilities::LogVerbose("A.B: called");
  Utilities::LogNote("A.B: note");
  Utilities::LogWarning("A.B: warned");
  Utilities::LogError("A.B: failed");
  Utilities::LogError("");
  // A line below the threshold is not even composed: every document's road writes several.
  int composed = 0;
  Utilities::LogVerbose([&] { return "A.B: composed " + std::to_string(++composed); });
  Utilities::LogNote([&] { return "A.B: composed " + std::to_string(++composed); });
  EXPECT_EQ(composed, 0);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Warning:A.B: warned", "Error:A.B: failed", "Error:"}));
}

TEST(ShellToPosixTest, RemovesEveryBackslash) {
  EXPECT_EQ(Utilities::ShellToPosix("/Applications/Adobe\\ InDesign\\ CS/InDesign\\ CS.app"),
            "/Applications/Adobe InDesign CS/InDesign CS.app");
  EXPECT_EQ(Utilities::ShellToPosix(""), "");
  EXPECT_EQ(Utilities::ShellToPosix("/a\\\\b\\(c\\)"), "/ab(c)");
}

TEST(GetFolderItemOrNilTest, EmptyPathIsNone) { EXPECT_EQ(Utilities::GetFolderItemOrNil("", kPathFormShell), nullptr); }

TEST(GetFolderItemOrNilTest, ShellFormResolvesAndMissingItemsAreStillItems) {
  TempDir dir;
  const std::string path = dir.Write("Adobe InDesign CS2.app", "x");
  const FolderItemPtr item = Utilities::GetFolderItemOrNil(PosixPathToShell(path), kPathFormShell);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->NativePath(), path);
  EXPECT_TRUE(item->Exists());

  const FolderItemPtr missing = Utilities::GetFolderItemOrNil(dir.Path("no\\ such"), kPathFormShell);
  ASSERT_NE(missing, nullptr);
  EXPECT_FALSE(missing->Exists());
}

}  // namespace
