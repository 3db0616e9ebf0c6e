// The two readers of the detection: the InDesign header reader on every header version, byte order
// and name; the InCopy reader on every second-line row and line layout; both on hostile input.
#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "TestDocuments.h"
#include "core/CPreferences.h"
#include "core/DocumentDetection.h"
#include "framework/BinaryStream.h"
#include "framework/Text.h"

using namespace TestDocuments;

namespace {

struct Detected {
  DocumentDetection result;
  bool streamOpen = false;
  uint64_t position = 0;
};

class DetectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A pattern that tells the four flags apart.
    preferences.fCSDefaultInDesign = true;
    preferences.fCS2DefaultInDesign = false;
    preferences.fCS3DefaultInDesign = true;
    preferences.fCS4DefaultInDesign = false;
  }

  Detected Detect(const std::string& name, const std::string& content) {
    const FolderItem item(dir.Write(name, content));
    std::unique_ptr<BinaryStream> stream = item.OpenAsBinaryFile(false);
    EXPECT_NE(stream, nullptr);
    Detected detected;
    if (!stream) return detected;
    detected.result = DocumentDetection::Detect(item, *stream, preferences);
    detected.streamOpen = stream->IsOpen();
    detected.position = stream->Position();
    return detected;
  }

  TempDir dir;
  CPreferences preferences;
};

// ---- The InDesign header reader ----

struct HeaderRow {
  int32_t version;
  std::optional<int32_t> documentIcon;
  std::optional<int32_t> templateIcon;
  bool preferInDesign;  // with the fixture's flag pattern
  friend void PrintTo(const HeaderRow& row, std::ostream* out) { *out << "version " << row.version; }
};

class InDesignHeaderRows : public DetectionTest, public ::testing::WithParamInterface<HeaderRow> {};

TEST_P(InDesignHeaderRows, EitherByteOrderAndAnyTemplateSpelling) {
  const HeaderRow row = GetParam();
  for (uint8_t flag : {kIntelMade, kPowerPCMade}) {
    for (const char* name : {"story.indd", "page.indt", "page.Indt", "PAGE.INDT", "noextension", "x.indt.indd"}) {
      SCOPED_TRACE(std::string(name) + " flag " + std::to_string(flag));
      const bool isTemplate = Uppercase(Right(name, 5)) == ".INDT";
      const Detected d = Detect(name, InDesignDocument(row.version, flag));
      EXPECT_EQ(d.result.docVersion, row.version) << "the header's number is passed on unchanged";
      EXPECT_EQ(d.result.iconKind, isTemplate ? row.templateIcon : row.documentIcon);
      EXPECT_EQ(d.result.preferInDesign, row.preferInDesign);
      EXPECT_TRUE(d.result.canUseInDesign);
      EXPECT_FALSE(d.streamOpen) << "the header reader closes the stream";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, InDesignHeaderRows,
    ::testing::Values(HeaderRow{-7, 1, 9, true}, HeaderRow{0, 1, 9, true}, HeaderRow{1, 1, 9, true},
                      HeaderRow{2, 1, 9, true}, HeaderRow{3, 1, 9, true}, HeaderRow{4, 2, 10, false},
                      HeaderRow{5, 3, 11, true}, HeaderRow{6, 4, 12, false},
                      HeaderRow{7, std::nullopt, std::nullopt, true},
                      HeaderRow{1000, std::nullopt, std::nullopt, true}));

TEST_F(DetectionTest, FlagTwoReadsBigEndianAnyOtherFlagLittleEndian) {
  const std::array<uint8_t, 4> five = {0, 0, 0, 5};
  Detected d = Detect("a.indd", InDesignHeaderRaw(2, five));
  EXPECT_EQ(d.result.docVersion, 5);
  EXPECT_EQ(d.result.iconKind, 3);
  d = Detect("a.indt", InDesignHeaderRaw(2, five));
  EXPECT_EQ(d.result.iconKind, 11);

  for (uint8_t flag : {0, 1, 3, 255}) {
    SCOPED_TRACE(flag);
    d = Detect("a.indd", InDesignHeaderRaw(flag, five));
    EXPECT_EQ(d.result.docVersion, 0x05000000);
    EXPECT_EQ(d.result.iconKind, std::nullopt);
    EXPECT_TRUE(d.result.preferInDesign);
  }
}

TEST_F(DetectionTest, AnyFirstByteButLessThanIsReadAsInDesign) {
  // A byte-order mark or a blank before "<?xml" makes it an InDesign document, whatever follows.
  for (const std::string& prefix : {std::string("\xEF\xBB\xBF"), std::string(" "), std::string("x")}) {
    const Detected d = Detect("story.icml", prefix + InCopyStory(kInCopyCS4Line));
    EXPECT_TRUE(d.result.canUseInDesign);
    EXPECT_FALSE(d.streamOpen);
  }
}

TEST_F(DetectionTest, ShortFilesReadAsZerosWithoutFailing) {
  // Bytes past the end read as zeros: an empty or short file is version 0, the CS row.
  for (size_t length : {0u, 1u, 24u, 28u}) {
    SCOPED_TRACE(length);
    const Detected d = Detect("short.indd", std::string(length, 'x'));
    EXPECT_EQ(d.result.docVersion, 0);
    EXPECT_EQ(d.result.iconKind, 1);
    EXPECT_EQ(d.result.preferInDesign, preferences.fCSDefaultInDesign);
  }
  // Ending inside the version field: the bytes present keep their places.
  std::string cut = InDesignDocument(5, kIntelMade).substr(0, 30);
  EXPECT_EQ(Detect("cut.indd", cut).result.docVersion, 5);
  cut = InDesignDocument(5, kPowerPCMade).substr(0, 30);
  EXPECT_EQ(Detect("cut.indd", cut).result.docVersion, 0);
}

// ---- The InCopy XML reader ----

struct StoryRow {
  std::string secondLine;
  int32_t version;
  std::optional<int32_t> icon;
  friend void PrintTo(const StoryRow& row, std::ostream* out) { *out << row.secondLine; }
};

class InCopySecondLineRows : public DetectionTest, public ::testing::WithParamInterface<StoryRow> {};

TEST_P(InCopySecondLineRows, AnyLineEndsAndBlankLines) {
  const StoryRow row = GetParam();
  const std::vector<std::pair<std::string, std::string>> layouts = {
      {"\n", "\n"}, {"\r\n", "\r\n"}, {"\r", "\r"}, {"\n\n\n", "\n"}, {"\r\n\r\n\t\n", "\r\n"},
      // Lines have no length limit: a first line that runs on for 64 KiB and more, with a second
      // line's text in it, and 70,000 line ends between the lines.
      {std::string(65536 - kXmlDeclaration.size(), ' ') + "<aic:document>\n", "\n"},
      {std::string(70000, '\n'), "\n"}};
  for (const auto& [between, lineEnd] : layouts) {
    SCOPED_TRACE("between " + std::to_string(between.size()) + " bytes");
    const Detected d = Detect("story.icml", InCopyStory(row.secondLine, between, lineEnd));
    EXPECT_EQ(d.result.docVersion, row.version);
    EXPECT_EQ(d.result.iconKind, row.icon);
    EXPECT_FALSE(d.result.preferInDesign);
    EXPECT_FALSE(d.result.canUseInDesign);
    EXPECT_TRUE(d.streamOpen) << "the XML reader leaves the stream to the road";
  }
}

INSTANTIATE_TEST_SUITE_P(
    SecondLines, InCopySecondLineRows,
    ::testing::Values(
        StoryRow{kInCopyCSLine, 3, 5}, StoryRow{"<aic:document>", 3, 5}, StoryRow{kInCopyCS2Line, 4, 6},
        StoryRow{kInCopyCS3Line, 5, 7},
        // The reader version is looked for in the whole line, however far along it stands.
        StoryRow{"<?aid style=\"33\" " + std::string(70000, ' ') + "readerVersion=\"3.0\" ?>", 4, 6},
        StoryRow{"<?aid style=\"50\" " + std::string(300000, ' ') + "readerVersion=\"6.0\" ?>", 6, 8},
        // The 33 prefix with no reader version at all is CS3 too.
        StoryRow{"<?aid style=\"33\" type=\"snippet\" ?>", 5, 7}, StoryRow{kInCopyCS4Line, 6, 8},
        // The 50 prefix needs the 6.0 reader version.
        StoryRow{"<?aid style=\"50\" type=\"snippet\" readerVersion=\"5.0\" ?>", -1, std::nullopt},
        StoryRow{"<?aid style=\"50\" type=\"snippet\" ?>", -1, std::nullopt},
        // The reader version alone decides nothing without its prefix.
        StoryRow{"<?aid style=\"34\" readerVersion=\"3.0\" ?>", -1, std::nullopt},
        StoryRow{"<?aid style='50' readerVersion=\"6.0\" ?>", -1, std::nullopt},
        StoryRow{"  " + kInCopyCS4Line, -1, std::nullopt}, StoryRow{" " + kInCopyCSLine, -1, std::nullopt},
        StoryRow{"<Document DOMVersion=\"6.0\">", -1, std::nullopt},
        StoryRow{"<?AID STYLE=\"50\" readerVersion=\"6.0\" ?>", -1, std::nullopt}));

TEST_F(DetectionTest, FirstLineMustBeAnXmlDeclaration) {
  // Nothing after the first line is read when it is not a declaration.
  const std::string firstLine = "<Document>";
  const Detected d = Detect("a.icml", firstLine + "\n" + kInCopyCS4Line + "\n");
  EXPECT_EQ(d.result.docVersion, -1);
  EXPECT_EQ(d.result.iconKind, std::nullopt);
  EXPECT_FALSE(d.result.canUseInDesign);
  EXPECT_EQ(d.position, firstLine.size() + 1);

  EXPECT_EQ(Detect("b.icml", "<?XML VERSION=\"1.0\"?>\n" + kInCopyCS4Line + "\n").result.docVersion, -1);
}

TEST_F(DetectionTest, StoriesThatEndEarly) {
  // A lone "<", a declaration without a line end, a declaration and its line end only.
  for (const std::string& content : {std::string("<"), kXmlDeclaration, kXmlDeclaration + "\n",
                                     kXmlDeclaration + "\r\n\r\n", std::string("<?xml version")}) {
    SCOPED_TRACE(content);
    const Detected d = Detect("early.icml", content);
    EXPECT_EQ(d.result.docVersion, -1);
    EXPECT_FALSE(d.result.canUseInDesign);
    EXPECT_FALSE(d.result.preferInDesign);
  }
}

TEST_F(DetectionTest, ALineThatRunsToTheEndOfTheFileLosesItsLastByte) {
  // Without the closing quote the 6.0 reader version is not found; one byte more and it is.
  const std::string cut = "<?aid style=\"50\" type=\"snippet\" readerVersion=\"6.0\"";
  EXPECT_EQ(Detect("a.icml", kXmlDeclaration + "\n" + cut).result.docVersion, -1);
  EXPECT_EQ(Detect("b.icml", kXmlDeclaration + "\n" + cut + " ").result.docVersion, 6);
}

TEST_F(DetectionTest, HugeLinesAreReadToTheirEnds) {
  const std::string huge(8 << 20, 'a');
  // A first line that is no declaration is not read on.
  Detected d = Detect("huge.icml", "<" + huge);
  EXPECT_EQ(d.result.docVersion, -1);
  EXPECT_LT(d.position, 65536u);

  EXPECT_EQ(Detect("long first.icml", kXmlDeclaration + huge + "\n" + kInCopyCS4Line + "\n").result.docVersion, 6);
  EXPECT_EQ(Detect("zeros.icml", kXmlDeclaration + "\n" + std::string(8 << 20, '\0') + kInCopyCS4Line + "\n")
                .result.docVersion,
            6);
  // A huge second line that runs to the end of the file lacks its last byte there too.
  const std::string cs2Line = "<?aid style=\"33\" " + huge + "readerVersion=\"3.0\"";
  EXPECT_EQ(Detect("cut.incx", kXmlDeclaration + "\n" + cs2Line).result.docVersion, 5);
  EXPECT_EQ(Detect("whole.incx", kXmlDeclaration + "\n" + cs2Line + " ").result.docVersion, 4);
  // Zeros that run to the end of the file: the skip stops at the last byte, the second line is empty.
  EXPECT_EQ(Detect("zeros only.icml", kXmlDeclaration + "\n" + std::string(1 << 20, '\0')).result.docVersion, -1);
}

// Where the stream's reads end, as the InCopy reader meets them in a long line: its first byte
// read on its own, then the rest taken as the stream holds it, a window at a time.
std::vector<uint64_t> ReadSeams(TempDir& dir, uint64_t upTo) {
  const FolderItem item(dir.Write("seams.icml", "<" + std::string(upTo + 65536, ' ')));
  std::unique_ptr<BinaryStream> stream = item.OpenAsBinaryFile(false);
  std::vector<uint64_t> seams;
  if (!stream) return seams;
  stream->Read(1);
  for (uint64_t at = 0; at < upTo;) {
    stream->SetPosition(at);
    const size_t held = stream->Peek().size();
    if (held == 0) break;
    at += held;
    seams.push_back(at);
  }
  return seams;
}

TEST_F(DetectionTest, ReaderVersionIsFoundWhereverTheReadsSplitTheLine) {
  const std::string head = kXmlDeclaration + "\n<?aid style=\"33\" ";
  const std::string version = "readerVersion=\"3.0\"";
  // The reader version at places across the first several kilobytes, and at every offset across
  // each seam between two of the stream's reads: a seam one byte off misses it at one place only
  // (and a CS2 story would go to CS3's application).
  std::vector<size_t> places;
  for (size_t blanks = 0; blanks < 9000; blanks += 7) places.push_back(blanks);
  const std::vector<uint64_t> seams = ReadSeams(dir, 16 * 1024);
  ASSERT_GE(seams.size(), 3u);
  for (const uint64_t seam : seams) {
    for (uint64_t start = seam - std::min<uint64_t>(seam, version.size() + 1); start <= seam + 1; ++start) {
      if (start >= head.size()) places.push_back(static_cast<size_t>(start - head.size()));
    }
  }
  for (const size_t blanks : places) {
    const std::string line = head.substr(kXmlDeclaration.size() + 1) + std::string(blanks, ' ') + version;
    ASSERT_EQ(Detect("split.incx", kXmlDeclaration + "\n" + line + "\n").result.docVersion, 4) << blanks;
    // Cut one byte short by a line end, it is not there.
    ASSERT_EQ(Detect("short.incx", kXmlDeclaration + "\n" + line.substr(0, line.size() - 1) + "\n\"\n")
                  .result.docVersion,
              5)
        << blanks;
  }
}

TEST_F(DetectionTest, BinaryGarbageAfterLessThan) {
  std::string garbage = "<";
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  const Detected d = Detect("garbage.icml", garbage);
  EXPECT_EQ(d.result.docVersion, -1);
  EXPECT_EQ(d.result.iconKind, std::nullopt);
}

}  // namespace
