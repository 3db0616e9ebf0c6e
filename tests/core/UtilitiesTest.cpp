// Logging, the stored path form, and the icon stamp from a bundle.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "CoreFixture.h"
#include "core/Utilities.h"
#include "plugin/IconFamily.h"

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

// ---- The icon stamp ----

struct IconName {
  int32_t kind;
  std::string name;
};
class IconFileNames : public ::testing::TestWithParam<IconName> {};

TEST_P(IconFileNames, ByKindCode) { EXPECT_EQ(Utilities::IconFileName(GetParam().kind), GetParam().name); }

INSTANTIATE_TEST_SUITE_P(
    Kinds, IconFileNames,
    ::testing::Values(IconName{1, "ID_3_CS.icns"}, IconName{2, "ID_4_CS2.icns"}, IconName{3, "ID_5_CS3.icns"},
                      IconName{4, "ID_6_CS4.icns"}, IconName{5, "IC_3_CS.icns"}, IconName{6, "IC_4_CS2.icns"},
                      IconName{7, "IC_5_CS3.icns"}, IconName{8, "IC_6_CS4.icns"}, IconName{9, "IDT_3_CS.icns"},
                      IconName{10, "IDT_4_CS2.icns"}, IconName{11, "IDT_5_CS3.icns"},
                      IconName{12, "IDT_6_CS4.icns"}, IconName{0, ""}, IconName{13, ""}, IconName{-1, ""}));

class IconStampTest : public HomeFixture {
 protected:
  // A bundle whose folders above the executable bear unusual names: only "Resources" counts.
  std::string MakeBundle() {
    executable = bundle.Write("Odd.bundle/Inner/Bin/program", "#!/bin/sh\n", 0755);
    bundle.Write("Odd.bundle/Inner/Resources/IDT_4_CS2.icns", TestDocuments::IconFamily());
    bundle.Write("Odd.bundle/Inner/Resources/ID_6_CS4.icns", "not an icon family");
    std::filesystem::create_directories(bundle.Path("Odd.bundle/Inner/Resources/IC_6_CS4.icns"));
    return executable;
  }
  int32_t Stamp(const std::string& document, int32_t kind) {
    return Utilities::AddIconToFileFromBundle(std::make_shared<FolderItem>(document), kind,
                                              std::make_shared<FolderItem>(executable));
  }
  // A document with a modification time that has nanoseconds.
  std::string MakeDocument(const std::string& name) {
    const std::string path = documents.Write(name, TestDocuments::InDesignDocument(4));
    const timespec times[2] = {{1200000000, 123456789}, {1200000000, 123456789}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
    return path;
  }

  TempDir bundle;
  TempDir documents;
  std::string executable;
};

TEST_F(IconStampTest, MissingDocumentGivesUpBeforeTheBundle) {
  EXPECT_EQ(Utilities::AddIconToFileFromBundle(nullptr, 1, nullptr), -1);
  EXPECT_EQ(Utilities::AddIconToFileFromBundle(std::make_shared<FolderItem>(documents.Path("gone.indd")), 1, nullptr),
            -1);
  EXPECT_EQ(Log(), (std::vector<std::string>(2, "Error:Utilities.AddIconToFile: Cannot find file")));
}

TEST_F(IconStampTest, ExecutableMustBeAnExistingFile) {
  const std::string document = MakeDocument("a.indd");
  EXPECT_EQ(Utilities::AddIconToFileFromBundle(std::make_shared<FolderItem>(document), 1, nullptr), -1);
  EXPECT_EQ(Utilities::AddIconToFileFromBundle(std::make_shared<FolderItem>(document), 1,
                                               std::make_shared<FolderItem>(bundle.path())),
            -1);
  EXPECT_EQ(Log(), (std::vector<std::string>(
                       2, "Error:Utilities.AddIconToFile: Cannot find application inside package folder")));
}

TEST_F(IconStampTest, ResourcesFolderMustExistAsAFolder) {
  executable = bundle.Write("A/Contents/MacOS/program", "", 0755);
  const std::string document = MakeDocument("a.indd");
  EXPECT_EQ(Stamp(document, 1), -1);
  bundle.Write("A/Contents/Resources", "a file in the folder's place");
  EXPECT_EQ(Stamp(document, 1), -1);
  EXPECT_EQ(Log(),
            (std::vector<std::string>(2, "Error:Utilities.AddIconToFile: Cannot find application resources folder")));
}

TEST_F(IconStampTest, MissingIconFileNamesTheKindCode) {
  MakeBundle();
  const std::string document = MakeDocument("a.indd");
  EXPECT_EQ(Stamp(document, 2), -1);  // the bundle has IDT_4_CS2.icns, not ID_4_CS2.icns
  EXPECT_EQ(Stamp(document, 13), -1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error:Utilities.AddIconToFile: Cannot find icon file 2",
                                             "Error:Utilities.AddIconToFile: Cannot find icon file 13"}));
}

TEST_F(IconStampTest, FolderInTheIconFilesPlaceCannotBeOpened) {
  MakeBundle();
  EXPECT_EQ(Stamp(MakeDocument("a.icml"), 8), -1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error:Utilities.AddIconToFile: Cannot open icon file 8"}));
}

TEST_F(IconStampTest, PlugInFailureIsPassedOnAndTheDateKept) {
  MakeBundle();
  const std::string document = MakeDocument("a.indd");
  const int64_t before = TestDocuments::ModificationNanos(document);
  EXPECT_EQ(Stamp(document, 4), kCustomIconBadFamily);
  EXPECT_EQ(TestDocuments::ModificationNanos(document), before);
  EXPECT_EQ(CustomIconOf(FolderItem(document)), "");
  EXPECT_TRUE(Log().empty()) << "the plug-in's refusal is no error line of the stamp";
}

TEST_F(IconStampTest, StampsTheDocumentAndKeepsItsDate) {
  if (getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) GTEST_SKIP() << "custom icons need a session bus";
  MakeBundle();
  const std::string document = MakeDocument("a.indt");
  const int64_t before = TestDocuments::ModificationNanos(document);
  EXPECT_EQ(Stamp(document, 10), kCustomIconOK);
  EXPECT_EQ(TestDocuments::ModificationNanos(document), before);
  EXPECT_NE(CustomIconOf(FolderItem(document)), "");
  EXPECT_EQ(ReadFileBytes(document), TestDocuments::InDesignDocument(4));
}

TEST_F(IconStampTest, RunningProgramOutsideABundleFindsNoResources) {
  // The test program lies in no bundle: the stamp looks from the running executable and gives up.
  Application::Register(std::make_unique<App>());
  const std::string document = MakeDocument("a.indd");
  EXPECT_EQ(Utilities::AddIconToFile(std::make_shared<FolderItem>(document), 2), -1);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].rfind("Error:Utilities.AddIconToFile: Cannot find application", 0), 0u) << Log()[0];
}

}  // namespace
