#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "framework/BinaryStream.h"
#include "framework/FolderItem.h"
#include "framework/TextInputStream.h"
#include "framework/TextOutputStream.h"
#include "support/TempDir.h"

namespace {

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// ---- BinaryStream ----

// A file of `size` bytes whose byte i is i, read the way the header detection reads it.
class ShortFileTest : public testing::TestWithParam<size_t> {
 protected:
  std::unique_ptr<BinaryStream> Open() {
    std::string content;
    for (size_t i = 0; i < GetParam(); ++i) content += static_cast<char>(i);
    auto stream = FolderItem(dir.Write("doc.indd", content)).OpenAsBinaryFile(false);
    EXPECT_NE(stream, nullptr);
    return stream;
  }
  TempDir dir;
};

TEST_P(ShortFileTest, ReadsPastTheEndGiveZeros) {
  const size_t size = GetParam();
  auto stream = Open();
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Length(), size);
  EXPECT_EQ(stream->EOF(), size == 0);
  EXPECT_EQ(stream->Read(1), size > 0 ? std::string(1, '\0') : "");
  EXPECT_EQ(stream->Position(), 1u);

  stream->SetPosition(24);
  EXPECT_EQ(stream->ReadByte(), size > 24 ? 24 : 0);
  stream->SetLittleEndian(true);
  const int32_t at25 = stream->ReadInt32();
  const int32_t at29 = stream->ReadInt32();
  if (size == 28) {
    // Bytes 25, 26 and 27 exist; the missing fourth counts as 0 in its place.
    EXPECT_EQ(at25, 25 | 26 << 8 | 27 << 16);
  } else {
    EXPECT_EQ(at25, 0);
  }
  EXPECT_EQ(at29, 0);
  EXPECT_EQ(stream->Position(), 33u);
  EXPECT_TRUE(stream->EOF());
  EXPECT_EQ(stream->Read(8), "");
  EXPECT_EQ(stream->ReadByte(), 0);

  if (size == 28) {
    stream->SetPosition(25);
    stream->SetLittleEndian(false);
    EXPECT_EQ(stream->ReadInt32(), 25 << 24 | 26 << 16 | 27 << 8);
    stream->SetPosition(20);
    EXPECT_EQ(stream->Read(100), std::string("\x14\x15\x16\x17\x18\x19\x1a\x1b"));
    EXPECT_EQ(stream->Position(), 120u);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ShortFileTest, testing::Values(0, 1, 28));

class BinaryStreamTest : public testing::Test {
 protected:
  std::unique_ptr<BinaryStream> Open(const std::string& content) {
    auto stream = FolderItem(dir.Write("file", content)).OpenAsBinaryFile(false);
    EXPECT_NE(stream, nullptr);
    return stream;
  }
  TempDir dir;
};

TEST_F(BinaryStreamTest, ReadInt32InBothByteOrders) {
  std::string header(33, '\0');
  header[24] = 2;
  header.replace(29, 4, std::string("\x00\x00\x00\x05", 4));
  auto stream = Open(header + std::string("\xFF\xFF\xFF\xFE", 4));
  EXPECT_TRUE(stream->LittleEndian());
  stream->SetPosition(29);
  stream->SetLittleEndian(false);
  EXPECT_EQ(stream->ReadInt32(), 5);
  EXPECT_EQ(stream->ReadInt32(), -2);
  stream->SetPosition(29);
  stream->SetLittleEndian(true);
  EXPECT_EQ(stream->ReadInt32(), 0x05000000);
  EXPECT_EQ(stream->ReadInt32(), -(1 << 24) - 1);  // FE FF FF FF read as little-endian
}

TEST_F(BinaryStreamTest, EofOnceThePositionReachesTheEnd) {
  auto stream = Open("<a");
  EXPECT_FALSE(stream->EOF());
  EXPECT_EQ(stream->ReadByte(), '<');
  EXPECT_FALSE(stream->EOF());
  EXPECT_EQ(stream->ReadByte(), 'a');
  EXPECT_TRUE(stream->EOF());
  stream->SetPosition(1);
  EXPECT_FALSE(stream->EOF());
}

TEST_F(BinaryStreamTest, ByteReadsAcrossTheReadAheadMatchTheFile) {
  std::string content;
  for (int i = 0; i < 10000; ++i) content += static_cast<char>((i * 7 + i / 256) & 0xFF);
  auto stream = Open(content);
  std::string bytes;
  while (!stream->EOF()) bytes += static_cast<char>(stream->ReadByte());
  EXPECT_EQ(bytes, content);

  // Backwards, then a read larger than the read-ahead that starts inside it.
  stream->SetPosition(4090);
  EXPECT_EQ(stream->ReadByte(), static_cast<uint8_t>(content[4090]));
  stream->SetPosition(100);
  EXPECT_EQ(stream->ReadByte(), static_cast<uint8_t>(content[100]));
  EXPECT_EQ(stream->Read(9000), content.substr(101, 9000));
  stream->SetPosition(9990);
  EXPECT_EQ(stream->Read(5000), content.substr(9990));
}

TEST_F(BinaryStreamTest, PeeksFollowThePositionAcrossTheReadAhead) {
  std::string content;
  for (int i = 0; i < 600000; ++i) content += static_cast<char>((i * 7 + i / 256) & 0xFF);
  auto stream = Open(content);
  // A scan that takes what each peek gives reads the file whole and in order.
  std::string scanned;
  for (std::string_view bytes = stream->Peek(); !bytes.empty(); bytes = stream->Peek()) {
    scanned.append(bytes);
    stream->SetPosition(stream->Position() + bytes.size());
  }
  EXPECT_EQ(scanned, content);
  EXPECT_TRUE(stream->EOF());
  // Back into the middle and past the end: a peek does not move the position.
  stream->SetPosition(12345);
  ASSERT_FALSE(stream->Peek().empty());
  EXPECT_EQ(stream->Peek()[0], content[12345]);
  EXPECT_EQ(stream->Position(), 12345u);
  EXPECT_EQ(stream->ReadByte(), static_cast<uint8_t>(content[12345]));
  stream->SetPosition(content.size() + 10);
  EXPECT_TRUE(stream->Peek().empty());
  stream->Close();
  stream->SetPosition(0);
  EXPECT_TRUE(stream->Peek().empty());
}

TEST_F(BinaryStreamTest, CloseIsIdempotent) {
  auto stream = Open("abc");
  EXPECT_TRUE(stream->IsOpen());
  stream->Close();
  stream->Close();
  EXPECT_FALSE(stream->IsOpen());
  EXPECT_EQ(stream->Read(1), "");
}

// ---- TextInputStream ----

class TextInputTest : public testing::Test {
 protected:
  std::unique_ptr<TextInputStream> Open(const std::string& content) {
    auto stream = FolderItem(dir.Write("text", content)).OpenAsTextFile();
    EXPECT_NE(stream, nullptr);
    return stream;
  }
  TempDir dir;
};

TEST_F(TextInputTest, LineEndsOfEveryKind) {
  auto stream = Open("lf\ncrlf\r\ncr\r\n\n\r\rlast");
  for (const char* line : {"lf", "crlf", "cr", "", "", "", "last"}) {
    EXPECT_FALSE(stream->EOF());
    EXPECT_EQ(stream->ReadLine(), line);
  }
  EXPECT_TRUE(stream->EOF());
  EXPECT_EQ(stream->ReadLine(), "");
  EXPECT_EQ(stream->ReadLine(), "");
}

TEST_F(TextInputTest, EndsAfterAFinalLineEnd) {
  auto stream = Open("a\r");
  EXPECT_EQ(stream->ReadLine(), "a");
  EXPECT_TRUE(stream->EOF());
  auto empty = Open("");
  EXPECT_TRUE(empty->EOF());
  EXPECT_EQ(empty->ReadLine(), "");
  empty->Close();
  EXPECT_EQ(empty->ReadLine(), "");
}

TEST_F(TextInputTest, OverlongLinesAreCutAndTheNextLineStaysInPlace) {
  const size_t limit = TextInputStream::kMaxLineLength;
  auto stream = Open(std::string(limit, 'a') + "\n" + std::string(3 * limit, 'b') + "\r\nnext\r" +
                     std::string(limit + 1, 'c') + "\r\n\nlast");
  EXPECT_EQ(stream->ReadLine(), std::string(limit, 'a'));
  EXPECT_EQ(stream->ReadLine(), std::string(limit, 'b'));
  EXPECT_EQ(stream->ReadLine(), "next");
  EXPECT_EQ(stream->ReadLine(), std::string(limit, 'c'));
  EXPECT_EQ(stream->ReadLine(), "");
  EXPECT_EQ(stream->ReadLine(), "last");
  EXPECT_TRUE(stream->EOF());
}

// ---- TextOutputStream ----

class TextOutputTest : public testing::Test {
 protected:
  TempDir dir;
  std::string target = dir.Path("prefs");
};

TEST_F(TextOutputTest, LinesReadBackUnchanged) {
  const std::vector<std::string> lines = {"/Applications/Adobe\\ InDesign\\ CS/InDesign\\ CS.app", "", "1", "0",
                                          "  blanks  ", "Caf\xC3\xA9\ttab", std::string(70000, 'x')};
  auto out = FolderItem(target).CreateTextFile();
  ASSERT_NE(out, nullptr);
  for (const std::string& line : lines) out->WriteLine(line);
  ASSERT_TRUE(out->Close());
  EXPECT_TRUE(out->Close());

  auto in = FolderItem(target).OpenAsTextFile();
  ASSERT_NE(in, nullptr);
  for (const std::string& line : lines) EXPECT_EQ(in->ReadLine(), line);
  EXPECT_TRUE(in->EOF());
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST_F(TextOutputTest, ReplacesOnlyOnCloseAndKeepsTheMode) {
  dir.Write("prefs", std::string(20, '\n') + "old", 0600);
  auto out = FolderItem(target).CreateTextFile();
  ASSERT_NE(out, nullptr);
  out->WriteLine("new");
  EXPECT_EQ(ReadFileBytes(target), std::string(20, '\n') + "old");
  ASSERT_TRUE(out->Close());
  EXPECT_EQ(ReadFileBytes(target), "new\n");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"prefs"});
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(TextOutputTest, DestroyedWithoutCloseLeavesTheOldFileWhole) {
  dir.Write("prefs", "old\n");
  {
    auto out = FolderItem(target).CreateTextFile();
    ASSERT_NE(out, nullptr);
    out->WriteLine(std::string(100000, 'n'));
  }
  EXPECT_EQ(ReadFileBytes(target), "old\n");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"prefs"});
}

TEST_F(TextOutputTest, FailedRenameReportsFalseAndCleansUp) {
  auto out = FolderItem(target).CreateTextFile();
  ASSERT_NE(out, nullptr);
  out->WriteLine("new");
  // Something else puts a folder with content in the target's place meanwhile.
  dir.Write("prefs/inside", "keep");
  EXPECT_FALSE(out->Close());
  EXPECT_FALSE(out->Close());
  EXPECT_EQ(ReadFileBytes(dir.Path("prefs/inside")), "keep");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"prefs"});
}

TEST_F(TextOutputTest, NoneWhereNothingCanBeWritten) {
  EXPECT_EQ(FolderItem(dir.Path("no folder/prefs")).CreateTextFile(), nullptr);
  dir.Write("folder/x", "");
  EXPECT_EQ(FolderItem(dir.Path("folder")).CreateTextFile(), nullptr);
  EXPECT_EQ(FolderItem("/").CreateTextFile(), nullptr);
}

TEST_F(TextOutputTest, NoneInAFolderThatIsNotWritable) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
  dir.Write("locked/prefs", "old\n");
  ASSERT_EQ(chmod(dir.Path("locked").c_str(), 0555), 0);
  EXPECT_EQ(FolderItem(dir.Path("locked/prefs")).CreateTextFile(), nullptr);
  EXPECT_EQ(ReadFileBytes(dir.Path("locked/prefs")), "old\n");
}

TEST_F(TextOutputTest, ALinkedTargetIsReplacedWhereTheLinkLeads) {
  const std::string real = dir.Write("real/prefs", "old\n");
  ASSERT_EQ(symlink(real.c_str(), target.c_str()), 0);
  auto out = FolderItem(target).CreateTextFile();
  ASSERT_NE(out, nullptr);
  out->WriteLine("new");
  ASSERT_TRUE(out->Close());
  struct stat info {};
  ASSERT_EQ(lstat(target.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(ReadFileBytes(real), "new\n");
  EXPECT_EQ(FolderEntries(dir.Path("real")), std::vector<std::string>{"prefs"});
}

}  // namespace
