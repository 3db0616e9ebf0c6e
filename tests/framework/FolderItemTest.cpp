#include "framework/FolderItem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "framework/BinaryStream.h"
#include "framework/Picture.h"
#include "framework/TextInputStream.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

namespace {

// ---- Shell form ----

class ShellRoundTripTest : public testing::TestWithParam<std::string> {};

TEST_P(ShellRoundTripTest, ReadsBackExactly) {
  const std::string path = "/Applications/" + GetParam() + "/" + GetParam() + ".app";
  const std::string shell = PosixPathToShell(path);
  EXPECT_EQ(ShellPathToPosix(shell), path) << shell;
  const FolderItemPtr item = GetFolderItem(shell, kPathFormShell);
  ASSERT_NE(item, nullptr) << shell;
  EXPECT_EQ(item->NativePath(), path);
  EXPECT_EQ(FolderItem(path).ShellPath(), shell);
  // The shell form has no unescaped blank, quote, dollar, star or line break left.
  for (size_t i = 0; i < shell.size(); ++i) {
    if (shell[i] == '\\') {
      ++i;
      continue;
    }
    EXPECT_EQ(std::strchr(" \t\n'\"$*`;&|", shell[i]), nullptr) << "unescaped " << shell[i] << " in " << shell;
  }
}

INSTANTIATE_TEST_SUITE_P(Names, ShellRoundTripTest,
                         testing::Values("Adobe InDesign CS2", "it's", "say \"hi\"", "back\\slash", "double\\\\",
                                         "$HOME", "*.indd", "line\nbreak", "tab\tstop", "\xC3\x9C" "bersetzung Caf\xC3\xA9",
                                         "a;b&c|d", "(x)[y]{z}", "<>?!~#=%^,`", "trailing\\", " lead", "plain"));

TEST(ShellFormTest, EscapesBlanksLikeTheStoredDefaults) {
  EXPECT_EQ(PosixPathToShell("/Applications/Adobe InDesign CS/InDesign CS.app"),
            "/Applications/Adobe\\ InDesign\\ CS/InDesign\\ CS.app");
  EXPECT_EQ(PosixPathToShell("/Caf\xC3\xA9/x-y_z.+@:"), "/Caf\xC3\xA9/x-y_z.+@:");
  EXPECT_EQ(PosixPathToShell("/a\\b"), "/a\\\\b");
}

TEST(ShellFormTest, EveryByteSurvivesTheRoundTrip) {
  std::string path = "/";
  for (int byte = 1; byte < 256; ++byte) path += static_cast<char>(byte);
  EXPECT_EQ(ShellPathToPosix(PosixPathToShell(path)), path);
}

TEST(ShellFormTest, EscapedOrdinaryCharactersReadAsThemselves) {
  EXPECT_EQ(ShellPathToPosix("/a\\b\\/c"), "/ab/c");
  EXPECT_EQ(ShellPathToPosix("\\/x"), "/x");
}

class ShellRejectTest : public testing::TestWithParam<std::string> {};

TEST_P(ShellRejectTest, GivesNone) {
  EXPECT_EQ(ShellPathToPosix(GetParam()), std::nullopt);
  EXPECT_EQ(GetFolderItem(GetParam(), kPathFormShell), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Texts, ShellRejectTest,
                         testing::Values("", "relative/path", "~/Applications", "\\", "/a\\", "/a b\\",
                                         std::string("/a\0b", 4), std::string("/a\\\0b", 5), "\\ /x", "./x"));

TEST(GetFolderItemTest, OtherFormsTakeAPlainAbsolutePath) {
  const FolderItemPtr item = GetFolderItem("/a\\ b c", 0);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->NativePath(), "/a\\ b c");
  EXPECT_EQ(GetFolderItem("relative", 0), nullptr);
  EXPECT_EQ(GetFolderItem("", 2), nullptr);
  EXPECT_EQ(GetFolderItem(std::string("/a\0", 3), 0), nullptr);
}

TEST(GetFolderItemTest, ShellPathOfARealFileFindsIt) {
  TempDir dir;
  const std::string path = dir.Write("Adobe InDesign CS3 $x 'q' \"d\" \\/Caf\xC3\xA9*.app", "x");
  const FolderItemPtr item = GetFolderItem(FolderItem(path).ShellPath(), kPathFormShell);
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->Exists());
  EXPECT_EQ(item->Name(), "Caf\xC3\xA9*.app");
}

// ---- Names and relations ----

TEST(FolderItemTest, NameParentAndChild) {
  EXPECT_EQ(FolderItem("/a/b.indd").Name(), "b.indd");
  EXPECT_EQ(FolderItem("/a/b.app/").Name(), "b.app");
  EXPECT_EQ(FolderItem("/").Name(), "/");
  EXPECT_EQ(FolderItem("/a/b").Parent()->NativePath(), "/a");
  EXPECT_EQ(FolderItem("/a/b/").Parent()->NativePath(), "/a");
  EXPECT_EQ(FolderItem("/a").Parent()->NativePath(), "/");
  EXPECT_EQ(FolderItem("/").Parent(), nullptr);
  EXPECT_EQ(FolderItem("/a").Child("x y")->NativePath(), "/a/x y");
  EXPECT_EQ(FolderItem("/").Child("etc")->NativePath(), "/etc");
  EXPECT_EQ(FolderItem("/a").Child(""), nullptr);
  EXPECT_EQ(FolderItem("/a").Child("b/c"), nullptr);
  EXPECT_EQ(FolderItem("/a").Child(".."), nullptr);
}

TEST(FolderItemTest, ExistsAndDirectory) {
  TempDir dir;
  const std::string file = dir.Write("file", "x");
  ASSERT_EQ(symlink(file.c_str(), dir.Path("link").c_str()), 0);
  ASSERT_EQ(symlink(dir.Path("missing").c_str(), dir.Path("dangling").c_str()), 0);
  ASSERT_EQ(symlink(dir.path().c_str(), dir.Path("folderlink").c_str()), 0);

  EXPECT_TRUE(FolderItem(file).Exists());
  EXPECT_FALSE(FolderItem(file).Directory());
  EXPECT_TRUE(FolderItem(dir.Path("link")).Exists());
  EXPECT_FALSE(FolderItem(dir.Path("dangling")).Exists());
  EXPECT_FALSE(FolderItem(dir.Path("missing")).Exists());
  EXPECT_TRUE(FolderItem(dir.path()).Directory());
  EXPECT_TRUE(FolderItem(dir.Path("folderlink")).Directory());
  EXPECT_FALSE(FolderItem(dir.Path("missing")).Directory());
}

// ---- Modification date ----

TEST(FolderItemTest, ModificationDateKeepsNanosecondsThroughARoundTrip) {
  TempDir dir;
  const std::string source = dir.Write("source", "x");
  const std::string target = dir.Write("target", "y");
  const timespec times[2] = {{0, UTIME_OMIT}, {1234567890, 123456789}};
  ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), times, 0), 0);

  const std::optional<Date> date = FolderItem(source).ModificationDate();
  ASSERT_TRUE(date.has_value());
  FolderItem item(target);
  ASSERT_TRUE(item.SetModificationDate(*date));

  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mtim.tv_sec, 1234567890);
  EXPECT_EQ(info.st_mtim.tv_nsec, 123456789);
  EXPECT_EQ(item.ModificationDate()->TotalSeconds(), date->TotalSeconds());

  // Fractions just below a whole second round to the nearest nanosecond, not into the next second.
  for (long nanoseconds : {0L, 1L, 999999999L, 500000000L}) {
    const timespec set[2] = {{0, UTIME_OMIT}, {1700000000, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), set, 0), 0);
    ASSERT_TRUE(item.SetModificationDate(*FolderItem(source).ModificationDate()));
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1700000000);
    EXPECT_EQ(info.st_mtim.tv_nsec, nanoseconds);
  }
}

TEST(FolderItemTest, ModificationDateOfAMissingItem) {
  TempDir dir;
  FolderItem missing(dir.Path("missing"));
  EXPECT_FALSE(missing.ModificationDate().has_value());
  EXPECT_FALSE(missing.SetModificationDate(Date(1.5L)));
}

// ---- Opening things that are not regular files ----

// Runs call on a separate thread and fails instead of hanging when it blocks.
template <typename Call>
bool ReturnsPromptly(Call call) {
  auto task = std::make_shared<std::packaged_task<bool()>>(call);
  std::future<bool> done = task->get_future();
  std::thread([task] { (*task)(); }).detach();
  if (done.wait_for(TestTime::Scaled(std::chrono::milliseconds(5000))) != std::future_status::ready) return false;
  return done.get();
}

class SpecialFileTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
  }

  TempDir dir;
  std::string fifo = dir.Path("pipe");
  std::string socketPath = dir.Path("sock");
};

TEST_F(SpecialFileTest, OpenersGiveNoneAtOnce) {
  for (const std::string& path : {fifo, socketPath, dir.path()}) {
    FolderItem item(path);
    EXPECT_TRUE(ReturnsPromptly([item] { return item.OpenAsBinaryFile(false) == nullptr; })) << path;
    EXPECT_TRUE(ReturnsPromptly([item] { return item.OpenAsBinaryFile(true) == nullptr; })) << path;
    EXPECT_TRUE(ReturnsPromptly([item] { return item.OpenAsTextFile() == nullptr; })) << path;
    EXPECT_TRUE(ReturnsPromptly([item] { return item.OpenAsPicture() == nullptr; })) << path;
  }
}

TEST(FolderItemTest, OpenersOnMissingAndRegularFiles) {
  TempDir dir;
  FolderItem missing(dir.Path("missing"));
  EXPECT_EQ(missing.OpenAsBinaryFile(false), nullptr);
  EXPECT_EQ(missing.OpenAsTextFile(), nullptr);
  EXPECT_EQ(missing.OpenAsPicture(), nullptr);

  FolderItem file(dir.Write("file", "data"));
  std::unique_ptr<BinaryStream> stream = file.OpenAsBinaryFile(true);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Read(10), "data");
  EXPECT_NE(file.OpenAsTextFile(), nullptr);
  EXPECT_EQ(file.OpenAsPicture(), nullptr);  // not a picture
}

TEST(FolderItemTest, OpenAsPictureLoadsAnImage) {
  TempDir dir;
  const std::string path = dir.Path("logo.png");
  QImage image(3, 2, QImage::Format_ARGB32);
  image.fill(Qt::white);
  ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
  PicturePtr picture = FolderItem(path).OpenAsPicture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Width(), 3);
  EXPECT_EQ(picture->Height(), 2);
}

}  // namespace
