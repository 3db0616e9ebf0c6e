// The icon stamp: the file of each icon kind code, the way from an executable to its bundle's
// Resources folder, every kind stamped with its own icon from the bundle's real icon files, the
// document's date kept to the nanosecond, and the stamp switched off.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "CoreFixture.h"
#include "core/CPreferences.h"
#include "core/DocumentDetection.h"
#include "core/Utilities.h"
#include "framework/BinaryStream.h"
#include "plugin/IconFamily.h"

using namespace TestDocuments;

namespace {

bool HasSessionBus() { return getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr; }

// GIO keeps file metadata under the data folder that it saw first, for the whole process, while
// every test has a data folder of its own (for the icon store). So GIO is shown one folder that
// lives as long as the test program, before any test runs; otherwise the metadata service would
// bring the first test's removed folder back.
class MetadataHome : public ::testing::Environment {
 public:
  void SetUp() override {
    fFolder = std::make_unique<TempDir>();
    ScopedEnvironment env;
    env.Set("XDG_DATA_HOME", fFolder->path());
    if (HasSessionBus()) CustomIconOf(FolderItem(fFolder->path()));
  }
  void TearDown() override { fFolder.reset(); }

 private:
  std::unique_ptr<TempDir> fFolder;
};
::testing::Environment* const gMetadataHome = ::testing::AddGlobalTestEnvironment(new MetadataHome);

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

// A stamp that put the wrong kind's icon on a document would go unseen if two icon files showed
// the same image.
TEST(BundleIconsTest, TwelveDistinctImages) {
  std::set<std::string> images;
  for (int32_t kind = 1; kind <= 12; ++kind) {
    const std::string png = BundleIconPNG(DocumentOfKind(kind).iconFile);
    EXPECT_FALSE(png.empty()) << kind;
    images.insert(png);
  }
  EXPECT_EQ(images.size(), 12u);
}

class IconStampTest : public HomeFixture {
 protected:
  // A bundle made from the built one's twelve icon files, whose two folders above the executable
  // bear other names than the usual ones: only "Resources" is looked up by name.
  void MakeBundle() {
    executable = bundle.Write("My Tools/Inner/Bin/program", "#!/bin/sh\n", 0755);
    std::filesystem::copy(std::string(TESSARINE_BUNDLE_DIR) + "/Contents/Resources", Resources());
  }
  std::string Resources() const { return bundle.Path("My Tools/Inner/Resources"); }
  int32_t Stamp(const std::string& document, int32_t kind) {
    return Utilities::AddIconToFileFromBundle(std::make_shared<FolderItem>(document), kind,
                                              std::make_shared<FolderItem>(executable));
  }
  // A document of the kind, with a modification time that has nanoseconds.
  std::string MakeDocument(int32_t kind, const std::string& prefix = "") {
    const KindDocument row = DocumentOfKind(kind);
    const std::string path = documents.Write(prefix + row.name, row.content);
    SetModificationTime(path);
    return path;
  }
  static std::string IconImage(const std::string& document) { return ImageAt(CustomIconOf(FolderItem(document))); }

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
  const std::string document = MakeDocument(1);
  EXPECT_EQ(Utilities::AddIconToFileFromBundle(std::make_shared<FolderItem>(document), 1, nullptr), -1);
  EXPECT_EQ(Utilities::AddIconToFileFromBundle(std::make_shared<FolderItem>(document), 1,
                                               std::make_shared<FolderItem>(bundle.path())),
            -1);
  EXPECT_EQ(Log(), (std::vector<std::string>(
                       2, "Error:Utilities.AddIconToFile: Cannot find application inside package folder")));
}

TEST_F(IconStampTest, ResourcesFolderMustExistAsAFolder) {
  executable = bundle.Write("A/Contents/MacOS/program", "", 0755);
  const std::string document = MakeDocument(1);
  const int64_t before = ModificationNanos(document);
  EXPECT_EQ(Stamp(document, 1), -1);
  bundle.Write("A/Contents/Resources", "a file in the folder's place");
  EXPECT_EQ(Stamp(document, 1), -1);
  EXPECT_EQ(Log(),
            (std::vector<std::string>(2, "Error:Utilities.AddIconToFile: Cannot find application resources folder")));
  EXPECT_EQ(ModificationNanos(document), before);
}

TEST_F(IconStampTest, CodeOutsideTheTableNamesNoIconFile) {
  MakeBundle();
  EXPECT_EQ(Stamp(MakeDocument(1), 13), -1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error:Utilities.AddIconToFile: Cannot find icon file 13"}));
}

TEST_F(IconStampTest, FolderInTheIconFilesPlaceCannotBeOpened) {
  MakeBundle();
  std::filesystem::remove(Resources() + "/IC_6_CS4.icns");
  std::filesystem::create_directories(Resources() + "/IC_6_CS4.icns");
  EXPECT_EQ(Stamp(MakeDocument(8), 8), -1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error:Utilities.AddIconToFile: Cannot open icon file 8"}));
}

TEST_F(IconStampTest, PlugInFailureIsPassedOnAndTheDateKept) {
  MakeBundle();
  bundle.Write("My Tools/Inner/Resources/ID_6_CS4.icns", "not an icon family");
  const std::string document = MakeDocument(4);
  const int64_t before = ModificationNanos(document);
  EXPECT_EQ(Stamp(document, 4), kCustomIconBadFamily);
  EXPECT_EQ(ModificationNanos(document), before);
  EXPECT_EQ(CustomIconOf(FolderItem(document)), "");
  EXPECT_TRUE(Log().empty()) << "the plug-in's refusal is no error line of the stamp";
}

TEST_F(IconStampTest, RunningProgramOutsideABundleFindsNoResources) {
  // The test program lies in no bundle: the stamp looks from the running executable and gives up.
  Application::Register(std::make_unique<App>());
  const std::string document = MakeDocument(2);
  EXPECT_EQ(Utilities::AddIconToFile(std::make_shared<FolderItem>(document), 2), -1);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].rfind("Error:Utilities.AddIconToFile: Cannot find application", 0), 0u) << Log()[0];
}

// ---- Every kind, from the bundle's own icon files ----

class EveryKind : public IconStampTest, public ::testing::WithParamInterface<int32_t> {
 protected:
  void SetUp() override {
    IconStampTest::SetUp();
    if (!HasSessionBus()) GTEST_SKIP() << "custom icons need a session bus";
    MakeBundle();
  }
};

TEST_P(EveryKind, IsStampedWithItsOwnIconAndKeepsItsDate) {
  const int32_t kind = GetParam();
  const std::string document = MakeDocument(kind);
  {
    // The detection names this kind for the document, as the drop road hands it to the stamp.
    const FolderItem item(document);
    const std::unique_ptr<BinaryStream> stream = item.OpenAsBinaryFile(false);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(DocumentDetection::Detect(item, *stream, CPreferences()).iconKind, kind);
  }
  const int64_t before = ModificationNanos(document);
  ASSERT_NE(before % 1000000000, 0);
  const int64_t changedBefore = StatusChangeNanos(document);

  EXPECT_EQ(Stamp(document, kind), kCustomIconOK);
  EXPECT_EQ(IconImage(document), BundleIconPNG(DocumentOfKind(kind).iconFile));
  EXPECT_EQ(ModificationNanos(document), before);
  EXPECT_EQ(StatusChangeNanos(document), changedBefore) << "the stamp wrote to the file's inode";
  EXPECT_EQ(ReadFileBytes(document), DocumentOfKind(kind).content);
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
}

TEST_P(EveryKind, WithoutItsIconFileKeepsItsIconWhileOthersAreStamped) {
  const int32_t kind = GetParam();
  const int32_t other = kind % 12 + 1;
  const std::string document = MakeDocument(kind);
  ASSERT_EQ(Stamp(document, other), kCustomIconOK);  // the icon the document has before
  std::filesystem::remove(Resources() + "/" + DocumentOfKind(kind).iconFile);
  const int64_t before = ModificationNanos(document);

  EXPECT_EQ(Stamp(document, kind), -1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error:Utilities.AddIconToFile: Cannot find icon file " +
                                             std::to_string(kind)}));
  EXPECT_EQ(IconImage(document), BundleIconPNG(DocumentOfKind(other).iconFile));
  EXPECT_EQ(ModificationNanos(document), before);

  const std::string otherDocument = MakeDocument(other, "other ");
  EXPECT_EQ(Stamp(otherDocument, other), kCustomIconOK);
  EXPECT_EQ(IconImage(otherDocument), BundleIconPNG(DocumentOfKind(other).iconFile));
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryKind, ::testing::Range(1, 13), [](const ::testing::TestParamInfo<int32_t>& info) {
  const std::string file = DocumentOfKind(info.param).iconFile;
  return file.substr(0, file.find('.'));
});

// ---- Another program's edit during the stamps ----

// A writer edits the document over and over while it is stamped. No stamp may give the document
// a date older than that of an edit which had ended before the stamp returned: backup and sync
// tools would miss the edit.
TEST_F(IconStampTest, AnEditDuringTheStampKeepsItsOwnDate) {
  if (!HasSessionBus()) GTEST_SKIP() << "custom icons need a session bus";
  MakeBundle();
  const std::string document = MakeDocument(4);
  std::atomic<int64_t> lastEdit{0};
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    const int fd = open(document.c_str(), O_WRONLY | O_APPEND);
    while (fd >= 0 && !stop) {
      struct stat info {};
      if (write(fd, "x", 1) == 1 && fstat(fd, &info) == 0) {
        lastEdit = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    if (fd >= 0) close(fd);
  });
  int rolledBack = 0;
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(Stamp(document, 4), kCustomIconOK);
    const int64_t edited = lastEdit;
    if (ModificationNanos(document) < edited) ++rolledBack;
  }
  stop = true;
  writer.join();
  EXPECT_EQ(rolledBack, 0) << "stamps that gave the document an older date than its last edit";
}

// ---- The stamp switched off ----

using OptionalStampTest = AppFixture;

TEST_F(OptionalStampTest, SwitchedOffTouchesNothingAndReadsNoBundle) {
  PreferencesText prefs;
  prefs.dontAddIcon = true;
  App& app = OpenApp(prefs);
  const std::string document = documents.Write("a.indd", InDesignDocument(4));
  SetModificationTime(document);
  const int64_t before = ModificationNanos(document);

  // The test program lies in no bundle, so any look at the bundle would log an error.
  EXPECT_EQ(app.OptionalAddIconToFile(std::make_shared<FolderItem>(document), 2), -1);
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
  EXPECT_EQ(ModificationNanos(document), before);
  EXPECT_EQ(CustomIconOf(FolderItem(document)), "");

  app.Preferences()->fDontAddIcon = false;
  EXPECT_EQ(app.OptionalAddIconToFile(std::make_shared<FolderItem>(document), 2), -1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error:Utilities.AddIconToFile: Cannot find application resources folder"}));
}

}  // namespace
