#pragma once
// Icon-family bytes made to order for the tests: whole .icns files, their elements, and PNG
// images that are real down to their header chunk (all the plug-in reads of them).
#include <cstdint>
#include <string>
#include <vector>

inline std::string BigEndian32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
          static_cast<char>(value)};
}

// A PNG signature and IHDR chunk of the given size, then filler bytes in place of image data.
inline std::string FakePNG(uint32_t width, const std::string& filler = "pixels") {
  return std::string("\x89PNG\r\n\x1a\n", 8) + BigEndian32(13) + "IHDR" + BigEndian32(width) +
         BigEndian32(width) + std::string("\x08\x06\x00\x00\x00", 5) + BigEndian32(0) + filler;
}

inline std::string IconElement(const std::string& type, const std::string& data) {
  return type + BigEndian32(static_cast<uint32_t>(8 + data.size())) + data;
}

inline std::string Icns(const std::vector<std::string>& elements) {
  std::string body;
  for (const std::string& element : elements) body += element;
  return "icns" + BigEndian32(static_cast<uint32_t>(8 + body.size())) + body;
}
