#include <gtest/gtest.h>

#include "IconFamilyBuilder.h"
#include "plugin/IconFamily.h"

namespace {

const std::string kSmall = FakePNG(32);
const std::string kLarge = FakePNG(512);
const std::string kRaw(40, 'r');  // an old-style image, not a PNG
const std::string kValid =
    Icns({IconElement("icp5", kSmall), IconElement("it32", kRaw), IconElement("ic09", kLarge)});

void ExpectRefused(IconFamilyMBS& family, const std::string& bytes) {
  EXPECT_FALSE(family.SetData(bytes));
  EXPECT_TRUE(family.IsEmpty());
  EXPECT_TRUE(family.Elements().empty());
  EXPECT_EQ(family.LargestPNG(), "");
}

TEST(IconFamilyTest, LoadsEveryElementInOrder) {
  IconFamilyMBS family;
  ASSERT_TRUE(family.SetData(kValid));
  ASSERT_EQ(family.Elements().size(), 3u);
  EXPECT_EQ(family.Elements()[0].type, "icp5");
  EXPECT_EQ(family.Elements()[0].data, kSmall);
  EXPECT_EQ(family.Elements()[1].type, "it32");
  EXPECT_EQ(family.Elements()[1].data, kRaw);
  EXPECT_EQ(family.Elements()[2].type, "ic09");
  EXPECT_EQ(family.Elements()[2].data, kLarge);
}

TEST(IconFamilyTest, EveryTruncationIsRefused) {
  for (size_t length = 0; length < kValid.size(); ++length) {
    SCOPED_TRACE(length);
    IconFamilyMBS family;
    ExpectRefused(family, kValid.substr(0, length));
  }
}

TEST(IconFamilyTest, RefusedDataEmptiesALoadedFamily) {
  IconFamilyMBS family;
  ASSERT_TRUE(family.SetData(kValid));
  ExpectRefused(family, "icns");
}

// Bytes that lie about themselves.
struct MalformedCase {
  const char* name;
  std::string bytes;
  friend void PrintTo(const MalformedCase& value, std::ostream* out) { *out << value.name; }
};

class MalformedIconFamilyTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedIconFamilyTest, IsRefused) {
  IconFamilyMBS family;
  ExpectRefused(family, GetParam().bytes);
}

std::string WithTotalLength(uint32_t length) { return "icns" + BigEndian32(length) + kValid.substr(8); }

std::string WithFirstElementLength(uint32_t length) {
  return kValid.substr(0, 12) + BigEndian32(length) + kValid.substr(16);
}

INSTANTIATE_TEST_SUITE_P(
    Lies, MalformedIconFamilyTest,
    ::testing::Values(
        MalformedCase{"Empty", ""}, MalformedCase{"NoElements", Icns({})},
        MalformedCase{"WrongMagic", "icnz" + kValid.substr(4)},
        MalformedCase{"NotAnIconFile", std::string(kLarge)},
        MalformedCase{"TotalLengthTooLong", WithTotalLength(static_cast<uint32_t>(kValid.size() + 1))},
        MalformedCase{"TotalLengthTooShort", WithTotalLength(static_cast<uint32_t>(kValid.size() - 1))},
        MalformedCase{"TotalLengthHuge", WithTotalLength(0xFFFFFFFFu)},
        MalformedCase{"TrailingBytes", kValid + "xyz"},
        MalformedCase{"ElementLengthZero", WithFirstElementLength(0)},
        MalformedCase{"ElementLengthBelowHeader", WithFirstElementLength(7)},
        MalformedCase{"ElementLengthPastTheEnd",
                      WithFirstElementLength(static_cast<uint32_t>(kValid.size()))},
        MalformedCase{"ElementLengthHuge", WithFirstElementLength(0xFFFFFFF8u)},
        MalformedCase{"ElementLengthOneShort",
                      WithFirstElementLength(static_cast<uint32_t>(8 + kSmall.size() - 1))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IconFamilyTest, HeaderOfAnElementCutByTheTotalLengthIsRefused) {
  // The total length covers four bytes after the last element: too few for another header.
  const std::string body = IconElement("ic08", kLarge) + "ic09";
  IconFamilyMBS family;
  ExpectRefused(family, "icns" + BigEndian32(static_cast<uint32_t>(8 + body.size())) + body);
}

TEST(IconFamilyTest, LargestPNGIsTheWidestImage) {
  IconFamilyMBS family;
  ASSERT_TRUE(family.SetData(
      Icns({IconElement("ic09", kLarge), IconElement("icp5", kSmall), IconElement("ic07", FakePNG(128))})));
  EXPECT_EQ(family.LargestPNG(), kLarge);
}

TEST(IconFamilyTest, LargestPNGTakesTheLongerOfTwoEquallyWideImages) {
  const std::string longer = FakePNG(256, "more pixel data");
  IconFamilyMBS family;
  ASSERT_TRUE(family.SetData(Icns(
      {IconElement("ic08", FakePNG(256)), IconElement("ic14", longer), IconElement("icp4", FakePNG(16))})));
  EXPECT_EQ(family.LargestPNG(), longer);
}

TEST(IconFamilyTest, LargestPNGSkipsWhatIsNoReadablePNG) {
  // A signature without a header chunk, however "wide" the bytes after it would read.
  const std::string headless =
      std::string("\x89PNG\r\n\x1a\n", 8) + BigEndian32(13) + "IDAT" + BigEndian32(4096);
  IconFamilyMBS family;
  ASSERT_TRUE(family.SetData(
      Icns({IconElement("it32", kRaw), IconElement("ic10", headless), IconElement("icp5", kSmall)})));
  EXPECT_EQ(family.LargestPNG(), kSmall);

  ASSERT_TRUE(family.SetData(Icns({IconElement("it32", kRaw), IconElement("ic10", headless)})));
  EXPECT_FALSE(family.IsEmpty());
  EXPECT_EQ(family.LargestPNG(), "");
}

}  // namespace
