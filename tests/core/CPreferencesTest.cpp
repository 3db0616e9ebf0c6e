// The preferences record and its file: defaults, loading files of every shape, saving, copying.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CoreFixture.h"
#include "core/CPreferences.h"
#include "framework/TextInputStream.h"

namespace {

const std::array<std::string, 8> kDefaultPaths = {
    "/Applications/Adobe\\ InDesign\\ CS/InDesign\\ CS.app",
    "/Applications/Adobe\\ InDesign\\ CS2/Adobe\\ InDesign\\ CS2.app",
    "/Applications/Adobe\\ InDesign\\ CS3/Adobe\\ InDesign\\ CS3.app",
    "/Applications/Adobe\\ InDesign\\ CS4/Adobe\\ InDesign\\ CS4.app",
    "/Applications/Adobe\\ InCopy\\ CS/InCopy\\ CS.app",
    "/Applications/Adobe\\ InCopy\\ CS2/Adobe\\ InCopy\\ CS2.app",
    "/Applications/Adobe\\ InCopy\\ CS3/Adobe\\ InCopy\\ CS3.app",
    "/Applications/Adobe\\ InCopy\\ CS4/Adobe\\ InCopy\\ CS4.app",
};

// The record's fields in the file's order.
std::array<std::string, 8> Paths(const CPreferences& p) {
  return {p.fInDesignCSPath, p.fInDesignCS2Path, p.fInDesignCS3Path, p.fInDesignCS4Path,
          p.fInCopyCSPath,   p.fInCopyCS2Path,   p.fInCopyCS3Path,   p.fInCopyCS4Path};
}
std::array<bool, 5> Flags(const CPreferences& p) {
  return {p.fCSDefaultInDesign, p.fCS2DefaultInDesign, p.fCS3DefaultInDesign, p.fCS4DefaultInDesign,
          p.fDontAddIcon};
}

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

size_t LineCount(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

// Makes a record differ from the defaults in every field.
void Edit(CPreferences& p) {
  p.fInDesignCSPath = "/opt/InDesign\\ CS";
  p.fInDesignCS2Path = "";
  p.fInDesignCS3Path = "/opt/id3";
  p.fInDesignCS4Path = "/opt/id4";
  p.fInCopyCSPath = "/opt/ic1";
  p.fInCopyCS2Path = "/opt/ic2";
  p.fInCopyCS3Path = " /opt/with leading blank ";
  p.fInCopyCS4Path = "/opt/ic4";
  p.fCSDefaultInDesign = false;
  p.fCS2DefaultInDesign = true;
  p.fCS3DefaultInDesign = false;
  p.fCS4DefaultInDesign = true;
  p.fDontAddIcon = true;
}

using PreferencesTest = HomeFixture;

TEST_F(PreferencesTest, DefaultsInShellForm) {
  const CPreferences p;
  EXPECT_EQ(Paths(p), kDefaultPaths);
  const std::array<size_t, 8> lengths = {50, 59, 59, 59, 46, 55, 55, 55};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(Paths(p)[i].size(), lengths[i]) << i;
  EXPECT_EQ(Flags(p), (std::array<bool, 5>{true, true, true, true, false}));
}

TEST_F(PreferencesTest, NoFileKeepsTheDefaultsAndLogsNothing) {
  CPreferences p;
  p.LoadPreferences();
  EXPECT_EQ(Paths(p), kDefaultPaths);
  EXPECT_TRUE(Log().empty());
}

TEST_F(PreferencesTest, EmptyFileEmptiesEveryField) {
  WritePreferences("");
  CPreferences p;
  p.LoadPreferences();
  for (const std::string& path : Paths(p)) EXPECT_EQ(path, "");
  EXPECT_EQ(Flags(p), (std::array<bool, 5>{false, false, false, false, false}));
}

TEST_F(PreferencesTest, ShortFileTakesTheLinesPresent) {
  WritePreferences(Lines({"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "1"}));
  CPreferences p;
  p.LoadPreferences();
  EXPECT_EQ(Paths(p), (std::array<std::string, 8>{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h"}));
  EXPECT_EQ(Flags(p), (std::array<bool, 5>{true, false, false, false, false}));
}

TEST_F(PreferencesTest, LongFileIgnoresTheRest) {
  std::string text = Lines({"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "0", "1", "0", "1", "1"});
  for (int i = 0; i < 7; ++i) text += "/extra\n";
  WritePreferences(text);
  CPreferences p;
  p.LoadPreferences();
  EXPECT_EQ(Paths(p)[7], "/h");
  EXPECT_EQ(Flags(p), (std::array<bool, 5>{false, true, false, true, true}));
}

TEST_F(PreferencesTest, GarbageIsTakenAsItIs) {
  std::string garbage;
  for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 31 + 7) % 256);
  WritePreferences(garbage);
  CPreferences p;
  p.LoadPreferences();  // must not fail
  EXPECT_TRUE(Log().empty());
}

struct FlagCase {
  std::string line;
  bool value;
};
class FlagLines : public HomeFixture, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(FlagLines, NumberNotZeroIsTrue) {
  std::string text;
  for (int i = 0; i < 8; ++i) text += "/p\n";
  for (int i = 0; i < 5; ++i) text += GetParam().line + "\n";
  WritePreferences(text);
  CPreferences p;
  p.LoadPreferences();
  for (bool flag : Flags(p)) EXPECT_EQ(flag, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Values, FlagLines,
                         ::testing::Values(FlagCase{"1", true}, FlagCase{"2", true}, FlagCase{"-1", true},
                                           FlagCase{"0.5", true}, FlagCase{"  3 apples", true},
                                           FlagCase{"0", false}, FlagCase{"", false}, FlagCase{"True", false},
                                           FlagCase{"0.0", false}, FlagCase{"-0", false}));

TEST_F(PreferencesTest, UnreadableFileKeepsTheFieldsAndLogsTheError) {
  // A folder in the file's place cannot be opened, also by a privileged user.
  std::filesystem::create_directories(PreferencesPath());
  CPreferences p;
  p.fInDesignCSPath = "/kept";
  p.LoadPreferences();
  EXPECT_EQ(p.fInDesignCSPath, "/kept");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error:CPreferences.LoadPreferences: cannot open preferences file"}));
}

TEST_F(PreferencesTest, SaveAndLoadGiveBackEveryField) {
  CPreferences saved;
  Edit(saved);
  saved.SavePreferences();
  EXPECT_EQ(ReadFileBytes(PreferencesPath()),
            Lines({"/opt/InDesign\\ CS", "", "/opt/id3", "/opt/id4", "/opt/ic1", "/opt/ic2",
                   " /opt/with leading blank ", "/opt/ic4", "0", "1", "0", "1", "1"}));
  CPreferences loaded;
  loaded.LoadPreferences();
  EXPECT_EQ(Paths(loaded), Paths(saved));
  EXPECT_EQ(Flags(loaded), Flags(saved));
  EXPECT_TRUE(Log().empty());
}

TEST_F(PreferencesTest, DefaultsTravelWithTheirBackslashes) {
  CPreferences().SavePreferences();
  CPreferences loaded;
  loaded.fInDesignCSPath.clear();
  loaded.LoadPreferences();
  EXPECT_EQ(Paths(loaded), kDefaultPaths);
}

TEST_F(PreferencesTest, SaveReplacesALongerFileWithThirteenLines) {
  std::string twenty;
  for (int i = 0; i < 20; ++i) twenty += "2\n";
  WritePreferences(twenty);
  CPreferences p;
  p.LoadPreferences();
  EXPECT_TRUE(p.fDontAddIcon);
  p.SavePreferences();
  const std::string text = ReadFileBytes(PreferencesPath());
  EXPECT_EQ(LineCount(text), 13u);
  EXPECT_EQ(text.substr(text.size() - 10), "1\n1\n1\n1\n1\n") << "a True read from 2 is saved as 1";
}

TEST_F(PreferencesTest, PathThatWouldNotReadBackIsNeverWritten) {
  WritePreferences("old\n");
  for (const char* breakText : {"\n", "\r", "\r\n"}) {
    CPreferences p;
    p.fInCopyCS3Path = std::string("/opt/a") + breakText + "b";
    p.SavePreferences();
    EXPECT_EQ(ReadFileBytes(PreferencesPath()), "old\n");
  }
  EXPECT_EQ(CountLogged("Error:CPreferences.SavePreferences: path holds a line break: fInCopyCS3Path"), 3u);

  CPreferences tooLong;
  tooLong.fInDesignCS2Path = "/" + std::string(TextInputStream::kMaxLineLength, 'a');
  tooLong.SavePreferences();
  EXPECT_EQ(ReadFileBytes(PreferencesPath()), "old\n");
  EXPECT_EQ(CountLogged("Error:CPreferences.SavePreferences: path too long: fInDesignCS2Path"), 1u);
}

TEST_F(PreferencesTest, LongestPathsReadBackLineForLine) {
  CPreferences saved;
  saved.fInDesignCS2Path = "/" + std::string(TextInputStream::kMaxLineLength - 1, 'a');
  saved.fInCopyCS4Path = saved.fInDesignCS2Path;
  saved.fDontAddIcon = true;
  saved.SavePreferences();
  CPreferences loaded;
  loaded.LoadPreferences();
  EXPECT_EQ(Paths(loaded), Paths(saved));
  EXPECT_EQ(Flags(loaded), Flags(saved));
  EXPECT_TRUE(Log().empty());

  // A longer line from elsewhere is cut, and the lines after it keep their fields.
  const std::string longer = "/" + std::string(TextInputStream::kMaxLineLength + 10, 'b');
  WritePreferences(Lines({"/id1", longer, "/id3", "/id4", "/ic1", "/ic2", "/ic3", "/ic4", "1", "1", "1", "1", "0"}));
  loaded.LoadPreferences();
  EXPECT_EQ(loaded.fInDesignCS2Path, longer.substr(0, TextInputStream::kMaxLineLength));
  EXPECT_EQ(loaded.fInCopyCS4Path, "/ic4");
  EXPECT_EQ(Flags(loaded), (std::array<bool, 5>{true, true, true, true, false}));
}

TEST_F(PreferencesTest, SaveWithoutAPreferencesFolder) {
  // The configuration folder lies under a plain file, so it can neither be found nor made.
  home.Write("plainfile", "x");
  env.Set("XDG_CONFIG_HOME", home.Path("plainfile/config"));
  CPreferences p;
  p.SavePreferences();
  p.LoadPreferences();
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error:CPreferences.SavePreferences: cannot access preferences file"}));
  EXPECT_EQ(Paths(p), kDefaultPaths);
}

TEST_F(PreferencesTest, SaveThatCannotReplaceTheFileLeavesItAlone) {
  // A folder in the file's place cannot be replaced by a file.
  std::filesystem::create_directories(PreferencesPath());
  home.Write("config/com.mirelund.quelbrast.prefs.v103/inside", "kept");
  CPreferences().SavePreferences();
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error:CPreferences.SavePreferences: cannot write to preferences file"}));
  EXPECT_EQ(ReadFileBytes(home.Path("config/com.mirelund.quelbrast.prefs.v103/inside")), "kept");
}

TEST_F(PreferencesTest, SaveIntoAReadOnlyFolderKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "a privileged user writes into read-only folders";
  WritePreferences("old\n");
  chmod(home.Path("config").c_str(), 0555);
  CPreferences().SavePreferences();
  chmod(home.Path("config").c_str(), 0755);
  EXPECT_EQ(ReadFileBytes(PreferencesPath()), "old\n");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error:CPreferences.SavePreferences: cannot write to preferences file"}));
}

TEST_F(PreferencesTest, CopiesAreEqualAndLeaveTheirSourceAlone) {
  CPreferences source;
  Edit(source);
  CPreferences edited;
  Edit(edited);
  const CPreferences copy(source);
  EXPECT_EQ(Paths(copy), Paths(source));
  EXPECT_EQ(Flags(copy), Flags(source));

  CPreferences target;
  target.CopyPreferences(source);
  EXPECT_EQ(Paths(target), Paths(source));
  EXPECT_EQ(target.fInDesignCS2Path, "") << "empty paths are copied too";
  EXPECT_EQ(Flags(target), Flags(source));
  EXPECT_EQ(Paths(source), Paths(edited));
  EXPECT_EQ(Flags(source), Flags(edited));
}

}  // namespace
