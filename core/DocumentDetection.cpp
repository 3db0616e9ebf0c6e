#include "core/DocumentDetection.h"

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/CPreferences.h"
#include "core/Utilities.h"
#include "framework/BinaryStream.h"
#include "framework/Text.h"

namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;
const std::string kQuote = Chr(34);
// How much of a line the note lines quote. The decisions need only a line's first 16 bytes.
constexpr size_t kQuotedLength = 256;

// Finds a text in bytes that are given a piece at a time. Only the last bytes of the earlier
// pieces are kept, as many as could begin a match that the next piece completes.
class PieceSearch {
 public:
  explicit PieceSearch(std::string text) : fText(std::move(text)) {}

  bool Found() const { return fFound; }
  void Feed(std::string_view piece) {
    if (fFound || piece.empty()) return;
    const size_t keep = fText.size() - 1;
    fTail.append(piece.substr(0, keep));  // a match across the seam lies in the tail and this much
    fFound = Contains(fTail, fText) || Contains(piece, fText);
    if (piece.size() >= keep) fTail.assign(piece.substr(piece.size() - keep));
    if (fTail.size() > keep) fTail.erase(0, fTail.size() - keep);
  }

 private:
  static bool Contains(std::string_view in, std::string_view text) {
    return memmem(in.data(), in.size(), text.data(), text.size()) != nullptr;
  }

  std::string fText;
  std::string fTail;
  bool fFound = false;
};

// The reading of a story's lines as a byte-at-a-time reader does it, on whole windows of the
// stream at once: the current byte is the one before the stream's position, as after Read(1).
// A line ends before a CR or LF, or when the current byte is the file's last, which the line
// thus lacks: the end of the file is tested before a byte is appended. Only a line's first bytes
// are kept, so a line of any length takes no more memory than a short one.
class StoryLines {
 public:
  explicit StoryLines(BinaryStream& stream)
      : fStream(stream), fCurrent(stream.Position() - 1), fLast(stream.Length() == 0 ? 0 : stream.Length() - 1) {}
  ~StoryLines() { fStream.SetPosition(fCurrent + 1); }

  // Reads the line at the current byte. Each search is fed the line's bytes; the reading stops
  // early once the quoted bytes are in and decided() says that the rest cannot change a thing.
  template <typename Decided>
  std::string ReadLine(std::initializer_list<PieceSearch*> searches, Decided decided) {
    std::string head;
    while (fCurrent < fLast) {
      const std::string_view bytes = Window();
      if (bytes.empty()) break;  // the file has become shorter than it was
      const size_t end = LineEnd(bytes);
      const std::string_view part = bytes.substr(0, end);
      head.append(part.substr(0, kQuotedLength - std::min(head.size(), kQuotedLength)));
      for (PieceSearch* search : searches) search->Feed(part);
      fCurrent += end;
      if (end < bytes.size() || (head.size() == kQuotedLength && decided(head))) break;
    }
    return head;
  }

  // Passes over bytes below 32 (line ends, blank lines, other control bytes), but not over the
  // last byte of the file.
  void SkipControlBytes() {
    while (fCurrent < fLast) {
      const std::string_view bytes = Window();
      if (bytes.empty()) break;
      const size_t skipped = ControlBytes(bytes);
      fCurrent += skipped;
      if (skipped < bytes.size()) break;
    }
  }

 private:
  // The bytes from the current one on, up to but not including the last byte of the file.
  std::string_view Window() {
    fStream.SetPosition(fCurrent);
    const std::string_view bytes = fStream.Peek();
    return bytes.substr(0, static_cast<size_t>(std::min<uint64_t>(bytes.size(), fLast - fCurrent)));
  }

  static size_t LineEnd(std::string_view bytes) {
    size_t end = bytes.size();
    if (const void* cr = memchr(bytes.data(), kCR, end)) end = static_cast<const char*>(cr) - bytes.data();
    if (const void* lf = memchr(bytes.data(), kLF, end)) end = static_cast<const char*>(lf) - bytes.data();
    return end;
  }

  // The length of the run of bytes below 32 at the start, eight bytes at a time where it can:
  // such a byte has its three high bits clear.
  static size_t ControlBytes(std::string_view bytes) {
    size_t i = 0;
    for (uint64_t word; i + 8 <= bytes.size(); i += 8) {
      std::memcpy(&word, bytes.data() + i, 8);
      if (word & 0xE0E0E0E0E0E0E0E0ULL) break;
    }
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 32) ++i;
    return i;
  }

  BinaryStream& fStream;
  uint64_t fCurrent;  // the current byte's offset
  uint64_t fLast;     // the last byte's offset
};

}  // namespace

DocumentDetection DocumentDetection::Detect(const FolderItem& item, BinaryStream& stream,
                                            const CPreferences& preferences) {
  DocumentDetection result;
  std::string currentByte = stream.Read(1);
  if (currentByte == "<") {
    result.ReadInCopyStory(stream);
  } else {
    result.ReadInDesignHeader(item, stream, preferences);
  }
  return result;
}

void DocumentDetection::ReadInDesignHeader(const FolderItem& item, BinaryStream& stream,
                                           const CPreferences& preferences) {
  const bool isTemplate = Uppercase(Right(item.Name(), 5)) == ".INDT";
  Utilities::LogNote([&] { return "App.HandleDroppedItem: template file = " + Str(isTemplate); });

  // Flag 2 marks a file written on a big-endian machine; everything else reads little-endian.
  stream.SetPosition(24);
  stream.SetLittleEndian(stream.ReadByte() != 2);
  stream.ReadInt32();  // the field at offset 25 is not used
  docVersion = stream.ReadInt32();
  stream.Close();
  Utilities::LogNote([&] { return "App.HandleDroppedItem: version extracted from file = " + Str(docVersion); });

  preferInDesign = true;
  if (docVersion <= 3) {
    iconKind = isTemplate ? 9 : 1;
    preferInDesign = preferences.fCSDefaultInDesign;
  } else if (docVersion <= 4) {
    iconKind = isTemplate ? 10 : 2;
    preferInDesign = preferences.fCS2DefaultInDesign;
  } else if (docVersion <= 5) {
    iconKind = isTemplate ? 11 : 3;
    preferInDesign = preferences.fCS3DefaultInDesign;
  } else if (docVersion <= 6) {
    iconKind = isTemplate ? 12 : 4;
    preferInDesign = preferences.fCS4DefaultInDesign;
  }
}

void DocumentDetection::ReadInCopyStory(BinaryStream& stream) {
  Utilities::LogNote("App.HandleDroppedItem: file starts with '<'");
  preferInDesign = false;
  canUseInDesign = false;

  const std::string cs2ReaderVersion = "readerVersion=" + kQuote + "3.0" + kQuote;
  const std::string cs4ReaderVersion = "readerVersion=" + kQuote + "6.0" + kQuote;
  const std::string cs2Prefix = "<?aid style=" + kQuote + "33" + kQuote;
  const std::string cs4Prefix = "<?aid style=" + kQuote + "50" + kQuote;

  // The note lines quote the lines' first bytes only; they are dropped by the log's threshold.
  StoryLines lines(stream);
  const std::string firstLine = lines.ReadLine({}, [](const std::string& head) {
    return Left(head, 13) != "<?xml version";
  });
  Utilities::LogNote([&] { return "App.HandleDroppedItem: first line of file = " + firstLine; });
  if (Left(firstLine, 13) != "<?xml version") return;

  // Line ends, blank lines and any other control bytes before the second line are passed over;
  // a blank is not, so an indented second line is not recognised.
  lines.SkipControlBytes();
  PieceSearch cs2(cs2ReaderVersion);
  PieceSearch cs4(cs4ReaderVersion);
  const std::string secondLine = lines.ReadLine({&cs2, &cs4}, [&](const std::string& head) {
    const std::string prefix = Left(head, 16);
    if (Left(head, 13) == "<aic:document") return true;
    if (prefix == cs2Prefix) return cs2.Found();
    if (prefix == cs4Prefix) return cs4.Found();
    return true;
  });
  Utilities::LogNote([&] { return "App.HandleDroppedItem: second line of file = " + secondLine; });

  const std::string prefix = Left(secondLine, 16);
  if (Left(secondLine, 13) == "<aic:document") {
    Utilities::LogNote("App.HandleDroppedItem: incd file (InCopy CS - 3.0)");
    docVersion = 3;
    iconKind = 5;
  } else if (prefix == cs2Prefix) {
    if (cs2.Found()) {
      Utilities::LogNote("App.HandleDroppedItem: incx file (InCopy CS2 - 4.0)");
      docVersion = 4;
      iconKind = 6;
    } else {
      Utilities::LogNote("App.HandleDroppedItem: incx file (InCopy CS3 - 5.0)");
      docVersion = 5;
      iconKind = 7;
    }
  } else if (prefix == cs4Prefix && cs4.Found()) {
    Utilities::LogNote("App.HandleDroppedItem: icml file (InCopy CS4 - 6.0)");
    docVersion = 6;
    iconKind = 8;
  }
}
