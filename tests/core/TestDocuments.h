#pragma once
// Test documents, recording applications and preferences files, made from what the program reads:
// an InDesign header (class identifier, "DOCUMENT", byte-order flag at 24, version at 29) and the
// first two lines of an InCopy story. Header-only: the unit and end-to-end tests both use it.
#include <sys/stat.h>

#include <fcntl.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QUrl>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "support/TempDir.h"
#include "support/TestTime.h"
#include "framework/FolderItem.h"
#include "plugin/IconFamily.h"

namespace TestDocuments {

// Integers at 25 and 29 are big-endian when the flag is 2 (PowerPC-made files).
constexpr uint8_t kIntelMade = 1;
constexpr uint8_t kPowerPCMade = 2;

// The bytes of an InDesign header up to offset 33, with the four bytes at 29 given as they are
// stored, followed by some content.
inline std::string InDesignHeaderRaw(uint8_t byteOrderFlag, std::array<uint8_t, 4> versionBytes) {
  static const uint8_t kClassId[16] = {0x06, 0x06, 0xED, 0xF5, 0xD8, 0x1D, 0x46, 0xE5,
                                       0xBD, 0x31, 0xEF, 0xE7, 0xFE, 0x74, 0xB7, 0x1D};
  std::string bytes(reinterpret_cast<const char*>(kClassId), sizeof kClassId);
  bytes += "DOCUMENT";
  bytes += static_cast<char>(byteOrderFlag);
  // The field at 25 is not read; it holds something that is not a version.
  bytes += std::string("\x11\x22\x33\x44", 4);
  for (uint8_t b : versionBytes) bytes += static_cast<char>(b);
  bytes += std::string(512, '\xA5');
  return bytes;
}

// An InDesign document of the given version, written in the byte order its flag names.
inline std::string InDesignDocument(int32_t version, uint8_t byteOrderFlag = kIntelMade) {
  const auto v = static_cast<uint32_t>(version);
  std::array<uint8_t, 4> b{};
  if (byteOrderFlag == kPowerPCMade) {
    b = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
         static_cast<uint8_t>(v)};
  } else {
    b = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
         static_cast<uint8_t>(v >> 24)};
  }
  return InDesignHeaderRaw(byteOrderFlag, b);
}

// Second lines of real InCopy stories.
inline const std::string kInCopyCSLine =
    "<aic:document xmlns:aic=\"http://ns.adobe.com/AdobeInCopy/2.0\" readerVersion=\"2.0\">";
inline const std::string kInCopyCS2Line =
    "<?aid style=\"33\" type=\"snippet\" readerVersion=\"3.0\" featureSet=\"513\" product=\"4.0(459)\" ?>";
inline const std::string kInCopyCS3Line =
    "<?aid style=\"33\" type=\"snippet\" readerVersion=\"5.0\" featureSet=\"513\" product=\"5.0(530)\" ?>";
inline const std::string kInCopyCS4Line =
    "<?aid style=\"50\" type=\"snippet\" readerVersion=\"6.0\" featureSet=\"513\" product=\"6.0(352)\" ?>";
inline const std::string kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";

// An InCopy story: the XML declaration, what stands between (line ends, blank lines), the
// second line, and a body.
inline std::string InCopyStory(const std::string& secondLine, const std::string& between = "\n",
                               const std::string& lineEnd = "\n") {
  return kXmlDeclaration + between + secondLine + lineEnd + "<Document DOMVersion=\"6.0\">" + lineEnd +
         "<Story Self=\"u1\"/>" + lineEnd + "</Document>" + lineEnd;
}

// A small recording application: appends one line per argument, prefixed by its own tag, to
// recordFile. Returns its path.
inline std::string WriteRecordingScript(const TempDir& dir, const std::string& name, const std::string& tag,
                                        const std::string& recordFile) {
  return dir.Write(name,
                   "#!/bin/sh\nfor a in \"$@\"; do printf '%s %s\\n' '" + tag + "' \"$a\" >> '" + recordFile +
                       "'; done\n",
                   0755);
}

// A desktop launcher for an executable; the document goes in place of %f.
inline std::string WriteDesktopLauncher(const TempDir& dir, const std::string& name, const std::string& executable) {
  return dir.Write(name,
                   "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=\"" + executable +
                       "\" %f\nTerminal=false\n",
                   0755);
}

// The preferences file's thirteen lines: the paths in the file's order (InDesign CS to CS4,
// then InCopy CS to CS4, stored in shell form) and the five flags.
struct PreferencesText {
  std::array<std::string, 8> paths;  // POSIX paths, or the empty text
  std::array<bool, 4> defaultInDesign = {true, true, true, true};
  bool dontAddIcon = true;
  std::string Text() const {
    std::string text;
    for (const std::string& path : paths) text += (path.empty() ? std::string() : PosixPathToShell(path)) + "\n";
    for (bool flag : defaultInDesign) text += flag ? "1\n" : "0\n";
    text += dontAddIcon ? "1\n" : "0\n";
    return text;
  }
};

// A whole icon family (.icns) holding one 128 x 128 PNG image of the given colour.
inline std::string IconFamily(uint32_t rgb = 0xFF3366) {
  QImage image(128, 128, QImage::Format_ARGB32);
  image.fill(QColor::fromRgb(rgb));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  auto be32 = [](uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
  };
  const std::string element = "ic07" + be32(static_cast<uint32_t>(png.size()) + 8) + png.toStdString();
  return "icns" + be32(static_cast<uint32_t>(element.size()) + 8) + element;
}

// Polls until done() or the timeout (scaled to the machine's load); true when done.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  return TestTime::WaitUntil(done, timeoutMs);
}

// One document of each icon kind code, and the icon file of the built bundle that it should get.
struct KindDocument {
  int32_t kind;
  std::string iconFile;  // in the bundle's Resources folder
  std::string name;      // unique among the twelve
  std::string content;
};

// Index kind - 1: InDesign documents, InCopy stories, InDesign templates, each CS to CS4. The
// templates are PowerPC-made, the documents Intel-made, so both byte orders are stamped.
inline KindDocument DocumentOfKind(int32_t kind) {
  switch (kind) {
    case 1: return {1, "ID_3_CS.icns", "Layout CS.indd", InDesignDocument(3)};
    case 2: return {2, "ID_4_CS2.icns", "Layout CS2.indd", InDesignDocument(4)};
    case 3: return {3, "ID_5_CS3.icns", "Layout CS3.indd", InDesignDocument(5)};
    case 4: return {4, "ID_6_CS4.icns", "Layout CS4.indd", InDesignDocument(6)};
    case 5: return {5, "IC_3_CS.icns", "Story CS.incd", InCopyStory(kInCopyCSLine)};
    case 6: return {6, "IC_4_CS2.icns", "Story CS2.incx", InCopyStory(kInCopyCS2Line)};
    case 7: return {7, "IC_5_CS3.icns", "Story CS3.incx", InCopyStory(kInCopyCS3Line, "\r\n", "\r\n")};
    case 8: return {8, "IC_6_CS4.icns", "Story CS4.icml", InCopyStory(kInCopyCS4Line)};
    case 9: return {9, "IDT_3_CS.icns", "Page CS.indt", InDesignDocument(3, kPowerPCMade)};
    case 10: return {10, "IDT_4_CS2.icns", "Page CS2.INDT", InDesignDocument(4, kPowerPCMade)};
    case 11: return {11, "IDT_5_CS3.icns", "Page CS3.indt", InDesignDocument(5, kPowerPCMade)};
    default: return {12, "IDT_6_CS4.icns", "Page CS4.indt", InDesignDocument(6, kPowerPCMade)};
  }
}

// The image that a document stamped with an icon file of the built bundle should show: the
// largest PNG of the family.
inline std::string BundleIconPNG(const std::string& iconFile) {
  IconFamilyMBS family;
  if (!family.SetData(ReadFileBytes(std::string(TESSARINE_BUNDLE_DIR) + "/Contents/Resources/" + iconFile))) return {};
  return family.LargestPNG();
}

// The bytes of the image that a custom-icon URI names, "(none)" for the empty URI.
inline std::string ImageAt(const std::string& uri) {
  if (uri.empty()) return "(none)";
  return ReadFileBytes(QUrl(QString::fromStdString(uri)).toLocalFile().toStdString());
}

// Gives a file a modification time with nanoseconds, which a stamp must keep to the last digit.
inline void SetModificationTime(const std::string& path, int64_t seconds = 1200000000, long nanoseconds = 123456789) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// The modification time of a file in nanoseconds, 0 when it cannot be read.
inline int64_t ModificationNanos(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return 0;
  return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// The status-change time (ctime) of a file in nanoseconds, 0 when it cannot be read: any write to
// the file or its inode moves it.
inline int64_t StatusChangeNanos(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return 0;
  return static_cast<int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
}

}  // namespace TestDocuments
