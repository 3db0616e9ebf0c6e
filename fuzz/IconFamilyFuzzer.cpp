// Fuzzes the icon family reader on arbitrary bytes. A family it accepts must write back to exactly
// the bytes it came from, and its largest PNG must be one of its own PNG elements.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/QuietPlatform.h"
#include "plugin/IconFamily.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "icon family fault: %s\n", what);
  abort();
}

std::string BigEndian32(uint64_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (24 - 8 * i));
  return bytes;
}

std::string Written(const IconFamilyMBS& family) {
  std::string body;
  for (const IconFamilyMBS::Element& element : family.Elements()) {
    body += element.type + BigEndian32(element.data.size() + 8) + element.data;
  }
  return "icns" + BigEndian32(body.size() + 8) + body;
}

const std::string kPNGSignature("\x89PNG\r\n\x1a\n", 8);

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietPlatform::Install();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // A family that was loaded before: a failed load must leave the family empty, not half old.
  IconFamilyMBS family;
  const std::string seed = "icns" + BigEndian32(8 + 8 + 1) + "ic08" + BigEndian32(8 + 1) + "x";
  if (!family.SetData(seed) || family.IsEmpty()) Fail("a minimal family is refused");

  const bool accepted = family.SetData(bytes);
  if (accepted == family.IsEmpty()) Fail("SetData's result and IsEmpty disagree");
  const std::string png = family.LargestPNG();
  if (!accepted) {
    if (!png.empty()) Fail("an empty family gives a PNG");
    return 0;
  }
  for (const IconFamilyMBS::Element& element : family.Elements()) {
    if (element.type.size() != 4) Fail("an element type is not four bytes");
  }
  if (Written(family) != bytes) Fail("the family does not write back to its bytes");

  if (!png.empty()) {
    bool found = false;
    for (const IconFamilyMBS::Element& element : family.Elements()) found = found || element.data == png;
    if (!found) Fail("LargestPNG is none of the elements");
    if (png.size() < 24 || png.compare(0, 8, kPNGSignature) != 0) Fail("LargestPNG is no PNG");
  }
  return 0;
}
