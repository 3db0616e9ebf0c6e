#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <functional>
#include <optional>
#include <string>

#include "framework/Picture.h"

namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string data;
  for (int byte : bytes) data += static_cast<char>(byte);
  return data;
}

std::string Png(int width, int height, std::string chunk = "IHDR") {
  return Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13}) + chunk +
         Bytes({width >> 24, (width >> 16) & 255, (width >> 8) & 255, width & 255, height >> 24,
                (height >> 16) & 255, (height >> 8) & 255, height & 255, 8, 6, 0, 0, 0});
}

std::string Encoded(const char* format, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QByteArray data;
  QBuffer buffer(&data);
  image.save(&buffer, format);
  return data.toStdString();
}

struct PictureCase {
  const char* name;
  std::function<std::string()> data;
  std::optional<std::pair<int, int>> size;  // none: not a picture
};

class PictureHeader : public ::testing::TestWithParam<PictureCase> {};

// The size comes from the header alone, as a decoder would read it, and anything that is not a
// picture of a known kind gives none.
TEST_P(PictureHeader, GivesTheSizeOrNone) {
  const PicturePtr picture = Picture::FromData(GetParam().data());
  if (!GetParam().size) {
    EXPECT_EQ(picture, nullptr);
    return;
  }
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Width(), GetParam().size->first);
  EXPECT_EQ(picture->Height(), GetParam().size->second);
  EXPECT_EQ(picture->Data(), GetParam().data());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PictureHeader,
    ::testing::Values(
        PictureCase{"PngHeader", [] { return Png(70000, 3); }, std::pair{70000, 3}},
        PictureCase{"PngEncoded", [] { return Encoded("PNG", 48, 17); }, std::pair{48, 17}},
        PictureCase{"JpegEncoded", [] { return Encoded("JPEG", 33, 21); }, std::pair{33, 21}},
        PictureCase{"BmpEncoded", [] { return Encoded("BMP", 5, 300); }, std::pair{5, 300}},
        PictureCase{"BmpTopDown",
                    [] { return "BM" + std::string(12, '\0') + Bytes({40, 0, 0, 0, 7, 0, 0, 0, 0xfe, 0xff, 0xff, 0xff}); },
                    std::pair{7, 2}},
        PictureCase{"Gif89", [] { return "GIF89a" + Bytes({0x2c, 0x01, 9, 0, 0}); }, std::pair{300, 9}},
        PictureCase{"PngZeroWidth", [] { return Png(0, 3); }, std::nullopt},
        PictureCase{"PngWithoutHeaderChunk", [] { return Png(4, 3, "IDAT"); }, std::nullopt},
        PictureCase{"PngTruncated", [] { return Png(4, 3).substr(0, 20); }, std::nullopt},
        PictureCase{"JpegDataBeforeAnyFrame", [] { return Bytes({0xff, 0xd8, 0xff, 0xda, 0, 2, 0xff, 0xd9}); },
                    std::nullopt},
        PictureCase{"JpegLengthPastTheEnd", [] { return Bytes({0xff, 0xd8, 0xff, 0xe0, 0xff, 0xf0, 0}); },
                    std::nullopt},
        PictureCase{"Text", [] { return std::string("data"); }, std::nullopt},
        PictureCase{"Empty", [] { return std::string(); }, std::nullopt}),
    [](const ::testing::TestParamInfo<PictureCase>& info) { return std::string(info.param.name); });

}  // namespace
