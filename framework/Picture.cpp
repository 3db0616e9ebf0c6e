// The kinds are told by their signatures, and the size read from the header, so that nothing
// is decoded before the picture is drawn:
//   PNG   8-byte signature, then the IHDR chunk: width and height, 4 bytes each, big-endian
//   GIF   "GIF87a" or "GIF89a", then the screen's width and height, 2 bytes each, little-endian
//   BMP   "BM", then at 18 a 4-byte width and height (little-endian; the height is negative when
//         the rows run top down), or 2-byte ones in the old 12-byte OS/2 header
//   JPEG  FF D8, then segments up to the first start-of-frame, which holds height and width
#include "framework/Picture.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>

namespace {

struct Size {
  int64_t width, height;
};

uint32_t Byte(const std::string& data, size_t at) { return static_cast<unsigned char>(data[at]); }
uint32_t Big16(const std::string& d, size_t at) { return Byte(d, at) << 8 | Byte(d, at + 1); }
uint32_t Big32(const std::string& d, size_t at) { return Big16(d, at) << 16 | Big16(d, at + 2); }
uint32_t Little16(const std::string& d, size_t at) { return Byte(d, at) | Byte(d, at + 1) << 8; }
uint32_t Little32(const std::string& d, size_t at) { return Little16(d, at) | Little16(d, at + 2) << 16; }

std::optional<Size> PngSize(const std::string& data) {
  static const std::string kSignature("\x89PNG\r\n\x1a\n", 8);
  if (data.size() < 24 || data.compare(0, 8, kSignature) != 0) return std::nullopt;
  if (Big32(data, 8) != 13 || data.compare(12, 4, "IHDR") != 0) return std::nullopt;
  return Size{Big32(data, 16), Big32(data, 20)};
}

std::optional<Size> GifSize(const std::string& data) {
  if (data.size() < 10 || (data.compare(0, 6, "GIF87a") != 0 && data.compare(0, 6, "GIF89a") != 0)) {
    return std::nullopt;
  }
  return Size{Little16(data, 6), Little16(data, 8)};
}

std::optional<Size> BmpSize(const std::string& data) {
  if (data.size() < 26 || data.compare(0, 2, "BM") != 0) return std::nullopt;
  const uint32_t header = Little32(data, 14);
  if (header == 12) return Size{Little16(data, 18), Little16(data, 20)};
  if (header < 40) return std::nullopt;
  const auto height = static_cast<int32_t>(Little32(data, 22));
  return Size{static_cast<int32_t>(Little32(data, 18)), std::llabs(height)};
}

std::optional<Size> JpegSize(const std::string& data) {
  if (data.size() < 4 || Byte(data, 0) != 0xFF || Byte(data, 1) != 0xD8) return std::nullopt;
  size_t at = 2;
  while (at + 4 <= data.size()) {
    if (Byte(data, at) != 0xFF) return std::nullopt;
    const uint32_t marker = Byte(data, at + 1);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a length
      at += 2;
      continue;
    }
    const uint32_t length = Big16(data, at + 2);
    if (length < 2) return std::nullopt;
    // Every start-of-frame but DHT (C4), JPG (C8) and DAC (CC).
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (at + 9 > data.size()) return std::nullopt;
      return Size{Big16(data, at + 7), Big16(data, at + 5)};
    }
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // end, or data before any frame
    at += 2 + length;
  }
  return std::nullopt;
}

}  // namespace

Picture::Picture(std::string data, int width, int height)
    : fData(std::move(data)), fWidth(width), fHeight(height) {}

PicturePtr Picture::FromData(std::string data) {
  std::optional<Size> size = PngSize(data);
  if (!size) size = GifSize(data);
  if (!size) size = BmpSize(data);
  if (!size) size = JpegSize(data);
  constexpr int64_t kMaxSide = INT32_MAX;
  if (!size || size->width <= 0 || size->height <= 0 || size->width > kMaxSide || size->height > kMaxSide) {
    return nullptr;
  }
  return std::make_shared<Picture>(std::move(data), static_cast<int>(size->width), static_cast<int>(size->height));
}
