// The icon families and the logo that the bundle carries: each family must load as a whole, with
// a PNG image of every size the desktop may ask for, and the logo must suit the windows' canvas.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QColor>
#include <QImage>

#include <set>
#include <string>

#include "support/TempDir.h"
#include "plugin/IconFamily.h"

namespace {

const std::string kResources = std::string(TESSARINE_SOURCE_DIR) + "/resources/";

const char* const kIconFiles[] = {
    "ID_3_CS.icns",  "ID_4_CS2.icns",  "ID_5_CS3.icns",  "ID_6_CS4.icns",
    "IC_3_CS.icns",  "IC_4_CS2.icns",  "IC_5_CS3.icns",  "IC_6_CS4.icns",
    "IDT_3_CS.icns", "IDT_4_CS2.icns", "IDT_5_CS3.icns", "IDT_6_CS4.icns",
};

struct ExpectedElement {
  const char* type;
  int pixels;
};

const ExpectedElement kElements[] = {
    {"icp4", 16}, {"icp5", 32}, {"icp6", 64}, {"ic07", 128}, {"ic08", 256}, {"ic09", 512}};

QImage DecodePNG(const std::string& data) {
  return QImage::fromData(QByteArray(data.data(), static_cast<qsizetype>(data.size())), "PNG");
}

class ResourceIconFile : public ::testing::TestWithParam<const char*> {};

TEST_P(ResourceIconFile, IsAFamilyOfSixPNGImagesFrom16To512) {
  const std::string bytes = ReadFileBytes(kResources + GetParam());
  ASSERT_FALSE(bytes.empty()) << "missing " << GetParam();

  IconFamilyMBS family;
  ASSERT_TRUE(family.SetData(bytes));
  const auto& elements = family.Elements();
  ASSERT_EQ(elements.size(), std::size(kElements));
  for (size_t i = 0; i < elements.size(); ++i) {
    SCOPED_TRACE(kElements[i].type);
    EXPECT_EQ(elements[i].type, kElements[i].type);
    EXPECT_EQ(elements[i].data.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
    const QImage image = DecodePNG(elements[i].data);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), kElements[i].pixels);
    EXPECT_EQ(image.height(), kElements[i].pixels);
  }
  // What a stamped document shows is the largest image.
  EXPECT_EQ(family.LargestPNG(), elements.back().data);
}

INSTANTIATE_TEST_SUITE_P(EveryKindAndVersion, ResourceIconFile, ::testing::ValuesIn(kIconFiles),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

// Twelve files that are copies of one another would load fine and still tell nothing.
TEST(ResourceIcons, EveryKindAndVersionLooksDifferentAt32Pixels) {
  std::set<QByteArray> seen;
  for (const char* file : kIconFiles) {
    IconFamilyMBS family;
    ASSERT_TRUE(family.SetData(ReadFileBytes(kResources + file))) << file;
    ASSERT_GE(family.Elements().size(), 2u) << file;
    const QImage image = DecodePNG(family.Elements()[1].data).convertToFormat(QImage::Format_ARGB32);
    const QByteArray pixels(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    EXPECT_TRUE(seen.insert(pixels).second) << file << " looks like another icon";
  }
}

// The windows show the logo in a 48 x 48 canvas and draw its white as transparent.
TEST(ResourceIcons, LogoIs48PixelsSquareOnWhite) {
  const QImage logo(QString::fromStdString(kResources + "smalllogo.png"));
  ASSERT_FALSE(logo.isNull());
  EXPECT_EQ(logo.width(), 48);
  EXPECT_EQ(logo.height(), 48);
  for (const QPoint corner : {QPoint(0, 0), QPoint(47, 0), QPoint(0, 47), QPoint(47, 47)}) {
    EXPECT_EQ(logo.pixelColor(corner), QColor(Qt::white)) << corner.x() << "," << corner.y();
  }
  EXPECT_NE(logo.pixelColor(24, 10), QColor(Qt::white));
}

}  // namespace
