#include "core/DocumentDetection.h"

#include <string>

#include "core/CPreferences.h"
#include "core/Utilities.h"
#include "framework/BinaryStream.h"
#include "framework/Text.h"

namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;
const std::string kQuote = Chr(34);

// Reads one line starting with currentByte, which is left holding the byte that ended it. The end
// of the file is tested before a byte is appended, so a line that runs to the end of the file
// lacks its last byte; the XML declaration and the instruction after it never end a file.
std::string ReadLine(BinaryStream& stream, std::string& currentByte) {
  std::string line;
  while (line.size() < DocumentDetection::kMaxLineLength) {
    if (currentByte == std::string(1, kCR) || currentByte == std::string(1, kLF) || stream.EOF()) break;
    line += currentByte;
    currentByte = stream.Read(1);
  }
  return line;
}

bool BelowBlank(const std::string& byte) { return !byte.empty() && static_cast<unsigned char>(byte[0]) < 32; }

}  // namespace

DocumentDetection DocumentDetection::Detect(const FolderItem& item, BinaryStream& stream,
                                            const CPreferences& preferences) {
  DocumentDetection result;
  std::string currentByte = stream.Read(1);
  if (currentByte == "<") {
    result.ReadInCopyStory(stream, std::move(currentByte));
  } else {
    result.ReadInDesignHeader(item, stream, preferences);
  }
  return result;
}

void DocumentDetection::ReadInDesignHeader(const FolderItem& item, BinaryStream& stream,
                                           const CPreferences& preferences) {
  const bool isTemplate = Uppercase(Right(item.Name(), 5)) == ".INDT";
  Utilities::LogNote("App.HandleDroppedItem: template file = " + Str(isTemplate));

  // Flag 2 marks a file written on a big-endian machine; everything else reads little-endian.
  stream.SetPosition(24);
  stream.SetLittleEndian(stream.ReadByte() != 2);
  stream.ReadInt32();  // the field at offset 25 is not used
  docVersion = stream.ReadInt32();
  stream.Close();
  Utilities::LogNote("App.HandleDroppedItem: version extracted from file = " + Str(docVersion));

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

void DocumentDetection::ReadInCopyStory(BinaryStream& stream, std::string currentByte) {
  Utilities::LogNote("App.HandleDroppedItem: file starts with '<'");
  preferInDesign = false;
  canUseInDesign = false;

  const std::string firstLine = ReadLine(stream, currentByte);
  Utilities::LogNote("App.HandleDroppedItem: first line of file = " + firstLine);
  if (Left(firstLine, 13) != "<?xml version") return;

  // Line ends, blank lines and any other control bytes before the second line are passed over;
  // a blank is not, so an indented second line is not recognised. The skip is capped like a line,
  // so a declaration followed by gigabytes of zeros is not read to its end.
  for (size_t skipped = 0; BelowBlank(currentByte) && !stream.EOF() && skipped < kMaxLineLength; ++skipped) {
    currentByte = stream.Read(1);
  }
  const std::string secondLine = ReadLine(stream, currentByte);
  Utilities::LogNote("App.HandleDroppedItem: second line of file = " + secondLine);

  const std::string prefix = Left(secondLine, 16);
  const std::string readerVersionPrefix = "readerVersion=";
  if (Left(secondLine, 13) == "<aic:document") {
    Utilities::LogNote("App.HandleDroppedItem: incd file (InCopy CS - 3.0)");
    docVersion = 3;
    iconKind = 5;
  } else if (prefix == "<?aid style=" + kQuote + "33" + kQuote) {
    if (InStr(secondLine, readerVersionPrefix + kQuote + "3.0" + kQuote) > 0) {
      Utilities::LogNote("App.HandleDroppedItem: incx file (InCopy CS2 - 4.0)");
      docVersion = 4;
      iconKind = 6;
    } else {
      Utilities::LogNote("App.HandleDroppedItem: incx file (InCopy CS3 - 5.0)");
      docVersion = 5;
      iconKind = 7;
    }
  } else if (prefix == "<?aid style=" + kQuote + "50" + kQuote &&
             InStr(secondLine, readerVersionPrefix + kQuote + "6.0" + kQuote) > 0) {
    Utilities::LogNote("App.HandleDroppedItem: icml file (InCopy CS4 - 6.0)");
    docVersion = 6;
    iconKind = 8;
  }
}
