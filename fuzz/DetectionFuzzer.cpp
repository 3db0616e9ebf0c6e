// Fuzzes the document detection with arbitrary document names and contents, through a real file
// and the framework's stream. Input: one byte of preference flags (bits 0-3: CS to CS4 open in
// InDesign by default), one byte giving the name's length, the name's bytes, then the document.
//
// Besides the sanitizers, the result is checked against a plain in-memory reading of the same
// bytes, a byte at a time and with whole lines, which catches faults in the stream's read-ahead
// window, its end-of-file handling and the detection's scan over it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/CPreferences.h"
#include "core/DocumentDetection.h"
#include "framework/BinaryStream.h"
#include "framework/FolderItem.h"
#include "fuzz/QuietPlatform.h"
#include "fuzz/ScratchFolder.h"

namespace {

struct Expected {
  int32_t docVersion = -1;
  bool preferInDesign = false;
  bool canUseInDesign = true;
  std::optional<int32_t> iconKind;
};

// A file name from fuzzer bytes: no slash or NUL, never "." or "..", never empty.
std::string FileName(std::string name) {
  for (char& c : name) {
    if (c == '/' || c == '\0') c = '_';
  }
  if (name.empty() || name == "." || name == "..") name = "d" + name;
  return name;
}

bool EndsWithTemplateSuffix(const std::string& name) {
  if (name.size() < 5) return false;
  std::string tail = name.substr(name.size() - 5);
  for (char& c : tail) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return tail == ".INDT";
}

// The reading the detection is meant to do, on the bytes in memory.
Expected Model(const std::string& name, const std::string& bytes, const CPreferences& preferences) {
  Expected e;
  auto byteAt = [&](size_t i) -> uint32_t { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0; };
  if (bytes.empty() || bytes[0] != '<') {
    const bool big = byteAt(24) == 2;
    uint32_t v = big ? byteAt(29) << 24 | byteAt(30) << 16 | byteAt(31) << 8 | byteAt(32)
                     : byteAt(29) | byteAt(30) << 8 | byteAt(31) << 16 | byteAt(32) << 24;
    e.docVersion = static_cast<int32_t>(v);
    const bool isTemplate = EndsWithTemplateSuffix(name);
    e.preferInDesign = true;
    const bool flags[4] = {preferences.fCSDefaultInDesign, preferences.fCS2DefaultInDesign,
                           preferences.fCS3DefaultInDesign, preferences.fCS4DefaultInDesign};
    for (int32_t row = 0; row < 4; ++row) {
      if (e.docVersion <= 3 + row) {
        e.iconKind = (isTemplate ? 9 : 1) + row;
        e.preferInDesign = flags[row];
        break;
      }
    }
    return e;
  }

  e.canUseInDesign = false;
  // The stream's position after the first byte; a line's last byte at the end of the file is
  // dropped, as the end is tested before appending.
  size_t position = 1;
  std::string current = bytes.substr(0, 1);
  auto next = [&] {
    current = position < bytes.size() ? bytes.substr(position, 1) : std::string();
    ++position;
  };
  auto readLine = [&] {
    std::string line;
    while (current != "\r" && current != "\n" && position < bytes.size()) {
      line += current;
      next();
    }
    return line;
  };
  const std::string first = readLine();
  if (first.compare(0, 13, "<?xml version") != 0) return e;
  while (!current.empty() && static_cast<uint8_t>(current[0]) < 32 && position < bytes.size()) next();
  const std::string second = readLine();
  const std::string head = second.substr(0, 16);
  if (second.compare(0, 13, "<aic:document") == 0) {
    e.docVersion = 3;
  } else if (head == "<?aid style=\"33\"") {
    e.docVersion = second.find("readerVersion=\"3.0\"") != std::string::npos ? 4 : 5;
  } else if (head == "<?aid style=\"50\"" && second.find("readerVersion=\"6.0\"") != std::string::npos) {
    e.docVersion = 6;
  }
  if (e.docVersion != -1) e.iconKind = e.docVersion + 2;
  return e;
}

void Fail(const char* what, const std::string& name, const DocumentDetection& got, const Expected& want) {
  std::fprintf(stderr, "detection mismatch (%s) for name '%s': got version %d kind %d prefer %d can %d, "
               "expected version %d kind %d prefer %d can %d\n",
               what, name.c_str(), got.docVersion, got.iconKind.value_or(0), got.preferInDesign,
               got.canUseInDesign, want.docVersion, want.iconKind.value_or(0), want.preferInDesign,
               want.canUseInDesign);
  abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietPlatform::Install();
  ScratchFolder::Path();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const size_t nameLength = data[1];
  if (size - 2 < nameLength) return 0;
  const std::string name = FileName(std::string(reinterpret_cast<const char*>(data + 2), nameLength));
  const std::string bytes(reinterpret_cast<const char*>(data + 2 + nameLength), size - 2 - nameLength);

  CPreferences preferences;
  preferences.fCSDefaultInDesign = flags & 1;
  preferences.fCS2DefaultInDesign = flags & 2;
  preferences.fCS3DefaultInDesign = flags & 4;
  preferences.fCS4DefaultInDesign = flags & 8;

  const std::string path = ScratchFolder::Path() + "/" + name;
  ScratchFolder::WriteFile(path, bytes);
  const FolderItem item(path);
  if (item.Name() != name) {
    std::fprintf(stderr, "FolderItem.Name gave '%s' for '%s'\n", item.Name().c_str(), name.c_str());
    abort();
  }
  std::unique_ptr<BinaryStream> stream = item.OpenAsBinaryFile(false);
  if (!stream) {
    std::fprintf(stderr, "cannot open the written document '%s'\n", path.c_str());
    abort();
  }
  const DocumentDetection got = DocumentDetection::Detect(item, *stream, preferences);
  stream.reset();
  unlink(path.c_str());

  const Expected want = Model(name, bytes, preferences);
  if (got.docVersion != want.docVersion) Fail("version", name, got, want);
  if (got.iconKind != want.iconKind) Fail("icon kind", name, got, want);
  if (got.preferInDesign != want.preferInDesign) Fail("prefer InDesign", name, got, want);
  if (got.canUseInDesign != want.canUseInDesign) Fail("can use InDesign", name, got, want);
  return 0;
}
