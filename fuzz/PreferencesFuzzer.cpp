// Fuzzes the preferences file loader: the input is the whole preferences file. The loaded fields
// are checked against the file's lines read in memory, and a save followed by a load must give the
// same preferences back.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/CPreferences.h"
#include "framework/Text.h"
#include "fuzz/QuietPlatform.h"
#include "fuzz/ScratchFolder.h"

namespace {

std::string gFile;

// Thirteen lines as a text file gives them: a line ends at LF, CR LF or a lone CR; past the end
// every line is empty.
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t i = 0;
  while (lines.size() < 13) {
    std::string line;
    while (i < bytes.size() && bytes[i] != '\n' && bytes[i] != '\r') line += bytes[i++];
    if (i < bytes.size()) {
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      ++i;
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Paths(const CPreferences& p) {
  return {p.fInDesignCSPath, p.fInDesignCS2Path, p.fInDesignCS3Path, p.fInDesignCS4Path,
          p.fInCopyCSPath,   p.fInCopyCS2Path,   p.fInCopyCS3Path,   p.fInCopyCS4Path};
}

std::vector<bool> Flags(const CPreferences& p) {
  return {p.fCSDefaultInDesign, p.fCS2DefaultInDesign, p.fCS3DefaultInDesign, p.fCS4DefaultInDesign,
          p.fDontAddIcon};
}

[[noreturn]] void Fail(const char* what, size_t field) {
  std::fprintf(stderr, "preferences mismatch: %s, field %zu\n", what, field);
  abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietPlatform::Install();
  const std::string config = ScratchFolder::Path() + "/config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  gFile = config + "/" + kPreferencesFileName;
  // Made by the first load; written here so that even the first run reads a file.
  CPreferences().SavePreferences();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  ScratchFolder::WriteFile(gFile, bytes);

  CPreferences loaded;
  loaded.LoadPreferences();
  const std::vector<std::string> lines = Lines(bytes);
  const std::vector<std::string> paths = Paths(loaded);
  const std::vector<bool> flags = Flags(loaded);
  for (size_t i = 0; i < paths.size(); ++i) {
    if (paths[i] != lines[i]) Fail("path differs from its line", i);
  }
  for (size_t i = 0; i < flags.size(); ++i) {
    if (flags[i] != (Val(lines[8 + i]) != 0)) Fail("flag differs from its line", i);
  }

  // A copy, saved and loaded again, is the same record: the file keeps every path byte for byte.
  CPreferences copy(loaded);
  copy.SavePreferences();
  CPreferences reloaded;
  reloaded.LoadPreferences();
  if (Paths(reloaded) != paths) Fail("path lost in a save and load", 0);
  if (Flags(reloaded) != flags) Fail("flag lost in a save and load", 0);
  return 0;
}
