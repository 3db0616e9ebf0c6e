#include <gtest/gtest.h>
#include <sys/stat.h>

#include "PluginTestSupport.h"
#include "plugin/PreferencesFolder.h"
#include "support/TempDir.h"

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0;
}

class PreferencesFolderTest : public ::testing::Test {
 protected:
  TempDir fDir;
  ScopedEnv fHome{"HOME", fDir.Path("home")};
  ScopedEnv fConfig{"XDG_CONFIG_HOME", std::nullopt};
};

TEST_F(PreferencesFolderTest, ConfigHomeIsCreatedPrivateWithItsParents) {
  const std::string folder = fDir.Path("a b/caf\xc3\xa9/config");
  const ScopedEnv config("XDG_CONFIG_HOME", folder);
  const FolderItemPtr result = PreferencesFolderMBS(kUserDomain);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->NativePath(), folder);
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(fDir.Path("a b")), 0700u);
}

TEST_F(PreferencesFolderTest, WithoutConfigHomeItIsDotConfigInTheHomeFolder) {
  const FolderItemPtr result = PreferencesFolderMBS(kUserDomain);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->NativePath(), fDir.Path("home/.config"));
  EXPECT_EQ(ModeOf(fDir.Path("home/.config")), 0700u);
}

TEST_F(PreferencesFolderTest, RelativeOrEmptyConfigHomeIsIgnored) {
  for (const char* value : {"relative/config", ""}) {
    const ScopedEnv config("XDG_CONFIG_HOME", std::string(value));
    const FolderItemPtr result = PreferencesFolderMBS(kUserDomain);
    ASSERT_NE(result, nullptr) << value;
    EXPECT_EQ(result->NativePath(), fDir.Path("home/.config")) << value;
  }
}

TEST_F(PreferencesFolderTest, ExistingFolderIsTakenAsItIs) {
  const std::string folder = fDir.Path("existing");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  fDir.Write("existing/com.mirelund.quelbrast.prefs.v103", "kept");
  const ScopedEnv config("XDG_CONFIG_HOME", folder);
  ASSERT_NE(PreferencesFolderMBS(kUserDomain), nullptr);
  EXPECT_EQ(ModeOf(folder), 0755u);
  EXPECT_EQ(ReadFileBytes(folder + "/com.mirelund.quelbrast.prefs.v103"), "kept");
}

TEST_F(PreferencesFolderTest, FileInTheWayGivesNone) {
  const ScopedEnv config("XDG_CONFIG_HOME", fDir.Write("config", "a file"));
  EXPECT_EQ(PreferencesFolderMBS(kUserDomain), nullptr);
  const ScopedEnv below("XDG_CONFIG_HOME", fDir.Path("config/below"));
  EXPECT_EQ(PreferencesFolderMBS(kUserDomain), nullptr);
}

class OtherDomainTest : public PreferencesFolderTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(OtherDomainTest, GivesNoneAndCreatesNothing) {
  EXPECT_EQ(PreferencesFolderMBS(GetParam()), nullptr);
  EXPECT_NE(access(fDir.Path("home").c_str(), F_OK), 0);
}

// The system, local, network and classic domains, and values that are no domain at all.
INSTANTIATE_TEST_SUITE_P(Domains, OtherDomainTest,
                         ::testing::Values(-32766, -32765, -32764, -32762, -32767, 0, 32763));

}  // namespace
